#pragma once
// The trees of a team's server in the program: read at start and with every
// refresh, shown with the selection kept by node, guarded against writing a
// path the tree no longer has, and given the nodes an import made. On a
// file store the trees stay Store.ini's and most of this does nothing.

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "platform/event.h"
#include "schema/server_tables.h"
#include "state/node_list.h"

class QWidget;

namespace detalehran {
struct App;
}

namespace detalehran::trees {

// Whether the connected store keeps the trees on its server, for the team.
bool trees_shared(const App& app);
schema::TreeKind kind_of(int tree);

// Start-up on a server: both trees read. The nodes a desktop's Store.ini
// of an older version held, and the nodes of stored paths the trees lack,
// are added to the server's trees first. A failure is told; the trees are
// then only their roots.
void load_team_trees(App& app);
// Reads both trees again and shows them; the selected and the expanded
// nodes stay (by their IDs) where they still exist, a selected node that is
// gone gives way to the root. False, the user told, when they could not be
// read.
bool reread_trees(App& app);
// After a tree change of this program was refused because someone changed
// the tree meanwhile: the trees read again, and the user told to look and
// try again.
void trees_changed_underneath(App& app, QWidget* parent = nullptr);

// For a write that stores node paths (an item saved, a paste), inside its
// open transaction: whether the trees are still at the versions this
// program shows, held so until the transaction ends. Always true on a file.
// On false the caller rolls back and calls trees_changed_underneath.
bool trees_still_current(App& app);

enum class PathWrite { done, failed, trees_changed };
// Runs `write` so that on a server the paths it stores are the trees' of
// now: in one transaction that first holds the trees' versions. When the
// trees changed since they were read nothing is written, and the trees are
// read again and the user told (over `parent`). On a file `write` just runs.
// On `failed` the reason is the database's last diagnostic.
// The write is one operation of the history, under `caption`.
PathWrite write_with_current_trees(App& app, const std::string& caption, const std::function<bool()>& write,
                                   QWidget* parent = nullptr);

// The list of the node `list_node_id` read again under the node's path of
// now; the root's when the node is gone. Nothing when the list shows a
// search.
void list_node_again(App& app);
// F5 and "Обновить список": on a server the trees and the team's settings
// are read again with the list.
void refresh_trees_and_list(App& app, const Event& event);

// After an import: the trees the plan made, with the nodes its items need,
// kept where the store keeps its trees and shown.
void adopt_imported_nodes(App& app, const NodeList& sections, const NodeList& places,
                          const std::vector<std::string>& new_sections, const std::vector<std::string>& new_places);

}  // namespace detalehran::trees
