#include "trees/shared_trees.h"

#include <algorithm>
#include <functional>
#include <map>

#include "db/operation.h"
#include "db/statements.h"
#include "db/team_statements.h"
#include "trees/node_operations.h"

namespace detalehran::trees {

namespace {

using schema::TreeKind;

struct Row {
    int id = 0;
    int parent = 0;  // 0 for a root
    QString name;
};

// A tree's rows in pre-order from its root, siblings by name.
NodeList pre_order(const std::vector<Row>& rows) {
    std::map<int, std::vector<const Row*>> children;
    const Row* root = nullptr;
    for (const Row& row : rows) {
        if (row.parent == 0) {
            if (root == nullptr) root = &row;
        } else {
            children[row.parent].push_back(&row);
        }
    }
    NodeList nodes;
    if (root == nullptr) return nodes;
    const std::function<void(const Row&, int)> walk = [&](const Row& row, int level) {
        nodes.push_back(TreeNode{row.name, level, row.id});
        auto found = children.find(row.id);
        if (found == children.end()) return;
        std::vector<const Row*>& below = found->second;
        std::sort(below.begin(), below.end(), [](const Row* a, const Row* b) {
            const int folded = a->name.compare(b->name, Qt::CaseInsensitive);
            return folded != 0 ? folded < 0 : a->id < b->id;
        });
        for (const Row* child : below) walk(*child, level + 1);
    };
    walk(*root, 0);
    return nodes;
}

int number(const std::string& text) { return text.empty() ? 0 : std::stoi(text); }

bool is_duplicate(const db::Diagnostic& why) { return why.sqlstate == "23505" || why.sqlstate == "23P01"; }

// Runs `change` in a transaction that first raises the tree's version from
// `version`; the outcome, with the transaction committed or rolled back.
TreeChange in_transaction(db::Database& database, TreeKind tree, long long version, const QString& caption,
                          const std::function<bool()>& change) {
    if (!database.begin_transaction()) return TreeChange::failed;
    if (!db::set_operation_caption(database, caption.toStdString())) {
        database.end_transaction(false);
        return TreeChange::failed;
    }
    if (!database.db_update(db::raise_tree_version(tree, version))) {
        const bool moved_on = database.last_diagnostic().sqlstate == db::kNoRowMatched;
        database.end_transaction(false);
        return moved_on ? TreeChange::changed_underneath : TreeChange::failed;
    }
    const bool ok = change();
    if (database.end_transaction(ok)) return TreeChange::done;
    return is_duplicate(database.last_diagnostic()) ? TreeChange::name_taken : TreeChange::failed;
}

// "раздел" or "место хранения", for the history's captions.
QString node_word(TreeKind tree) {
    return tree == TreeKind::sections ? QString::fromUtf8("раздел") : QString::fromUtf8("место хранения");
}

QString last_name(const QString& path) {
    const QStringList names = path.split('|', Qt::SkipEmptyParts);
    return names.isEmpty() ? path : names.back();
}

// The paths under old_path now start with new_path: in Store, and in the
// Temp of every role, so that an item someone is moving arrives with them.
bool move_paths(db::Database& database, TreeKind tree, const QString& old_path, const QString& new_path) {
    if (old_path == new_path) return true;
    const std::string from = old_path.toStdString();
    const std::string to = new_path.toStdString();
    for (std::string_view table : {schema::kStoreTable, schema::kParkedTable}) {
        if (!database.db_update(db::replace_path_prefix(table, path_column(tree), from, to)) &&
            database.last_diagnostic().sqlstate != db::kNoRowMatched) {
            return false;
        }
    }
    return true;
}

bool read_nodes(db::Database& database, SharedTrees& trees) {
    if (!database.db_query(db::kSelectTreeNodes)) return false;
    std::vector<Row> rows[2];
    while (database.db_next_row()) {
        const int tree = number(database.db_text(db::kNodeTreeColumn));
        if (tree != 0 && tree != 1) continue;
        rows[tree].push_back(Row{number(database.db_text(db::kNodeIdColumn)),
                                 number(database.db_text(db::kNodeParentColumn)),
                                 QString::fromStdString(database.db_text(db::kNodeNameColumn))});
    }
    const bool complete = database.last_diagnostic().empty();
    database.db_finish();
    trees.sections = pre_order(rows[0]);
    trees.places = pre_order(rows[1]);
    return complete;
}

}  // namespace

schema::ItemColumn path_column(TreeKind tree) {
    return tree == TreeKind::places ? schema::kPlace : schema::kSectionPath;
}

bool read_tree_versions(db::Database& database, long long& sections, long long& places, bool hold) {
    if (!database.db_query(hold ? db::kHoldTreeVersions : db::kSelectTreeVersions)) return false;
    while (database.db_next_row()) {
        const std::string tree = database.db_text(0);
        const long long version = std::stoll("0" + database.db_text(1));
        (tree == "1" ? places : sections) = version;
    }
    const bool complete = database.last_diagnostic().empty();
    database.db_finish();
    return complete;
}

bool read_shared_trees(db::Database& database, SharedTrees& trees) {
    // The versions first: a change that lands between the two reads makes
    // the trees newer than their versions, and the next change is refused
    // and reads them again, never the other way round.
    if (!read_tree_versions(database, trees.section_version, trees.place_version)) return false;
    if (!read_nodes(database, trees)) return false;
    return !trees.sections.empty() && !trees.places.empty();
}

TreeChange create_shared_node(db::Database& database, TreeKind tree, long long version, int parent, const QString& name,
                              int level) {
    const QString caption = QString::fromUtf8("Новый %1 «%2»").arg(node_word(tree), name);
    return in_transaction(database, tree, version, caption, [&] {
        std::string id;
        return database.db_insert(db::insert_tree_node(tree, parent, name.toStdString(), level), id);
    });
}

TreeChange rename_shared_node(db::Database& database, TreeKind tree, long long version, int node, const QString& name,
                              const QString& old_path, const QString& new_path) {
    const QString caption =
        QString::fromUtf8("Переименование: %1 «%2» → «%3»").arg(node_word(tree), last_name(old_path), name);
    return in_transaction(database, tree, version, caption, [&] {
        return database.db_update(db::rename_tree_node(node, name.toStdString())) &&
               move_paths(database, tree, old_path, new_path);
    });
}

TreeChange move_shared_node(db::Database& database, TreeKind tree, long long version, int node, int parent, int shift,
                            const QString& old_path, const QString& new_path) {
    const QString caption = QString::fromUtf8("Перенос: %1 «%2» → %3").arg(node_word(tree), last_name(old_path), new_path);
    return in_transaction(database, tree, version, caption, [&] {
        return database.db_update(db::kCheckNodeNamesAtCommit) &&
               database.db_update(db::set_tree_node_parent(node, parent)) &&
               (shift == 0 || database.db_update(db::shift_subtree_levels(node, shift))) &&
               move_paths(database, tree, old_path, new_path);
    });
}

TreeChange delete_shared_node(db::Database& database, TreeKind tree, long long version, int node, const QString& path,
                              bool with_items) {
    const QString caption = QString::fromUtf8(with_items ? "Удаление: %1 «%2» с деталями" : "Удаление: %1 «%2»")
                                .arg(node_word(tree), path);
    return in_transaction(database, tree, version, caption, [&] {
        if (with_items && !database.db_update(db::delete_items_under(path_column(tree), path.toStdString())) &&
            database.last_diagnostic().sqlstate != db::kNoRowMatched) {
            return false;
        }
        return database.db_update(db::delete_tree_node(node));
    });
}

int add_shared_paths(db::Database& database, TreeKind tree, const QStringList& paths) {
    const bool own = !database.in_transaction();
    if (own && !database.begin_transaction()) return -1;
    int added = 0;
    const auto run = [&]() {
        long long version = 0;
        if (!database.db_query(db::lock_tree_version(tree))) return false;
        if (database.db_next_row()) version = std::stoll("0" + database.db_text(0));
        database.db_finish();
        SharedTrees trees;
        if (!read_nodes(database, trees)) return false;
        NodeList& nodes = trees.nodes(tree);
        NodeList wanted = nodes;
        build_tree_from_values(wanted, paths);
        // The new nodes, each below a parent that is stored by then: the
        // built list keeps the old nodes' IDs and gets the new ones in order.
        for (std::size_t i = 1; i < wanted.size(); ++i) {
            TreeNode& node = wanted[i];
            if (node.id != 0) continue;
            const int parent = parent_of(wanted, static_cast<int>(i));
            std::string id;
            if (parent < 0 ||
                !database.db_insert(db::insert_tree_node(tree, wanted[static_cast<std::size_t>(parent)].id,
                                                         node.name.toStdString(), node.level),
                                    id) ||
                id.empty()) {
                return false;
            }
            node.id = std::stoi(id);
            ++added;
        }
        return added == 0 || database.db_update(db::raise_tree_version(tree, version));
    };
    const bool ok = run();
    if (own && !database.end_transaction(ok)) return -1;
    return ok ? added : -1;
}

}  // namespace detalehran::trees
