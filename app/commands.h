#pragma once
// Entry points of the commands the router reaches, grouped by the module that
// owns them. Each takes the application state and the event that asked for
// it. Modules that are not built yet keep empty bodies here until they are.

#include "platform/event.h"

namespace detalehran {

struct App;

namespace trees {
void path_tree_left_click(App& app, const Event& event);
void path_tree_right_click(App& app, const Event& event);
void location_tree_left_click(App& app, const Event& event);
void location_tree_right_click(App& app, const Event& event);
void item_list_left_click(App& app, const Event& event);  // reveal the row's place and section
void reveal_selected_item(App& app, const Event& event);  // after Up or Down in the list
void create_section(App& app, const Event& event);
void rename_section(App& app, const Event& event);
void delete_section(App& app, const Event& event);
void create_place(App& app, const Event& event);
void rename_place(App& app, const Event& event);
void delete_place(App& app, const Event& event);
void cut_items(App& app, const Event& event);
void paste_items(App& app, const Event& event);
}  // namespace trees

namespace itemlist {
void search_by_name(App& app, const Event& event);
void choose_list_font(App& app, const Event& event);
void open_table_settings(App& app, const Event& event);
void table_settings_ok(App& app, const Event& event);
void table_settings_cancel(App& app, const Event& event);
void choose_highlight_colour(App& app, const Event& event);
void toggle_highlight_controls(App& app, const Event& event);
void close_table_settings(App& app);  // its close box
}  // namespace itemlist

namespace editor {
void editor_tree_click(App& app, const Event& event);
void save_item(App& app, const Event& event);
void cancel_editor(App& app, const Event& event);
void choose_document(App& app, const Event& event);
void delete_package(App& app, const Event& event);
void close_editor(App& app);  // its close box: releases the number fields first
}  // namespace editor

namespace dialogs {
void open_about_dialog(App& app, const Event& event);
void about_ok(App& app, const Event& event);
void copy_wallet_identifier(App& app, const Event& event);
void close_about_dialog(App& app);  // its close box
}  // namespace dialogs

namespace commands {
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
}  // namespace commands

}  // namespace detalehran
