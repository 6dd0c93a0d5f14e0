#include "db/team_statements.h"

#include "db/statement_builder.h"
#include "db/statements.h"

namespace detalehran::db {

namespace {

using namespace schema;

constexpr const char* kMarkClass = kProgramMarkClass;

std::string tree_number(TreeKind tree) { return std::to_string(static_cast<int>(tree)); }

Build& node_table(Build& b) { return b.shared(kNodeTable); }

// "key of the role named by the next marker", for the lock functions.
void mark_of_role(Build& b, const std::string& role) {
    b << "(" << kMarkClass << "::bigint << 32) | (SELECT oid::bigint FROM pg_roles WHERE rolname = ";
    b.bind_text(role) << ")";
}

}  // namespace

const Statement kSelectTreeNodes = on_server([](Build& b) {
    b << "SELECT ";
    b.name(kNodeId) << ", ";
    b.name(kNodeTree) << ", ";
    b.name(kNodeParent) << ", ";
    b.name(kNodeName) << ", ";
    b.name(kNodeLevel) << " FROM ";
    node_table(b) << " ORDER BY ";
    b.name(kNodeTree) << ", ";
    b.name(kNodeLevel) << ", ";
    b.name(kNodeId);
});

namespace {

Statement versions(bool hold) {
    return on_server([&](Build& b) {
        b << "SELECT ";
        b.name(kVersionTree) << ", ";
        b.name(kVersion) << " FROM ";
        b.shared(kTreeVersionTable) << " ORDER BY ";
        b.name(kVersionTree) << (hold ? " FOR SHARE" : "");
    });
}

}  // namespace

const Statement kSelectTreeVersions = versions(false);
const Statement kHoldTreeVersions = versions(true);

Statement lock_tree_version(TreeKind tree) {
    return on_server([&](Build& b) {
        b << "SELECT ";
        b.name(kVersion) << " FROM ";
        b.shared(kTreeVersionTable) << " WHERE ";
        b.name(kVersionTree) << " = ";
        b.bind_integer(tree_number(tree)) << " FOR UPDATE";
    });
}

Statement raise_tree_version(TreeKind tree, long long version) {
    return on_server([&](Build& b) {
        b << "UPDATE ";
        b.shared(kTreeVersionTable) << " SET ";
        b.name(kVersion) << " = ";
        b.name(kVersion) << " + 1 WHERE ";
        b.name(kVersionTree) << " = ";
        b.bind_integer(tree_number(tree)) << " AND ";
        b.name(kVersion) << " = ";
        b.bind({Value::Type::text, std::to_string(version)}) << "::bigint";
    });
}

Statement insert_tree_node(TreeKind tree, int parent, const std::string& name, int level) {
    return on_server([&](Build& b) {
        b << "INSERT INTO ";
        node_table(b) << " (";
        b.name(kNodeTree) << ", ";
        b.name(kNodeParent) << ", ";
        b.name(kNodeName) << ", ";
        b.name(kNodeLevel) << ") VALUES (";
        b.bind_integer(tree_number(tree)) << ", ";
        b.bind_integer(std::to_string(parent)) << ", ";
        b.bind_text(name) << ", ";
        b.bind_integer(std::to_string(level)) << ") RETURNING ";
        b.name(kNodeId);
    });
}

Statement rename_tree_node(int node, const std::string& name) {
    return on_server([&](Build& b) {
        b << "UPDATE ";
        node_table(b) << " SET ";
        b.name(kNodeName) << " = ";
        b.bind_text(name) << " WHERE ";
        b.name(kNodeId) << " = ";
        b.bind_integer(std::to_string(node));
    });
}

Statement set_tree_node_parent(int node, int parent) {
    return on_server([&](Build& b) {
        b << "UPDATE ";
        node_table(b) << " SET ";
        b.name(kNodeParent) << " = ";
        b.bind_integer(std::to_string(parent)) << " WHERE ";
        b.name(kNodeId) << " = ";
        b.bind_integer(std::to_string(node));
    });
}

Statement shift_subtree_levels(int node, int shift) {
    return on_server([&](Build& b) {
        b << "WITH RECURSIVE subtree (id) AS (SELECT ";
        b.name(kNodeId) << " FROM ";
        node_table(b) << " WHERE ";
        b.name(kNodeId) << " = ";
        b.bind_integer(std::to_string(node)) << " UNION ALL SELECT n.";
        b.name(kNodeId) << " FROM ";
        node_table(b) << " n JOIN subtree ON n.";
        b.name(kNodeParent) << " = subtree.id) UPDATE ";
        node_table(b) << " SET ";
        b.name(kNodeLevel) << " = ";
        b.name(kNodeLevel) << " + ";
        b.bind_integer(std::to_string(shift)) << " WHERE ";
        b.name(kNodeId) << " IN (SELECT id FROM subtree)";
    });
}

Statement delete_tree_node(int node) {
    return on_server([&](Build& b) {
        b << "DELETE FROM ";
        node_table(b) << " WHERE ";
        b.name(kNodeId) << " = ";
        b.bind_integer(std::to_string(node));
    });
}

const Statement kCheckNodeNamesAtCommit = on_server([](Build& b) {
    b << "SET CONSTRAINTS ";
    b.name("Node_name") << " DEFERRED";
});

Statement replace_path_prefix(std::string_view table, ItemColumn column, const std::string& old_prefix,
                              const std::string& new_prefix) {
    return on_server([&](Build& b) {
        b << "UPDATE ";
        b.shared(table) << " SET ";
        b.column(column) << " = ";
        b.bind_text(new_prefix) << " || substr(";
        b.column(column) << ", char_length(";
        b.bind_text(old_prefix) << ") + 1) WHERE ";
        // The same items a click on the node lists.
        b.column(column) << " ILIKE ";
        b.bind_text(like_escaped(Dialect::postgres, old_prefix, Wildcards::literal) + "%");
    });
}

const Statement kSelectTeamSettings = on_server([](Build& b) {
    b << "SELECT ";
    b.name(kSettingName) << ", ";
    b.name(kSettingValue) << " FROM ";
    b.shared(kSettingTable);
});

Statement store_team_setting(std::string_view name, const std::string& value) {
    return on_server([&](Build& b) {
        b << "INSERT INTO ";
        b.shared(kSettingTable) << " VALUES (";
        b.bind_text(std::string(name)) << ", ";
        b.bind_text(value) << ") ON CONFLICT (";
        b.name(kSettingName) << ") DO UPDATE SET ";
        b.name(kSettingValue) << " = EXCLUDED.";
        b.name(kSettingValue);
    });
}

Statement select_parking_role(const std::string& id) {
    return on_server([&](Build& b) {
        b << "SELECT ";
        b.name(kParkedRole) << " FROM ";
        b.parked() << " WHERE ";
        b.column(kId) << " = ";
        b.bind_integer(id);
    });
}

const Statement kSelectEveryParked = on_server([](Build& b) {
    b << "SELECT ";
    b.name(kParkedRole) << ", ";
    b.column(kId) << ", ";
    b.column(kName) << ", ";
    b.column(kSectionPath) << ", ";
    b.column(kPlace) << " FROM ";
    b.parked() << " ORDER BY ";
    b.name(kParkedRole) << ", ";
    b.column(kName) << ", ";
    b.column(kId);
});

Statement return_parked_of(const std::string& role) {
    return on_server([&](Build& b) {
        const std::string columns = insert_column_list(Quote::double_quotes, WithId::yes, ", ");
        b << "INSERT INTO ";
        b.store() << " OVERRIDING SYSTEM VALUE SELECT " << columns << " FROM ";
        b.parked() << " WHERE ";
        b.name(kParkedRole) << " = ";
        b.bind_text(role) << " AND ";
        b.column(kId) << " NOT IN (SELECT ";
        b.column(kId) << " FROM ";
        b.store() << ")";
    });
}

Statement drop_returned_parked_of(const std::string& role) {
    return on_server([&](Build& b) {
        b << "DELETE FROM ";
        b.parked() << " WHERE ";
        b.name(kParkedRole) << " = ";
        b.bind_text(role) << " AND ";
        b.column(kId) << " IN (SELECT ";
        b.column(kId) << " FROM ";
        b.store() << ")";
    });
}

Statement select_program_running(const std::string& role) {
    return on_server([&](Build& b) {
        b << "SELECT EXISTS (SELECT 1 FROM pg_locks WHERE locktype = 'advisory' AND granted AND classid = "
          << kMarkClass << " AND objsubid = 1 AND objid = (SELECT oid FROM pg_roles WHERE rolname = ";
        b.bind_text(role) << ") AND database = (SELECT oid FROM pg_database WHERE datname = current_database()))";
    });
}

Statement take_program_mark_of(const std::string& role) {
    return on_server([&](Build& b) {
        b << "SELECT pg_try_advisory_lock(";
        mark_of_role(b, role);
        b << ")";
    });
}

Statement release_program_mark_of(const std::string& role) {
    return on_server([&](Build& b) {
        b << "SELECT pg_advisory_unlock(";
        mark_of_role(b, role);
        b << ")";
    });
}

Statement select_table_exists(std::string_view table) {
    return on_server([&](Build& b) {
        b << "SELECT to_regclass(";
        b.bind_text(public_table(table)) << ") IS NOT NULL";
    });
}

const Statement kSelectStoreUsers = on_server([](Build& b) {
    b << "SELECT grantee, bool_or(privilege_type IN ('INSERT', 'UPDATE', 'DELETE')) FROM "
         "information_schema.role_table_grants WHERE table_schema = 'public' AND table_name = ";
    b.bind_text(std::string(kStoreTable)) << " AND grantee <> CURRENT_USER AND grantee <> 'PUBLIC' "
                                             "GROUP BY grantee ORDER BY grantee";
});

const Statement kSelectOldParkedTables = on_server([](Build& b) {
    b << "SELECT n.nspname FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace WHERE c.relname = ";
    b.bind_text(std::string(kParkedTable)) << " AND c.relkind = 'r' AND n.nspname <> 'public' AND n.nspname NOT "
                                              "LIKE 'pg\\_%' AND n.nspname <> 'information_schema' ORDER BY 1";
});

Statement move_old_parked(const std::string& role_schema) {
    return on_server([&](Build& b) {
        const std::string columns = insert_column_list(Quote::double_quotes, WithId::yes, ", ");
        b << "INSERT INTO ";
        b.parked() << " (" << columns << ", ";
        b.name(kParkedRole) << ") SELECT " << columns << ", ";
        b.bind_text(role_schema) << " FROM ";
        b.name(role_schema) << ".";
        b.name(kParkedTable) << " WHERE ";
        b.column(kId) << " NOT IN (SELECT ";
        b.column(kId) << " FROM ";
        b.parked() << ")";
    });
}

Statement empty_old_parked(const std::string& role_schema) {
    return on_server([&](Build& b) {
        b << "DELETE FROM ";
        b.name(role_schema) << ".";
        b.name(kParkedTable) << " WHERE ";
        b.column(kId) << " IN (SELECT ";
        b.column(kId) << " FROM ";
        b.parked() << ")";
    });
}

Statement select_role_exists(const std::string& role) {
    return on_server([&](Build& b) {
        b << "SELECT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = ";
        b.bind_text(role) << ")";
    });
}

}  // namespace detalehran::db
