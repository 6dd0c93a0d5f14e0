// The history of a store file: two tables and, on each of Store, Package and
// Temp, three triggers that write a row of History for every row changed.
// The triggers carry "WHEN history_on()" so that a writer filling a new
// file leaves no history of it (store/store_history.h).

#include "schema/history_tables.h"
#include "schema/store_columns.h"

namespace detalehran::schema {

namespace {

std::string q(std::string_view name) { return quoted(Quote::double_quotes, name); }

// The operation of the transaction, made by the first change in it: the
// newest operation is this transaction's when it carries its key. Rolled
// back with a failed statement, it is made again by the next one.
std::string ensure_operation() {
    const std::string ops = q(kOperationTable);
    return "INSERT INTO " + ops + " (" + q(kOperationCaption) + ", " + q(kOperationChanged) + ", " + q(kOperationWho) +
           ", " + q(kOperationReverts) + ", " + q(kOperationTransaction) +
           ") SELECT history_caption(), strftime('%Y-%m-%d %H:%M:%S', 'now'), history_who(), history_reverts(), "
           "history_key() WHERE NOT EXISTS (SELECT 1 FROM " +
           ops + " WHERE " + q(kOperationId) + " = (SELECT max(" + q(kOperationId) + ") FROM " + ops + ") AND " +
           q(kOperationTransaction) + " = history_key());";
}

struct Column {
    std::string name;
    bool money;
};

std::vector<Column> columns_of(std::string_view table) {
    if (table == kPackageTable) return {{std::string(kPackageColumn), false}};
    std::vector<Column> out;
    for (const ColumnSpec& c : kItemColumns) out.push_back({std::string(c.name), c.kind == Kind::money});
    return out;
}

std::string sql_literal(std::string_view text) {
    std::string out = "'";
    for (const char c : text) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

std::string name_argument(const Column& c) { return sql_literal((c.money ? "$" : "") + c.name); }

// history_values('name', ROW."name", ...)
std::string row_values(std::string_view table, std::string_view row) {
    std::string out = "history_values(";
    bool first = true;
    for (const Column& c : columns_of(table)) {
        out += (first ? "" : ", ") + name_argument(c) + ", " + std::string(row) + "." + q(c.name);
        first = false;
    }
    return out + ")";
}

// history_changes(side, 'name', OLD."name", NEW."name", ...)
std::string changed_values(std::string_view table, int side) {
    std::string out = "history_changes(" + std::to_string(side);
    for (const Column& c : columns_of(table))
        out += ", " + name_argument(c) + ", OLD." + q(c.name) + ", NEW." + q(c.name);
    return out + ")";
}

// Any column that differs, letter case included.
std::string anything_changed(std::string_view table) {
    std::string out;
    for (const Column& c : columns_of(table)) {
        out += (out.empty() ? "" : " OR ") + std::string("OLD.") + q(c.name) + " IS NOT NEW." + q(c.name) +
               " COLLATE BINARY";
    }
    return "(" + out + ")";
}

constexpr std::string_view kTables[] = {kStoreTable, kPackageTable, kParkedTable};
constexpr std::string_view kKinds[] = {"insert", "update", "delete"};

std::string trigger_name(std::string_view table, std::string_view kind) {
    return "History_" + std::string(table) + "_" + std::string(kind);
}

std::string trigger(std::string_view table, std::string_view kind) {
    const bool package = table == kPackageTable;
    const std::string row = kind == "delete" ? "OLD" : "NEW";
    std::string when = "history_on()";
    if (kind == "update") when += " AND " + anything_changed(table);
    const std::string before = kind == "insert"   ? "NULL"
                               : kind == "delete" ? row_values(table, "OLD")
                                                  : changed_values(table, 0);
    const std::string after = kind == "delete"   ? "NULL"
                              : kind == "insert" ? row_values(table, "NEW")
                                                 : changed_values(table, 1);
    std::string kind_upper(kind);
    for (char& c : kind_upper) c = static_cast<char>(c - 'a' + 'A');
    return "CREATE TRIGGER IF NOT EXISTS " + q(trigger_name(table, kind)) + " AFTER " + kind_upper + " ON " + q(table) +
           " WHEN " + when + " BEGIN " + ensure_operation() + " INSERT INTO " + q(kHistoryTable) + " (" +
           q(kHistoryOperation) + ", " + q(kHistoryTableName) + ", " + q(kHistoryKind) + ", " + q(kHistoryItemId) +
           ", " + q(kHistoryBefore) + ", " + q(kHistoryAfter) + ") VALUES ((SELECT max(" + q(kOperationId) + ") FROM " +
           q(kOperationTable) + "), " + sql_literal(table) + ", " + sql_literal(kind) + ", " +
           (package ? std::string("NULL") : row + "." + q(column_name(kId))) + ", " + before + ", " + after + "); END";
}

}  // namespace

std::vector<std::string> sqlite_history_statements() {
    std::vector<std::string> out = {
        // AUTOINCREMENT: an operation's number is never given again, even
        // after the oldest ones were pruned.
        "CREATE TABLE IF NOT EXISTS " + q(kOperationTable) + " (" + q(kOperationId) +
            " INTEGER PRIMARY KEY AUTOINCREMENT, " + q(kOperationCaption) + " TEXT COLLATE JETCI, " +
            q(kOperationChanged) + " TEXT NOT NULL, " + q(kOperationWho) + " TEXT, " + q(kOperationReverts) +
            " INTEGER, " + q(kOperationTransaction) + " INTEGER)",
        "CREATE TABLE IF NOT EXISTS " + q(kHistoryTable) + " (" + q(kHistoryId) + " INTEGER PRIMARY KEY, " +
            q(kHistoryOperation) + " INTEGER NOT NULL, " + q(kHistoryTableName) + " TEXT NOT NULL, " +
            q(kHistoryKind) + " TEXT NOT NULL, " + q(kHistoryItemId) + " INTEGER, " + q(kHistoryBefore) + " TEXT, " +
            q(kHistoryAfter) + " TEXT)",
        // An operation's rows, a part's operations; the operations of an
        // author and of a period are few and cheap to index.
        "CREATE INDEX IF NOT EXISTS \"History_Operation\" ON " + q(kHistoryTable) + " (" + q(kHistoryOperation) + ")",
        "CREATE INDEX IF NOT EXISTS \"History_ItemID\" ON " + q(kHistoryTable) + " (" + q(kHistoryItemId) + ")",
        "CREATE INDEX IF NOT EXISTS \"HistoryOperations_Who\" ON " + q(kOperationTable) + " (" + q(kOperationWho) +
            ")",
        "CREATE INDEX IF NOT EXISTS \"HistoryOperations_Changed\" ON " + q(kOperationTable) + " (" +
            q(kOperationChanged) + ")",
        "CREATE INDEX IF NOT EXISTS \"HistoryOperations_Reverts\" ON " + q(kOperationTable) + " (" +
            q(kOperationReverts) + ")",
    };
    for (const std::string_view table : kTables) {
        for (const std::string_view kind : kKinds) out.push_back(trigger(table, kind));
    }
    return out;
}

std::vector<std::string> sqlite_history_objects() {
    std::vector<std::string> out = {std::string(kOperationTable), std::string(kHistoryTable)};
    for (const std::string_view table : kTables) {
        for (const std::string_view kind : kKinds) out.push_back(trigger_name(table, kind));
    }
    return out;
}

}  // namespace detalehran::schema
