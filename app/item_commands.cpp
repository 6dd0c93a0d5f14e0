// Commands on the items of the list. Those that need the item editor and the
// list's rows are built with them.

#include "app/app.h"
#include "app/commands.h"
#include "app/control_numbers.h"
#include "app/main_window.h"

namespace detalehran::commands {

void list_right_click(App& app, const Event&) {
    prepare_list_menu(app);
    show_popup(app, kItemListMenu);
}

void exit_at_once(App& app, const Event&) {
    // Nothing is saved or closed: the data source stays registered and the
    // scratch table keeps what was cut. Every statement has already committed.
    if (app.end_process) app.end_process(0);
}

void edit_item(App&, const Event&) {}
void edit_item_from_list(App&, const Event&) {}
void add_item(App&, const Event&) {}
void duplicate_item(App&, const Event&) {}
void show_document(App&, const Event&) {}
void web_search(App&, const Event&) {}
void check_all_rows(App&, const Event&) {}
void uncheck_all_rows(App&, const Event&) {}
void delete_checked_items(App&, const Event&) {}

}  // namespace detalehran::commands
