#pragma once
// The one owner of the program's state for a run. Created in main (tests
// create their own) and passed by reference to every operation.

#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "db/database.h"
#include "state/column_table.h"
#include "state/node_list.h"

namespace detalehran {

class PlatformServices;
class MainWindow;
namespace sorter {
class ColumnSorter;
}

enum class EditorMode { add = 0, edit = 1, duplicate = 2 };

// Low-stock highlight: each value with the copy taken when the table
// settings dialog opened.
struct HighlightSettings {
    int on = 0;
    int on_saved = 0;
    QString minimum = "5";
    QString minimum_saved = "5";
    int colour = 255;  // 0x00BBGGRR; -1 the list's default colour
    int colour_saved = 255;
};

struct ListFontRecord {
    QString face = "MS Sans Serif";
    int points = 8;
    int style = 0;  // 256 bold, 512 italic, 4 underline, 8 strikeout
};

struct App {
    // The column sorter, made by its module together with the function that
    // releases it, so that this record needs nothing of the sorter's type.
    using SorterHandle = std::unique_ptr<sorter::ColumnSorter, void (*)(sorter::ColumnSorter*)>;

    explicit App(PlatformServices& services) : platform(services) {}
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    PlatformServices& platform;
    db::Database database;
    ColumnTable column_table;
    HighlightSettings highlight;
    ListFontRecord list_font;
    NodeList path_nodes;      // the path tree (sections)
    NodeList location_nodes;  // the location tree (storage places)
    int list_source_tree = 0;  // control number of the tree that last filled the list
    std::optional<db::Statement> list_statement;  // what the list shows: read again by a refresh
    EditorMode editor_mode = EditorMode::add;
    int pending_edit = 0;  // which label edit of a tree is under way (none: 0)
    MainWindow* main_window = nullptr;
    SorterHandle sorter{nullptr, nullptr};

    // Ends the process at once (menu "Выход"); tests put a recorder here.
    std::function<void(int)> end_process;
    // Set when the loop has been asked to end (main window closed).
    bool loop_ended = false;
};

}  // namespace detalehran
