// The routing tables decide which command an event reaches; checked here
// without any widget.

#include <gtest/gtest.h>

#include "app/item_commands.h"
#include "app/lifecycle.h"
#include "app/routing.h"
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
#include "state/app.h"
#include "support/scripted_services.h"
#include "trees/team_trees.h"
#include "trees/tree_commands.h"

using namespace detalehran;

namespace {

Event control(int number, int type) {
    Event e;
    e.kind = kControlEvent;
    e.window = kMainWindow;
    e.control = number;
    e.type = type;
    return e;
}

Event menu(int item) {
    Event e;
    e.kind = kMenuEvent;
    e.control = item;
    return e;
}

Event key(int message, int code, int focus, int active = kMainWindow) {
    Event e;
    e.kind = message;
    e.code = code;
    e.focus_control = focus;
    e.active_window = active;
    return e;
}

Handler routed(const Event& e) {
    if (const ControlRoute* r = find_control_route(e)) return r->handler;
    if (const MenuRoute* r = find_menu_route(e)) return r->handler;
    if (const KeyRoute* r = find_key_route(e)) return r->handler;
    if (const WindowRoute* r = find_window_route(e)) return r->handler;
    return nullptr;
}

Event window_event(int kind, int window) {
    Event e;
    e.kind = kind;
    e.window = window;
    return e;
}

}  // namespace

TEST(Routing, ControlEventsReachTheirCommands) {
    struct Case {
        Event event;
        Handler handler;
    };
    const Case cases[] = {
        {control(kPathTree, kRightClick), trees::path_tree_right_click},
        {control(kPathTree, kLeftClick), trees::path_tree_left_click},
        {control(kLocationTree, kLeftClick), trees::location_tree_left_click},
        {control(kLocationTree, kRightClick), trees::location_tree_right_click},
        {control(kEditorLocationTree, kLeftClick), editor::editor_tree_click},
        {control(kItemList, kRightClick), commands::list_right_click},
        {control(kItemList, kLeftClick), trees::item_list_left_click},
        {control(kItemList, kLeftDoubleClick), commands::edit_item_from_list},
        {control(kEditorOk, kLeftClick), editor::save_item},
        {control(kEditorCancel, kLeftClick), editor::cancel_editor},
        {control(kEditorAddDocument, kLeftClick), editor::choose_document},
        {control(kEditorRemovePackage, kLeftClick), editor::delete_package},
        {control(kSettingsOk, kLeftClick), itemlist::table_settings_ok},
        {control(kSettingsCancel, kLeftClick), itemlist::table_settings_cancel},
        {control(kSettingsColourButton, kLeftClick), itemlist::choose_highlight_colour},
        {control(kSettingsHighlightBox, kLeftClick), itemlist::toggle_highlight_controls},
        {control(kAboutOk, kLeftClick), dialogs::about_ok},
        {control(kAboutLink1, kLeftClick), dialogs::copy_wallet_identifier},
        {control(kAboutLink2, kLeftClick), dialogs::copy_wallet_identifier},
        {control(kAboutLink3, kLeftClick), dialogs::copy_wallet_identifier},
        {control(kImportEncoding, kValueChanged), spreadsheet_windows::import_choice_changed},
        {control(kImportSeparator, kValueChanged), spreadsheet_windows::import_choice_changed},
        {control(kImportHeaderLine, kValueChanged), spreadsheet_windows::import_choice_changed},
        {control(kImportPreview, kValueChanged), spreadsheet_windows::import_choice_changed},
        {control(kImportStart, kLeftClick), spreadsheet_windows::start_import},
        {control(kImportCancel, kLeftClick), spreadsheet_windows::cancel_import},
        {control(kReorderSave, kLeftClick), spreadsheet_windows::save_reorder_list},
        {control(kReorderClose, kLeftClick), spreadsheet_windows::close_reorder_list},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(routed(c.event), c.handler) << "control " << c.event.control << " type " << c.event.type;
    }
    // Buttons and links do not look at the event type.
    for (int type : {kLeftClick, kRightClick, kLeftDoubleClick, kOtherControlEvent}) {
        EXPECT_EQ(routed(control(kSearchButton, type)), itemlist::search_by_name);
        EXPECT_EQ(routed(control(kAboutLink2, type)), dialogs::copy_wallet_identifier);
    }
}

