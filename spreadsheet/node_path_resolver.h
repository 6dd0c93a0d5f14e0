#pragma once
// The section or place a file's cell names, found in one tree (the path
// tree or the location tree) or planned as new nodes of it under the trees'
// naming rules. A cell holds a path as "A/B/C" (below "Все", which may be
// written first) or in the stored form "|Все|A|B|C|".

#include <QHash>
#include <QString>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "state/node_list.h"

namespace detalehran::spreadsheet {

class NodePathResolver {
public:
    // What a cell names: the stored path (in the tree's own spelling of each
    // name), the names that must be created for it below an existing node,
    // or why it cannot be had.
    struct Resolution {
        std::string cell;
        std::string path;
        std::optional<std::string> error;
        int parent = -1;  // the existing node the new names go below
        std::vector<QString> new_names;
    };

    // A working copy of the tree; an empty list is a tree of the root alone.
    explicit NodePathResolver(const NodeList& nodes);

    // Looks a cell up without changing the tree. Names are matched without
    // regard to letter case; a new name must pass the naming rule and may
    // not be on its level anywhere else in the tree already. The answer
    // holds until the next call.
    const Resolution& resolve(std::string_view cell);
    // Adds the nodes a resolution lacks, each after its siblings.
    void create(const Resolution& resolution);

    // The tree with the created nodes, in pre-order.
    NodeList node_list() const;
    // Stored paths of the created nodes, in the order they were created.
    const std::vector<std::string>& created_paths() const { return created_; }

private:
    struct Node {
        QString name;
        int level = 0;
        int parent = -1;
        std::vector<int> children;
    };

    Resolution find(std::string_view cell) const;
    // The child of that name, the exact spelling first; -1 when none.
    int child_named(int parent, const QString& name) const;
    int add_node(int parent, const QString& name);

    std::vector<Node> nodes_;
    // Nodes by level and case-folded name.
    QHash<QString, std::vector<int>> by_level_name_;
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
    };
    std::unordered_map<std::string, Resolution, TextHash, std::equal_to<>> known_;
    Resolution fresh_;  // the last answer that was not kept in known_
    std::vector<std::string> created_;
};

}  // namespace detalehran::spreadsheet
