#pragma once
// The section and place trees as a team's server keeps them: read whole
// with their versions, and changed node by node, each change one
// transaction that also rewrites the stored paths it concerns and that is
// refused when the tree changed since it was read. No widgets: the program
// and detalehran-db both use it.

#include <QString>
#include <QStringList>

#include "db/database.h"
#include "schema/server_tables.h"
#include "schema/store_columns.h"
#include "state/node_list.h"

namespace detalehran::trees {

struct SharedTrees {
    NodeList sections;  // each node with its ID on the server
    NodeList places;
    long long section_version = 0;
    long long place_version = 0;

    NodeList& nodes(schema::TreeKind tree) { return tree == schema::TreeKind::places ? places : sections; }
    long long& version(schema::TreeKind tree) {
        return tree == schema::TreeKind::places ? place_version : section_version;
    }
};

// The column whose paths name the tree's nodes.
schema::ItemColumn path_column(schema::TreeKind tree);

// Both trees, in pre-order with siblings by name; false (the reason is the
// database's last diagnostic) when they could not be read whole.
bool read_shared_trees(db::Database& database, SharedTrees& trees);
// Only the versions. With `hold`, inside a transaction, the versions stay
// as read until it ends: the paths read with them stay valid for a write.
bool read_tree_versions(db::Database& database, long long& sections, long long& places, bool hold = false);

enum class TreeChange {
    done,
    changed_underneath,  // someone changed the tree since it was read: nothing done
    name_taken,          // the name is on that level already (someone was quicker)
    failed,              // the reason is the database's last diagnostic
};

// Each of these is one transaction, refused unless the tree is still at
// `version`; the stored paths of Store and of every role's Temp follow the
// node. On success the tree's version is one higher.
TreeChange create_shared_node(db::Database& database, schema::TreeKind tree, long long version, int parent,
                              const QString& name, int level);
TreeChange rename_shared_node(db::Database& database, schema::TreeKind tree, long long version, int node,
                              const QString& name, const QString& old_path, const QString& new_path);
// Hangs the node with its subtree under `parent`, `shift` levels deeper (or
// higher, when negative).
TreeChange move_shared_node(db::Database& database, schema::TreeKind tree, long long version, int node, int parent,
                            int shift, const QString& old_path, const QString& new_path);
// The node with its subtree and, with `with_items`, the stored items under it.
TreeChange delete_shared_node(db::Database& database, schema::TreeKind tree, long long version, int node,
                              const QString& path, bool with_items);

// Adds the nodes the paths need that the tree lacks; a path that would put
// a name on a level where another parent holds it adds only what comes
// before that name, as on a file. Inside the caller's transaction when one
// is open, otherwise in one of its own that waits for other changes of the
// tree. The number of nodes added, or -1 on a failure.
int add_shared_paths(db::Database& database, schema::TreeKind tree, const QStringList& paths);

}  // namespace detalehran::trees