TEST(Routing, TreesAndListIgnoreOtherEventTypes) {
    EXPECT_EQ(routed(control(kPathTree, kLeftDoubleClick)), nullptr);
    EXPECT_EQ(routed(control(kLocationTree, kOtherControlEvent)), nullptr);
    EXPECT_EQ(routed(control(kItemList, kOtherControlEvent)), nullptr);
    EXPECT_EQ(routed(control(kEditorLocationTree, kRightClick)), nullptr);
    // A drop-down is heard when the user picks an entry, and only then.
    EXPECT_EQ(routed(control(kImportEncoding, kLeftClick)), nullptr);
    EXPECT_EQ(routed(control(kImportPreview, kLeftClick)), nullptr);
}

TEST(Routing, MenuItemsReachTheirCommands) {
    const std::pair<int, Handler> cases[] = {
        {kMenuCreateSection, trees::create_section},
        {kMenuRenameSection, trees::rename_section},
        {kMenuDeleteSection, trees::delete_section},
        {kMenuAdd, commands::add_item},
        {kMenuEdit, commands::edit_item},
        {kMenuDuplicate, commands::duplicate_item},
        {kMenuShowDocument, commands::show_document},
        {kMenuWebSearch, commands::web_search},
        {kMenuCheckAll, commands::check_all_rows},
        {kMenuUncheckAll, commands::uncheck_all_rows},
        {kMenuCut, trees::cut_items},
        {kMenuPaste, trees::paste_items},
        {kMenuDeleteItems, commands::delete_checked_items},
        {kMenuCreatePlace, trees::create_place},
        {kMenuRenamePlace, trees::rename_place},
        {kMenuDeletePlace, trees::delete_place},
        {kMenuExit, commands::exit_at_once},
        {kMenuListFont, itemlist::choose_list_font},
        {kMenuTableSettings, itemlist::open_table_settings},
        {kMenuAbout, dialogs::open_about_dialog},
        {kMenuRefreshList, trees::refresh_trees_and_list},
        {kMenuImportCsv, spreadsheet_windows::open_import},
        {kMenuExportCsv, spreadsheet_windows::export_list},
        {kMenuReorderList, spreadsheet_windows::open_reorder_list},
        {kMenuHistory, history_windows::open_store_history},
        {kMenuItemsHistory, history_windows::open_items_history},
        {kMenuUndo, history_windows::undo_last_change},
        {kMenuCheckBom, bom_windows::open_bom_check},
        {kMenuProjects, bom_windows::open_projects},
    };
    for (const auto& [item, handler] : cases) EXPECT_EQ(routed(menu(item)), handler) << "menu item " << item;
    EXPECT_EQ(std::size(cases), menu_routes().size());
}

TEST(Routing, KeyMessagesNeedTheirFocusOrActiveWindow) {
    EXPECT_EQ(routed(key(kCharacterMessage, kCharEnter, kSearchField)), itemlist::search_by_name);
    EXPECT_EQ(routed(key(kCharacterMessage, kCharEnter, kItemList)), commands::edit_item_from_list);
    EXPECT_EQ(routed(key(kCharacterMessage, kCharEscape, kEditorName, kEditorWindow)), editor::cancel_editor);
    EXPECT_EQ(routed(key(kCharacterMessage, kCharEscape, kImportPreview, kImportWindow)),
              spreadsheet_windows::cancel_import);
    EXPECT_EQ(routed(key(kCharacterMessage, kCharEscape, kReorderTable, kReorderWindow)),
              spreadsheet_windows::close_reorder_list);
    EXPECT_EQ(routed(key(kKeyDownMessage, kKeyDown, kItemList)), trees::reveal_selected_item);
    EXPECT_EQ(routed(key(kKeyDownMessage, kKeyUp, kItemList)), trees::reveal_selected_item);
    for (int focus : {kItemList, kPathTree, kSearchField}) {
        EXPECT_EQ(routed(key(kKeyDownMessage, kKeyF5, focus, kMainWindow)), trees::refresh_trees_and_list);
    }

    // The same codes elsewhere do nothing.
    EXPECT_EQ(routed(key(kKeyDownMessage, kKeyF5, kEditorName, kEditorWindow)), nullptr);
    EXPECT_EQ(routed(key(kCharacterMessage, kCharEnter, kPathTree)), nullptr);
    EXPECT_EQ(routed(key(kCharacterMessage, kCharEscape, kItemList, kMainWindow)), nullptr);
    EXPECT_EQ(routed(key(kKeyDownMessage, kKeyDown, kPathTree)), nullptr);
    // A key-down of Enter is not the character Enter, and vice versa.
    EXPECT_EQ(routed(key(kKeyDownMessage, kCharEnter, kSearchField)), nullptr);
    EXPECT_EQ(routed(key(kCharacterMessage, kKeyDown, kItemList)), nullptr);
}

