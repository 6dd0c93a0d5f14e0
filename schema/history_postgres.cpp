// The history on a PostgreSQL server: statement-level triggers with
// transition tables, so that a statement writing 100,000 rows adds one
// INSERT … SELECT to History rather than 100,000 calls. The trigger
// functions run as the store's owner (SECURITY DEFINER): a role that may
// not write History still gets its changes recorded.

#include "schema/history_tables.h"
#include "schema/server_tables.h"
#include "schema/store_columns.h"

#include <tuple>

namespace detalehran::schema {

namespace {

std::string q(std::string_view name) { return quoted(Quote::double_quotes, name); }

std::string literal(std::string_view text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

// Only the catalog and the temporary schema last: every name below is
// written with its schema, so nothing a role creates is called as the owner.
constexpr std::string_view kDefinerPath = " SECURITY DEFINER SET search_path = pg_catalog, pg_temp";

// The function that finds or opens the operation of the running transaction.
constexpr std::string_view kOperationFunction = "public.detalehran_history_operation()";

// A table whose changes are recorded: its columns, and the one that
// identifies a row (empty: the row is its own key, as a package type).
struct Column {
    std::string_view name;
    bool text;  // a number's text needs no escaping
};
struct Recorded {
    std::string_view table;
    std::vector<Column> columns;
    std::string_view key;
};

std::vector<Recorded> recorded_tables() {
    std::vector<Column> items;
    for (const ColumnSpec& c : kItemColumns) items.push_back({c.name, c.kind == Kind::text});
    std::vector<Column> parked = items;
    parked.push_back({kParkedRole, true});
    return {
        {kStoreTable, items, column_name(kId)},
        {kPackageTable, {{kPackageColumn, true}}, {}},
        {kParkedTable, parked, column_name(kId)},
        {kNodeTable,
         {{kNodeId, false}, {kNodeTree, false}, {kNodeParent, false}, {kNodeName, true}, {kNodeLevel, false}},
         kNodeId},
    };
}

std::string history() { return public_table(kHistoryTable); }
std::string operations() { return public_table(kOperationTable); }

// Every value as its text (numbers and money too), NULL columns left out.
// Written out by concatenation: jsonb_build_object costs twice as much a
// row, which an import of 100,000 parts feels.
std::string row_object(const Recorded& t, std::string_view row) {
    std::string out;
    for (const Column& c : t.columns) {
        const std::string value = std::string(row) + "." + q(c.name);
        const std::string key = "'\"" + std::string(c.name) + "\": ";
        out += (out.empty() ? "" : ", ") +
               (c.text ? key + "' || to_json(" + value + ")" : key + "\"' || " + value + " || '\"'");
    }
    return "'{' || concat_ws(', ', " + out + ") || '}'";
}

// The columns an update changed, as the pair (b, a) of objects; NULL when
// it changed none.
std::string changed_objects(const Recorded& t) {
    std::string values;
    for (const Column& c : t.columns) {
        values += (values.empty() ? "(" : ", (") + literal(c.name) + ", o." + q(c.name) + "::text, n." + q(c.name) +
                  "::text)";
    }
    return "(SELECT jsonb_object_agg(k, b)::text AS b, jsonb_object_agg(k, a)::text AS a FROM (VALUES " + values +
           ") AS c(k, b, a) WHERE b IS DISTINCT FROM a)";
}

std::string item(const Recorded& t, std::string_view row) {
    return t.key.empty() ? "NULL::bigint" : std::string(row) + "." + q(t.key);
}

// Rows of one side with no row of the same key on the other side.
std::string unmatched(const Recorded& t, std::string_view from, std::string_view other) {
    std::string same;
    if (t.key.empty()) {
        for (const Column& c : t.columns) {
            same += (same.empty() ? "" : " AND ") + ("x." + q(c.name) + " = y." + q(c.name));
        }
    } else {
        same = "x." + q(t.key) + " = y." + q(t.key);
    }
    return std::string(from) + " x WHERE NOT EXISTS (SELECT 1 FROM " + std::string(other) + " y WHERE " + same + ")";
}

std::string history_insert(std::string_view table, std::string_view operation) {
    return "INSERT INTO " + history() + " (" + q(kHistoryOperation) + ", " + q(kHistoryTableName) + ", " +
           q(kHistoryKind) + ", " + q(kHistoryItemId) + ", " + q(kHistoryBefore) + ", " + q(kHistoryAfter) +
           ") SELECT " + std::string(operation) + ", " + literal(table) + ", ";
}

constexpr std::string_view kCaption = "coalesce(current_setting('detalehran.caption', true), '')";
// The caption the operation was last given, kept for the transaction.
constexpr std::string_view kRecordedCaption = "coalesce(current_setting('detalehran.recorded_caption', true), '')";

// The rows of an insert or a delete. An import sends one statement a part:
// what each costs counts, so while the transaction's operation exists the
// rows go in with one statement that finds it; the first change makes it.
std::string inserted_or_deleted(const Recorded& t, bool insert) {
    const std::string rows = insert ? "new_rows" : "old_rows";
    const std::string values = (insert ? "'insert', " + item(t, "n") + ", NULL, " + row_object(t, "n")
                                       : "'delete', " + item(t, "n") + ", " + row_object(t, "n") + ", NULL") +
                               " FROM " + rows + " n";
    const std::string function(kOperationFunction);
    return history_insert(t.table, "o." + q(kOperationId)) + values + ", " + operations() + " o WHERE o." +
           q(kOperationTransaction) + " = txid_current();\n" + "IF FOUND THEN\n" + "IF " + std::string(kCaption) +
           " NOT IN ('', " + std::string(kRecordedCaption) + ") THEN PERFORM " + function + "; END IF;\n" +
           "RETURN NULL;\nEND IF;\n" + "IF NOT EXISTS (SELECT 1 FROM " + rows + ") THEN RETURN NULL; END IF;\n" +
           "v_operation := " + function + ";\n" + history_insert(t.table, "v_operation") + values + ";\n";
}

// One function for the three triggers of a table: each runs it with the
// transition tables of its event (a trigger with transition tables has
// one event).
std::string trigger_function(const Recorded& t) {
    // An update that changed a key (a package type's name) is the delete of
    // the old row and the insert of the new one.
    std::string changes = "SELECT 0 AS s, 'delete' AS kind, " + item(t, "x") + " AS item, " + row_object(t, "x") +
                          " AS b, NULL AS a FROM " + unmatched(t, "old_rows", "new_rows") +
                          " UNION ALL SELECT 1, 'insert', " + item(t, "x") + ", NULL, " + row_object(t, "x") +
                          " FROM " + unmatched(t, "new_rows", "old_rows");
    if (!t.key.empty()) {
        changes += " UNION ALL SELECT 2, 'update', n." + q(t.key) + ", d.b, d.a FROM old_rows o JOIN new_rows n ON n." +
                   q(t.key) + " = o." + q(t.key) + " CROSS JOIN LATERAL " + changed_objects(t) +
                   " AS d WHERE d.b IS NOT NULL";
    }
    const std::string updated = "WITH c AS MATERIALIZED (" + changes +
                                "), op AS MATERIALIZED (SELECT " + std::string(kOperationFunction) +
                                " AS id WHERE EXISTS (SELECT 1 FROM c)) " +
                                "INSERT INTO " + history() + " (" + q(kHistoryOperation) + ", " +
                                q(kHistoryTableName) + ", " + q(kHistoryKind) + ", " + q(kHistoryItemId) + ", " +
                                q(kHistoryBefore) + ", " + q(kHistoryAfter) + ") SELECT op.id, " + literal(t.table) +
                                ", c.kind, c.item, c.b, c.a FROM op, c ORDER BY c.s, c.item;\n";
    return "CREATE OR REPLACE FUNCTION public." + q("History_" + std::string(t.table)) +
           "() RETURNS trigger LANGUAGE plpgsql" + std::string(kDefinerPath) +
           " AS $f$\nDECLARE v_operation bigint;\nBEGIN\n"
           // A history dropped by hand records nothing and stops nobody.
           "IF to_regclass('public.\"History\"') IS NULL OR to_regclass('public.\"HistoryOperations\"') IS NULL "
           "THEN RETURN NULL; END IF;\n"
           "IF TG_OP = 'INSERT' THEN\n" +
           inserted_or_deleted(t, true) + "ELSIF TG_OP = 'DELETE' THEN\n" + inserted_or_deleted(t, false) +
           "ELSE\n" + updated +
           "END IF;\nRETURN NULL;\nEND\n$f$";
}

std::vector<std::string> triggers(const Recorded& t) {
    const std::string table = public_table(t.table);
    const std::string function = "public." + q("History_" + std::string(t.table)) + "()";
    std::vector<std::string> out;
    for (const auto& [event, name, transition] :
         {std::tuple{"INSERT", "History_insert", "NEW TABLE AS new_rows"},
          std::tuple{"UPDATE", "History_update", "OLD TABLE AS old_rows NEW TABLE AS new_rows"},
          std::tuple{"DELETE", "History_delete", "OLD TABLE AS old_rows"}}) {
        out.push_back("DROP TRIGGER IF EXISTS " + q(name) + " ON " + table);
        out.push_back("CREATE TRIGGER " + q(name) + " AFTER " + event + " ON " + table + " REFERENCING " + transition +
                      " FOR EACH STATEMENT EXECUTE FUNCTION " + function);
    }
    out.push_back("REVOKE ALL ON FUNCTION " + function + " FROM PUBLIC");
    return out;
}

// The transaction's operation, made by its first recorded change with the
// caption and the reverted operation set for the transaction
// (db/operation.h); a caption set after that first change still reaches it.
std::string operation_function() {
    const std::string caption(kCaption);
    const std::string reverts = "current_setting('detalehran.reverts', true)";
    return "CREATE OR REPLACE FUNCTION " + std::string(kOperationFunction) + " RETURNS bigint LANGUAGE plpgsql" +
           std::string(kDefinerPath) +
           " AS $f$\nDECLARE v_operation bigint; v_caption text; v_reverts text := " + reverts +
           ";\nBEGIN\n"
           // The caption the operation has once this function returns: the
           // triggers call it again only when the caption changes.
           "PERFORM set_config('detalehran.recorded_caption', " + caption + ", true);\n"
           "SELECT " + q(kOperationId) + ", " + q(kOperationCaption) + " INTO v_operation, v_caption FROM " +
           operations() + " WHERE " + q(kOperationTransaction) + " = txid_current();\n" +
           "IF FOUND THEN\n"
           "IF " + caption + " NOT IN ('', v_caption) THEN UPDATE " + operations() + " SET " + q(kOperationCaption) +
           " = " + caption + " WHERE " + q(kOperationId) + " = v_operation; END IF;\n"
           "RETURN v_operation;\nEND IF;\n"
           "INSERT INTO " + operations() + " (" + q(kOperationCaption) + ", " + q(kOperationChanged) + ", " +
           q(kOperationWho) + ", " + q(kOperationReverts) + ", " + q(kOperationTransaction) + ") VALUES (" + caption +
           ", to_char(now() AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS'), session_user, "
           "CASE WHEN v_reverts ~ '^[0-9]{1,18}$' THEN v_reverts::bigint END, txid_current()) ON CONFLICT (" +
           q(kOperationTransaction) + ") DO NOTHING RETURNING " + q(kOperationId) + " INTO v_operation;\n" +
           "RETURN v_operation;\nEND\n$f$";
}

}  // namespace

std::vector<std::string> postgres_history_statements() {
    std::vector<std::string> out{
        // The time is text in the form the database layer reads, so that
        // every client sees the same "YYYY-MM-DD HH:MM:SS".
        "CREATE TABLE IF NOT EXISTS " + operations() + " (" + q(kOperationId) +
            " bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY, " + q(kOperationCaption) + " text NOT NULL DEFAULT '', " +
            q(kOperationChanged) + " text NOT NULL, " + q(kOperationWho) + " text NOT NULL, " + q(kOperationReverts) +
            " bigint, " + q(kOperationTransaction) + " bigint NOT NULL UNIQUE)",
        // No foreign key to the operation: its check would cost a row
        // trigger per change, and only the owner deletes (both tables).
        "CREATE TABLE IF NOT EXISTS " + history() + " (" + q(kHistoryId) +
            " bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY, " + q(kHistoryOperation) + " bigint NOT NULL, " +
            q(kHistoryTableName) + " text NOT NULL, " + q(kHistoryKind) + " text NOT NULL, " + q(kHistoryItemId) +
            " bigint, " + q(kHistoryBefore) + " text, " + q(kHistoryAfter) + " text)",
        "CREATE INDEX IF NOT EXISTS " + q("History_Operation") + " ON " + history() + " (" + q(kHistoryOperation) + ")",
        "CREATE INDEX IF NOT EXISTS " + q("History_ItemID") + " ON " + history() + " (" + q(kHistoryItemId) + ")",
        "CREATE INDEX IF NOT EXISTS " + q("HistoryOperations_Who") + " ON " + operations() + " (" +
            q(kOperationWho) + ")",
        operation_function(),
        "REVOKE ALL ON FUNCTION " + std::string(kOperationFunction) + " FROM PUBLIC",
    };
    for (const Recorded& t : recorded_tables()) {
        out.push_back(trigger_function(t));
        for (std::string& trigger : triggers(t)) out.push_back(std::move(trigger));
    }
    return out;
}

std::vector<std::string> postgres_history_grants(std::string_view role) {
    // Reading only: the triggers write as the owner, and pruning is the owner's.
    return {"GRANT SELECT ON " + history() + ", " + operations() + " TO " + q(role)};
}

}  // namespace detalehran::schema
