#include "schema/server_tables.h"

#include "schema/store_columns.h"

namespace detalehran::schema {

namespace {

std::string q(std::string_view name) { return quoted(Quote::double_quotes, name); }

// Text compares as people expect in every alphabet, as in Store.
constexpr std::string_view kText = " text COLLATE \"und-x-icu\"";

std::string parked_table() {
    const std::string table = public_table(kParkedTable);
    const std::string role = q(kParkedRole);
    return "CREATE TABLE " + table + " (" + postgres_item_columns("integer PRIMARY KEY") + ", " + role +
           " text NOT NULL DEFAULT CURRENT_USER)";
}

// Everyone sees what is being moved; a role parks, returns and drops only
// its own rows. The paths of every parked row may be rewritten, so that a
// rename of a section reaches the items someone is moving through it
// (which columns may be changed is a matter of the grants).
std::vector<std::string> parked_policies() {
    const std::string table = public_table(kParkedTable);
    const std::string own = "(" + q(kParkedRole) + " = CURRENT_USER)";
    return {
        "ALTER TABLE " + table + " ENABLE ROW LEVEL SECURITY",
        "CREATE POLICY " + q("Temp_read") + " ON " + table + " FOR SELECT USING (true)",
        "CREATE POLICY " + q("Temp_park") + " ON " + table + " FOR INSERT WITH CHECK " + own,
        "CREATE POLICY " + q("Temp_paths") + " ON " + table + " FOR UPDATE USING (true) WITH CHECK (true)",
        "CREATE POLICY " + q("Temp_return") + " ON " + table + " FOR DELETE USING " + own,
    };
}

std::string node_table() {
    const std::string table = public_table(kNodeTable);
    return "CREATE TABLE " + table + " (" + q(kNodeId) + " integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY, " +
           q(kNodeTree) + " smallint NOT NULL CHECK (" + q(kNodeTree) + " IN (0, 1)), " + q(kNodeParent) +
           " integer REFERENCES " + table + " ON DELETE CASCADE, " + q(kNodeName) + std::string(kText) + " NOT NULL, " +
           q(kNodeLevel) + " integer NOT NULL CHECK (" + q(kNodeLevel) + " >= 0))";
}

// One name per level of a tree, letter case aside, as in a settings file:
// a node is known by its name and level there. A digest keeps names of any
// length indexable. The rule may wait until commit, for a subtree that is
// moved a level up or down with names repeating inside it.
std::string node_name_rule() {
    return "ALTER TABLE " + public_table(kNodeTable) + " ADD CONSTRAINT " + q("Node_name") + " EXCLUDE USING btree (" +
           q(kNodeTree) + " WITH =, " + q(kNodeLevel) + " WITH =, (md5(lower(" + q(kNodeName) +
           "))) WITH =) DEFERRABLE INITIALLY IMMEDIATE";
}

std::string node_parent_index() {
    return "CREATE INDEX " + q("Node_parent") + " ON " + public_table(kNodeTable) + " (" + q(kNodeParent) + ")";
}

std::string roots() {
    return "INSERT INTO " + public_table(kNodeTable) + " (" + q(kNodeTree) + ", " + q(kNodeParent) + ", " +
           q(kNodeName) + ", " + q(kNodeLevel) + ") VALUES (0, NULL, 'Все', 0), (1, NULL, 'Все', 0)";
}

std::string version_table() {
    return "CREATE TABLE " + public_table(kTreeVersionTable) + " (" + q(kVersionTree) + " smallint PRIMARY KEY, " +
           q(kVersion) + " bigint NOT NULL DEFAULT 0)";
}

std::string setting_table() {
    return "CREATE TABLE " + public_table(kSettingTable) + " (" + q(kSettingName) + " text PRIMARY KEY, " +
           q(kSettingValue) + " text NOT NULL)";
}

// The values of a first start: no highlight, a minimum of 5, red.
std::string setting_defaults() {
    auto row = [](std::string_view name, std::string_view value) {
        return "('" + std::string(name) + "', '" + std::string(value) + "')";
    };
    return "INSERT INTO " + public_table(kSettingTable) + " VALUES " + row(kHighlightOnSetting, "0") + ", " +
           row(kMinimumSetting, "5") + ", " + row(kColourSetting, "255");
}

}  // namespace

std::string public_table(std::string_view name) { return "public." + q(name); }

std::vector<ServerTable> postgres_team_tables() {
    std::vector<std::string> parked{parked_table()};
    for (std::string& policy : parked_policies()) parked.push_back(std::move(policy));
    return {
        {kParkedTable, std::move(parked)},
        {kNodeTable, {node_table(), node_name_rule(), node_parent_index(), roots()}},
        {kTreeVersionTable,
         {version_table(), "INSERT INTO " + public_table(kTreeVersionTable) + " VALUES (0, 0), (1, 0)"}},
        {kSettingTable, {setting_table(), setting_defaults()}},
    };
}

std::vector<std::string_view> granted_tables() {
    return {kStoreTable, kPackageTable, kParkedTable, kNodeTable, kTreeVersionTable, kSettingTable};
}

std::vector<std::string> postgres_grants(std::string_view role, Access access) {
    const std::string r = q(role);
    std::vector<std::string> out{"GRANT USAGE ON SCHEMA public TO " + r};
    std::string all;
    for (std::string_view table : granted_tables()) all += (all.empty() ? "" : ", ") + public_table(table);
    out.push_back("GRANT SELECT ON " + all + " TO " + r);
    if (access == Access::reader) return out;
    const std::string change = "GRANT INSERT, UPDATE, DELETE ON ";
    out.push_back(change + public_table(kStoreTable) + ", " + public_table(kPackageTable) + ", " +
                  public_table(kNodeTable) + " TO " + r);
    out.push_back("GRANT UPDATE ON " + public_table(kTreeVersionTable) + " TO " + r);
    out.push_back("GRANT INSERT, UPDATE ON " + public_table(kSettingTable) + " TO " + r);
    out.push_back("GRANT INSERT, DELETE ON " + public_table(kParkedTable) + " TO " + r);
    out.push_back("GRANT UPDATE (" + q(column_name(kSectionPath)) + ", " + q(column_name(kPlace)) + ") ON " +
                  public_table(kParkedTable) + " TO " + r);
    return out;
}

std::vector<std::string> postgres_revokes(std::string_view role) {
    std::string all;
    for (std::string_view table : granted_tables()) all += (all.empty() ? "" : ", ") + public_table(table);
    // A table's REVOKE takes the column rights with it.
    return {"REVOKE ALL ON " + all + " FROM " + q(role)};
}

}  // namespace detalehran::schema
