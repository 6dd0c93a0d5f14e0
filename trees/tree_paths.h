#pragma once
// What other windows ask of the trees, each in one call: the paths a tree
// shows, the selected one, taking new node lists in, and showing a path.

#include <QString>
#include <string>
#include <vector>

#include "state/node_list.h"

namespace detalehran {
struct App;
}

namespace detalehran::trees {

// A node as a tree shows it: its path for the user ("Все / A / B") and as
// stored ("|Все|A|B|").
struct ShownPath {
    QString shown;
    QString path;
};

// What a window choosing a section or a place offers: each tree's nodes as
// shown, and the one selected (the root when none is).
struct TreeChoice {
    std::vector<ShownPath> shown;
    QString selected;
};
struct TreeChoices {
    TreeChoice sections;
    TreeChoice places;
};
TreeChoices tree_choices(const App& app);

// After an import: the trees take the nodes its items need, kept where the
// store keeps its trees (a server's for the team), shown again and saved;
// then the section of this path (or its nearest existing ancestor) is
// selected and its items shown as a click on it would.
void adopt_nodes(App& app, const NodeList& sections, const NodeList& places,
                 const std::vector<std::string>& new_sections, const std::vector<std::string>& new_places,
                 const QString& show_section);

}  // namespace detalehran::trees
