#pragma once
// Commands on the items of the list: the list's popup menu, opening the item
// editor in its three modes, the document and web search of the selected
// row, checking rows, deleting the checked ones, and leaving at once.

#include "platform/event.h"

namespace detalehran {
struct App;
}

namespace detalehran::commands {

void list_right_click(App& app, const Event& event);  // enable the list menu's items and show it
void edit_item(App& app, const Event& event);
void edit_item_from_list(App& app, const Event& event);  // double click or Enter: only with a selected row
void add_item(App& app, const Event& event);
void duplicate_item(App& app, const Event& event);
void show_document(App& app, const Event& event);
void web_search(App& app, const Event& event);
void check_all_rows(App& app, const Event& event);
void uncheck_all_rows(App& app, const Event& event);
void delete_checked_items(App& app, const Event& event);
void exit_at_once(App& app, const Event& event);

// Enables and disables the item list menu's items for what is selected,
// checked and waiting in the Temp table.
void prepare_list_menu(App& app);

}  // namespace detalehran::commands
