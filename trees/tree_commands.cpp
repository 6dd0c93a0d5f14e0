// Commands on the section trees. Choosing a node, creating, renaming and
// deleting nodes and moving items between them are built with the trees
// themselves; until then a click only records which tree fills the list.

#include "app/app.h"
#include "app/commands.h"
#include "app/control_numbers.h"
#include "app/main_window.h"

namespace detalehran::trees {

void path_tree_left_click(App& app, const Event&) { app.list_source_tree = kPathTree; }

void path_tree_right_click(App& app, const Event&) {
    app.list_source_tree = kPathTree;
    show_popup(app, kPathTreeMenu);
}

void location_tree_left_click(App& app, const Event&) { app.list_source_tree = kLocationTree; }

void location_tree_right_click(App& app, const Event&) {
    app.list_source_tree = kLocationTree;
    show_popup(app, kLocationTreeMenu);
}

void item_list_left_click(App&, const Event&) {}
void reveal_selected_item(App&, const Event&) {}
void create_section(App&, const Event&) {}
void rename_section(App&, const Event&) {}
void delete_section(App&, const Event&) {}
void create_place(App&, const Event&) {}
void rename_place(App&, const Event&) {}
void delete_place(App&, const Event&) {}
void cut_items(App&, const Event&) {}
void paste_items(App&, const Event&) {}

}  // namespace detalehran::trees
