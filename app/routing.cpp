#include "app/routing.h"

#include <iterator>

#include "app/item_commands.h"
#include "app/lifecycle.h"
#include "bom_windows/bom_commands.h"
#include "bom_windows/project_commands.h"
#include "dialogs/about_commands.h"
#include "editor/item_editor.h"
#include "history_windows/history_commands.h"
#include "itemlist/item_list.h"
#include "itemlist/table_settings_commands.h"
#include "mainwindow/control_numbers.h"
#include "spreadsheet_windows/export_commands.h"
#include "spreadsheet_windows/import_commands.h"
#include "spreadsheet_windows/reorder_commands.h"
#include "trees/team_trees.h"
#include "trees/tree_commands.h"

namespace detalehran {

namespace {

constexpr ControlRoute kControlRoutes[] = {
    // A node's list replaces the shown one; the selected row it keeps is
    // among the rows already shown (selecting one reads the rest).
    {kPathTree, kRightClick, trees::path_tree_right_click, "path tree right click", true},
    {kPathTree, kLeftClick, trees::path_tree_left_click, "path tree left click", true},
    {kLocationTree, kLeftClick, trees::location_tree_left_click, "location tree left click", true},
    {kLocationTree, kRightClick, trees::location_tree_right_click, "location tree right click", true},
    {kEditorLocationTree, kLeftClick, editor::editor_tree_click, "editor location tree click"},
    {kItemList, kRightClick, commands::list_right_click, "item list menu"},
    {kItemList, kLeftClick, trees::item_list_left_click, "reveal item in trees"},
    {kItemList, kLeftDoubleClick, commands::edit_item_from_list, "edit item"},
    {kSearchButton, kAnyType, itemlist::search_by_name, "search by name"},
    {kEditorOk, kAnyType, editor::save_item, "save item"},
    {kEditorCancel, kAnyType, editor::cancel_editor, "cancel editor"},
    {kEditorAddDocument, kAnyType, editor::choose_document, "choose document"},
    {kEditorRemovePackage, kAnyType, editor::delete_package, "delete package type"},
    {kSettingsOk, kAnyType, itemlist::table_settings_ok, "apply table settings"},
    {kSettingsCancel, kAnyType, itemlist::table_settings_cancel, "cancel table settings"},
    {kSettingsColourButton, kAnyType, itemlist::choose_highlight_colour, "choose highlight colour"},
    {kSettingsHighlightBox, kAnyType, itemlist::toggle_highlight_controls, "toggle highlight controls"},
    {kAboutOk, kAnyType, dialogs::about_ok, "close about dialog"},
    {kAboutLink1, kAnyType, dialogs::copy_wallet_identifier, "copy wallet identifier"},
    {kAboutLink2, kAnyType, dialogs::copy_wallet_identifier, "copy wallet identifier"},
    {kAboutLink3, kAnyType, dialogs::copy_wallet_identifier, "copy wallet identifier"},
    {kImportEncoding, kValueChanged, spreadsheet_windows::import_choice_changed, "read import with encoding"},
    {kImportSeparator, kValueChanged, spreadsheet_windows::import_choice_changed, "read import with separator"},
    {kImportHeaderLine, kValueChanged, spreadsheet_windows::import_choice_changed, "read import with header line"},
    {kImportPreview, kValueChanged, spreadsheet_windows::import_choice_changed, "map import columns"},
    {kImportStart, kAnyType, spreadsheet_windows::start_import, "start import"},
    {kImportCancel, kAnyType, spreadsheet_windows::cancel_import, "cancel import"},
    {kReorderSave, kAnyType, spreadsheet_windows::save_reorder_list, "save reorder list"},
    {kReorderClose, kAnyType, spreadsheet_windows::close_reorder_list, "close reorder list"},
    {kHistoryShow, kAnyType, history_windows::show_history, "show history"},
    {kHistoryMore, kAnyType, history_windows::show_more_history, "show more history"},
    {kHistoryRevert, kAnyType, history_windows::revert_chosen_operation, "revert operation"},
    {kHistoryClose, kAnyType, history_windows::close_history, "close history"},
    {kBomConfirmAll, kAnyType, bom_windows::confirm_all_parts, "confirm proposed parts"},
    {kBomPrint, kAnyType, bom_windows::print_pick_list, "print pick list"},
    {kBomPickPdf, kAnyType, bom_windows::save_pick_list_pdf, "save pick list as PDF"},
    {kBomPickCsv, kAnyType, bom_windows::save_pick_list_csv, "save pick list as CSV"},
    {kBomShortCsv, kAnyType, bom_windows::save_shortfall_csv, "save shortfall as CSV"},
    {kBomAddToOrder, kAnyType, bom_windows::add_shortfall_to_order, "add shortfall to reorder list"},
    {kBomTake, kAnyType, bom_windows::take_build_parts, "take build parts"},
    {kBomSaveProject, kAnyType, bom_windows::save_bom_project, "save project"},
    {kBomClose, kAnyType, bom_windows::close_bom_window, "close bill of materials"},
    {kProjectsTable, kLeftDoubleClick, bom_windows::open_chosen_project, "open project"},
    {kProjectsOpen, kAnyType, bom_windows::open_chosen_project, "open project"},
    {kProjectsRename, kAnyType, bom_windows::rename_chosen_project, "rename project"},
    {kProjectsDelete, kAnyType, bom_windows::delete_chosen_project, "delete project"},
    {kProjectsClose, kAnyType, bom_windows::close_projects, "close projects"},
};

constexpr MenuRoute kMenuRoutes[] = {
    {kMenuCreateSection, trees::create_section, "create section"},
    {kMenuRenameSection, trees::rename_section, "rename section"},
    {kMenuDeleteSection, trees::delete_section, "delete section"},
    {kMenuAdd, commands::add_item, "add item"},
    {kMenuEdit, commands::edit_item, "edit item"},
    {kMenuDuplicate, commands::duplicate_item, "duplicate item"},
    {kMenuShowDocument, commands::show_document, "show document"},
    {kMenuWebSearch, commands::web_search, "web search"},
    {kMenuCheckAll, commands::check_all_rows, "check all rows"},
    {kMenuUncheckAll, commands::uncheck_all_rows, "uncheck all rows"},
    {kMenuCut, trees::cut_items, "cut items"},
    {kMenuPaste, trees::paste_items, "paste items"},
    {kMenuDeleteItems, commands::delete_checked_items, "delete checked items"},
    {kMenuCreatePlace, trees::create_place, "create place"},
    {kMenuRenamePlace, trees::rename_place, "rename place"},
    {kMenuDeletePlace, trees::delete_place, "delete place"},
    {kMenuExit, commands::exit_at_once, "exit at once"},
    {kMenuListFont, itemlist::choose_list_font, "choose list font"},
    {kMenuTableSettings, itemlist::open_table_settings, "open table settings"},
    {kMenuAbout, dialogs::open_about_dialog, "open about dialog"},
    {kMenuRefreshList, trees::refresh_trees_and_list, "refresh trees and list"},
    {kMenuImportCsv, spreadsheet_windows::open_import, "import from CSV"},
    {kMenuExportCsv, spreadsheet_windows::export_list, "export list to CSV"},
    {kMenuReorderList, spreadsheet_windows::open_reorder_list, "open reorder list"},
    {kMenuHistory, history_windows::open_store_history, "open store history"},
    {kMenuItemsHistory, history_windows::open_items_history, "open parts history"},
    {kMenuUndo, history_windows::undo_last_change, "undo last change"},
    {kMenuCheckBom, bom_windows::open_bom_check, "check bill of materials"},
    {kMenuProjects, bom_windows::open_projects, "open projects"},
};

constexpr KeyRoute kKeyRoutes[] = {
    {kCharacterMessage, kCharEnter, kSearchField, kAnyWindow, itemlist::search_by_name, "search by name"},
    {kCharacterMessage, kCharEscape, kAnyControl, kEditorWindow, editor::cancel_editor, "cancel editor"},
    {kCharacterMessage, kCharEscape, kAnyControl, kImportWindow, spreadsheet_windows::cancel_import, "cancel import"},
    {kCharacterMessage, kCharEscape, kAnyControl, kReorderWindow, spreadsheet_windows::close_reorder_list,
     "close reorder list"},
    {kCharacterMessage, kCharEscape, kAnyControl, kHistoryWindow, history_windows::close_history, "close history"},
    {kCharacterMessage, kCharEscape, kAnyControl, kBomWindow, bom_windows::close_bom_window, "close bill of materials"},
    {kCharacterMessage, kCharEscape, kAnyControl, kProjectsWindow, bom_windows::close_projects, "close projects"},
    {kCharacterMessage, kCharEnter, kProjectsTable, kAnyWindow, bom_windows::open_chosen_project, "open project"},
    {kKeyDownMessage, kKeyDelete, kProjectsTable, kAnyWindow, bom_windows::delete_chosen_project, "delete project"},
    {kCharacterMessage, kCharEnter, kHistoryWho, kAnyWindow, history_windows::show_history, "show history"},
    {kCharacterMessage, kCharEnter, kHistorySince, kAnyWindow, history_windows::show_history, "show history"},
    {kCharacterMessage, kCharEnter, kHistoryUntil, kAnyWindow, history_windows::show_history, "show history"},
    {kCharacterMessage, kCharEnter, kHistoryText, kAnyWindow, history_windows::show_history, "show history"},
    {kCharacterMessage, kCharEnter, kItemList, kAnyWindow, commands::edit_item_from_list, "edit item"},
    {kKeyDownMessage, kKeyDown, kItemList, kAnyWindow, trees::reveal_selected_item, "reveal item in trees"},
    {kKeyDownMessage, kKeyUp, kItemList, kAnyWindow, trees::reveal_selected_item, "reveal item in trees"},
    {kKeyDownMessage, kKeyF5, kAnyControl, kMainWindow, trees::refresh_trees_and_list, "refresh trees and list"},
};

// A dialog's close box enables the main window again and closes the dialog;
// the main window's ends the loop.
constexpr WindowRoute kWindowRoutes[] = {
    {kCloseEvent, kEditorWindow, editor::close_editor, "close item editor"},
    {kCloseEvent, kAboutWindow, dialogs::close_about_dialog, "close about dialog"},
    {kCloseEvent, kTableSettingsWindow, itemlist::close_table_settings, "close table settings"},
    {kCloseEvent, kImportWindow, spreadsheet_windows::close_import, "close import dialog"},
    {kCloseEvent, kReorderWindow, spreadsheet_windows::close_reorder_by_close_box, "close reorder list"},
    {kCloseEvent, kHistoryWindow, history_windows::close_history_by_close_box, "close history"},
    {kCloseEvent, kBomWindow, bom_windows::close_bom_by_close_box, "close bill of materials"},
    {kCloseEvent, kProjectsWindow, bom_windows::close_projects_by_close_box, "close projects"},
    {kCloseEvent, kMainWindow, end_event_loop, "end the event loop"},
    {kSizeEvent, kAnyWindow, relayout_main_window, "lay out the main window"},
    {kMaximizeEvent, kAnyWindow, relayout_main_window, "lay out the main window"},
    {kRestoreEvent, kAnyWindow, relayout_main_window, "lay out the main window"},
};

}  // namespace

std::span<const ControlRoute> control_routes() { return kControlRoutes; }
std::span<const MenuRoute> menu_routes() { return kMenuRoutes; }
std::span<const KeyRoute> key_routes() { return kKeyRoutes; }
std::span<const WindowRoute> window_routes() { return kWindowRoutes; }

const ControlRoute* find_control_route(const Event& event) {
    if (event.kind != kControlEvent) return nullptr;
    for (const ControlRoute& r : kControlRoutes) {
        if (r.control == event.control && (r.type == kAnyType || r.type == event.type)) return &r;
    }
    return nullptr;
}

const MenuRoute* find_menu_route(const Event& event) {
    if (event.kind != kMenuEvent) return nullptr;
    for (const MenuRoute& r : kMenuRoutes) {
        if (r.item == event.control) return &r;
    }
    return nullptr;
}

const KeyRoute* find_key_route(const Event& event) {
    if (event.kind != kKeyDownMessage && event.kind != kCharacterMessage) return nullptr;
    for (const KeyRoute& r : kKeyRoutes) {
        if (r.message != event.kind || r.code != event.code) continue;
        if (r.focus_control != kAnyControl && r.focus_control != event.focus_control) continue;
        if (r.active_window != kAnyWindow && r.active_window != event.active_window) continue;
        return &r;
    }
    return nullptr;
}

const WindowRoute* find_window_route(const Event& event) {
    for (const WindowRoute& r : kWindowRoutes) {
        if (r.kind == event.kind && (r.window == kAnyWindow || r.window == event.window)) return &r;
    }
    return nullptr;
}

bool replaces_item_list(const Event& event) {
    const ControlRoute* route = find_control_route(event);
    return route != nullptr && route->replaces_list;
}

const char* route_event(App& app, const Event& event) {
    Handler handler = nullptr;
    const char* action = nullptr;
    if (const ControlRoute* r = find_control_route(event)) {
        handler = r->handler;
        action = r->action;
    } else if (const MenuRoute* m = find_menu_route(event)) {
        handler = m->handler;
        action = m->action;
    } else if (const KeyRoute* k = find_key_route(event)) {
        handler = k->handler;
        action = k->action;
    } else if (const WindowRoute* w = find_window_route(event)) {
        handler = w->handler;
        action = w->action;
    }
    if (handler != nullptr) handler(app, event);
    return action;
}

}  // namespace detalehran
