#pragma once
// Statements only a team's server has (schema/server_tables.h): the shared
// section and place trees, the team's settings, the items each role is
// moving, and the mark by which a running program of a role is known. On a
// file their text is empty: the file keeps its trees in Store.ini.

#include <string>

#include "db/statement.h"
#include "schema/server_tables.h"
#include "schema/store_columns.h"

namespace detalehran::db {

// Rows of kSelectTreeNodes: ID, tree, parent (empty for a root), name, level.
enum TreeNodeColumn : int { kNodeIdColumn = 0, kNodeTreeColumn, kNodeParentColumn, kNodeNameColumn, kNodeLevelColumn };
extern const Statement kSelectTreeNodes;
// Rows: tree, version.
extern const Statement kSelectTreeVersions;
// The same, holding both versions until the transaction ends: a change of
// a tree waits for it, so the paths read with them stay valid meanwhile.
extern const Statement kHoldTreeVersions;
// The tree's version as the one row, the tree locked against other changes
// until the transaction ends.
Statement lock_tree_version(schema::TreeKind tree);
// Raises the tree's version, only while it is still `version`: no row
// matches when someone else changed the tree since it was read.
Statement raise_tree_version(schema::TreeKind tree, long long version);
// A new node; the server returns its ID as the one row.
Statement insert_tree_node(schema::TreeKind tree, int parent, const std::string& name, int level);
Statement rename_tree_node(int node, const std::string& name);
// Hangs the node under another parent and shifts the levels of its whole
// subtree by `shift`.
Statement set_tree_node_parent(int node, int parent);
Statement shift_subtree_levels(int node, int shift);
// The node with its subtree (the rows below go with it).
Statement delete_tree_node(int node);
// The one-name-per-level rule is checked when the transaction commits, so
// that a subtree moved a level up or down may pass through a clash of its
// own names on the way.
extern const Statement kCheckNodeNamesAtCommit;
// Every path of the column that starts with old_prefix gets new_prefix in
// its place, in Store, or in the Temp of every role (table kParkedTable).
Statement replace_path_prefix(std::string_view table, schema::ItemColumn column, const std::string& old_prefix,
                              const std::string& new_prefix);

// Rows: name, value.
extern const Statement kSelectTeamSettings;
Statement store_team_setting(std::string_view name, const std::string& value);

// The role whose cut parked the item, as the one row; no row when nobody is
// moving it.
Statement select_parking_role(const std::string& id);
// Rows: role, ID, name, section path, place path of every parked item.
extern const Statement kSelectEveryParked;
// A role's parked items back into Store (those whose ID is free there), and
// then out of Temp (those that are back); for an administrator, whom Temp's
// rules let do this for any role.
Statement return_parked_of(const std::string& role);
Statement drop_returned_parked_of(const std::string& role);

// While a program of a role is connected, it holds an advisory lock of this
// class keyed by its role (db/server_session.cpp); the lock goes with its
// connection, however the program ends. The class is the bytes "DTLH".
inline constexpr const char* kProgramMarkClass = "1146375240";
// One row: whether a program of the role is connected now.
Statement select_program_running(const std::string& role);
// Takes the role's mark for an administrator's work on its parked items,
// and gives it back.
Statement take_program_mark_of(const std::string& role);
Statement release_program_mark_of(const std::string& role);

// For the administrator's tool.
// One row: whether the public schema has the table.
Statement select_table_exists(std::string_view table);
// Rows: role, whether it may change items; every role other than the
// owner with a right on Store: the users of a store made before the team's
// tables, who get their rights on those tables too.
extern const Statement kSelectStoreUsers;
// Rows: the schemas (named after their roles) that hold a Temp of a store
// made before Temp was one table for everyone.
extern const Statement kSelectOldParkedTables;
// Such a schema's parked rows into the shared Temp, marked with the role,
// and then out of the old table.
Statement move_old_parked(const std::string& role_schema);
Statement empty_old_parked(const std::string& role_schema);
// One row: whether a role of that name exists on the server.
Statement select_role_exists(const std::string& role);

}  // namespace detalehran::db
