#pragma once
// A tree as the program keeps it: its nodes in pre-order, each a name and a
// level (0 for the root "Все"). The list owns the truth; a tree widget only
// shows it.

#include <QString>
#include <vector>

namespace detalehran {

struct TreeNode {
    QString name;
    int level = 0;
    // The node's ID on a team's server, which keeps the trees; 0 for a tree
    // of Store.ini.
    int id = 0;
    bool operator==(const TreeNode&) const = default;
};

using NodeList = std::vector<TreeNode>;

inline constexpr const char* kRootName = "Все";

}  // namespace detalehran
