#pragma once
// The one owner of the program's state for a run. Created in main (tests
// create their own) and passed by reference to every operation.

#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "db/backup_copy.h"
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

// The highlight as a team's server last gave it or took it: a save stores
// the highlight there only when this desktop changed it, so that it never
// writes another desktop's change back over with what it read before.
struct SharedHighlight {
    int on = 0;
    QString minimum;
    int colour = 0;
    bool operator==(const SharedHighlight&) const = default;
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
    // The start's copy of the store file, made while the program goes on.
    db::BackupCopy backup_copy;
    ColumnTable column_table;
    HighlightSettings highlight;
    ListFontRecord list_font;
    bool order_by_value = false;  // the name column sorts values by amount (table settings)
    NodeList path_nodes;      // the path tree (sections)
    NodeList location_nodes;  // the location tree (storage places)
    int list_source_tree = 0;  // control number of the tree that last filled the list
    // On a team's server, the ID of the node whose items the list shows (0:
    // the list shows a search, or the trees are Store.ini's): a refresh
    // lists that node again under whatever path it has now.
    int list_node_id = 0;
    // The versions of the server's trees the node lists were read at.
    long long section_version = 0;
    long long place_version = 0;
    std::optional<SharedHighlight> shared_highlight;
    // The node a "Вырезать раздел" picked, by its path in that tree, until
    // "Вставить раздел" moves it (no tree: -1).
    int moving_tree = -1;
    QString moving_path;
    std::optional<db::Statement> list_statement;  // what the list shows: read again by a refresh
    std::optional<QString> list_search;           // the search text when the list shows a search
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