TEST(Routing, CharacterRulesAreTriedInOrderAndOnlyTheFirstActs) {
    // Enter in the search field while the editor is the active window: the
    // search rule comes first and is the only one taken.
    const Event enter = key(kCharacterMessage, kCharEnter, kSearchField, kEditorWindow);
    const KeyRoute* first = find_key_route(enter);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, &key_routes()[0]);
    // Esc with the focus in the list but the editor active is the editor's.
    const KeyRoute* esc = find_key_route(key(kCharacterMessage, kCharEscape, kItemList, kEditorWindow));
    ASSERT_NE(esc, nullptr);
    EXPECT_EQ(esc->handler, editor::cancel_editor);
}

TEST(Routing, UnroutedEventsDoNothing) {
    detalehran::testing::ScriptedServices services;
    App app(services);
    app.list_source_tree = kLocationTree;
    EXPECT_EQ(route_event(app, control(kSearchField, kLeftClick)), nullptr);
    EXPECT_EQ(route_event(app, control(kTreeSplitter, kLeftClick)), nullptr);
    EXPECT_EQ(route_event(app, menu(kMenuBar)), nullptr);
    EXPECT_EQ(route_event(app, menu(kPathTreeMenu)), nullptr);
    EXPECT_EQ(route_event(app, window_event(kCloseEvent, kNoWindow)), nullptr);
    EXPECT_EQ(app.list_source_tree, kLocationTree);
    EXPECT_TRUE(services.calls.empty());
}

TEST(Routing, ExitEndsTheProcessAtOnce) {
    detalehran::testing::ScriptedServices services;
    App app(services);
    int ended_with = -1;
    app.end_process = [&](int code) { ended_with = code; };
    EXPECT_STREQ(route_event(app, menu(kMenuExit)), "exit at once");
    EXPECT_EQ(ended_with, 0);
}

// The loop's own work is routed too: a dialog's close box closes it, the
// main window's ends the loop, and any size change lays the main window out.
TEST(Routing, CloseAndSizeEventsReachTheLoopsOwnWork) {
    const std::pair<Event, Handler> cases[] = {
        {window_event(kCloseEvent, kEditorWindow), editor::close_editor},
        {window_event(kCloseEvent, kAboutWindow), dialogs::close_about_dialog},
        {window_event(kCloseEvent, kTableSettingsWindow), itemlist::close_table_settings},
        {window_event(kCloseEvent, kImportWindow), spreadsheet_windows::close_import},
        {window_event(kCloseEvent, kReorderWindow), spreadsheet_windows::close_reorder_by_close_box},
        {window_event(kCloseEvent, kMainWindow), end_event_loop},
        {window_event(kSizeEvent, kMainWindow), relayout_main_window},
        {window_event(kMaximizeEvent, kEditorWindow), relayout_main_window},
        {window_event(kRestoreEvent, kAboutWindow), relayout_main_window},
    };
    for (const auto& [event, handler] : cases) {
        EXPECT_EQ(routed(event), handler) << event.kind << " " << event.window;
    }
}
