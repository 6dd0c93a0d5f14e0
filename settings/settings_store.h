#pragma once
// Glue between the settings file Store.ini and the running program: the
// record is taken from and given to App and the main window here.

#include <QString>
#include <cstdint>
#include <functional>
#include <string>

#include "settings/settings_format.h"

namespace detalehran {
struct App;
}

namespace detalehran::settings {

// Working folder + "Store.ini", read afresh at every call.
std::string settings_path();
// Size in bytes of Store.ini, -1 when it does not exist.
std::int64_t settings_file_size();

// While the main window is built: the list's column widths and both splitter
// positions, when the file exists.
void restore_window_sections(App& app);
// Adds the nodes of the stored sections and places to both trees.
using TreeCompletion = std::function<void(App&)>;
// Start-up after the database is open: the trees from Store.ini, or on a
// first run from the stored paths with the defaults written; then the column
// order, hidden columns and highlight settings. `complete_trees` builds the
// trees of a first run and adds, on later runs, the nodes the file lacks.
// On a team's server the trees come from `load_shared_trees` and the
// highlight from the server instead; a first run writes only the desktop's
// defaults.
void restore_at_start_up(App& app, const TreeCompletion& complete_trees,
                         const TreeCompletion& load_shared_trees = nullptr);

// Both trees of Store.ini, without touching the running program's; false
// when there is no file or it cannot be read.
bool file_trees(NodeList& path_nodes, NodeList& location_nodes);
// On a team's server: the highlight and the minimum read from it again and
// applied (with the copies the table settings dialog keeps).
void read_team_settings_again(App& app);

// Replaces both node lists with the file's trees, each with its root. False
// when the file could not be read (the trees then hold only their roots),
// with the reason in *why.
bool load_trees(App& app, QString* why = nullptr);
// Reads one section of the file and applies it: "[ListIcon]",
// "[SplitterVertical]", "[SplitterHorizontal]", "[ColumnsQuerry]",
// "[ColumnsHidden]", "[CheckBox_States]", "[String_Min]" or "[HighLight]".
// False when the file or the section is missing, the header unknown, or a
// column order does not name every column once (the list then keeps its own).
bool load_section(App& app, const QString& header);

// The running program's state as the file holds it.
SettingsRecord current_settings(const App& app);

enum class OnFailure {
    warn,   // after a user's action: one message box says the file was kept
    quiet,  // at shutdown: nobody is left to tell
};
// Writes Store.ini whole from the running program's state; the old file
// stays as it was when that fails. Returns whether the file was written.
bool save_settings(App& app, OnFailure on_failure = OnFailure::warn);

}  // namespace detalehran::settings
