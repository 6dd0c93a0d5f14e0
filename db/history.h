#pragma once
// Reading the store's history (schema/history_tables.h) and taking an
// operation back. The same calls serve a file and a server; nothing here
// shows a window: results carry the reason of a refusal for the caller to
// word.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "db/database.h"

namespace detalehran::db {

// One operation: the changes of one transaction.
struct OperationRecord {
    std::string id;
    std::string caption;  // as stored; may be empty (a client without a caption)
    std::string changed;  // UTC, "YYYY-MM-DD HH:MM:SS"
    std::string who;
    std::string reverts;  // the ID of the operation it took back, or empty
    int changes = 0;      // how many rows of History it holds
};

// Which operations to read, newest first. Empty fields filter nothing.
struct HistoryFilter {
    std::vector<std::string> item_ids;  // operations that touched any of these parts (Store or Temp)
    std::string who;                    // exactly this author
    // A UTC day "YYYY-MM-DD": from its start, to its end. Or a UTC instant
    // "YYYY-MM-DD HH:MM:SS": from it, and before it (a desktop's day, which
    // is no UTC day).
    std::string since;
    std::string until;
    std::string text;                   // a part of the caption or of the author, any case
    std::string before_id;              // paging: only operations older than this one
    int limit = 100;
};

// Reads one page; reading a page costs the page, not the history.
bool read_operations(Database& database, const HistoryFilter& filter, std::vector<OperationRecord>& out);
std::optional<OperationRecord> read_operation(Database& database, const std::string& id);

struct FieldChange {
    std::string column;
    std::optional<std::string> before;  // nullopt: NULL or not part of this change
    std::optional<std::string> after;
};

struct ChangeRecord {
    std::string id;
    std::string table;    // "Store", "Package", "Temp", "Node"
    std::string kind;     // "insert", "update", "delete"
    std::string item_id;  // empty for a package type
    std::vector<FieldChange> fields;
};

// The rows of one operation, in the order they were made.
bool read_changes(Database& database, const std::string& operation_id, std::vector<ChangeRecord>& out);

// Russian words for the window and the tool: "деталь", "тип корпуса",
// "перемещаемая деталь", "узел дерева"; "добавление", "изменение",
// "удаление"; and one line for a change: "деталь 42 «Резистор 4,7 кОм»:
// Количество 10 → 5".
std::string change_subject(const ChangeRecord& change);
std::string change_kind(const ChangeRecord& change);
std::string describe_change(const ChangeRecord& change);
// The caption of an operation, or one made from its changes when it has
// none ("Изменение детали 42").
std::string operation_title(const OperationRecord& operation, const std::vector<ChangeRecord>& changes);

// Whether the store keeps a history (both tables present). A store whose
// history was dropped by hand keeps working and records nothing.
bool has_history(Database& database);
// The author this connection's changes are recorded under.
std::string history_user(Database& database);

struct RevertResult {
    enum class Outcome {
        done,     // taken back, as a new operation
        blocked,  // a later change touched the same rows: `blocking` says which
        refused,  // nothing to take back, already taken back, or no right to
        failed,   // the database failed: `reason`
    };
    Outcome outcome = Outcome::failed;
    OperationRecord blocking;
    // Russian words for `refused` and `failed`; the database's own reason,
    // when it gave one, is in `diagnostic` for the caller to word
    // (db/failure_text.h: revert_failure_text).
    std::string reason;
    Diagnostic diagnostic;
    std::string new_operation;  // the ID of the operation that took it back
};

// Takes an operation back in one transaction whose operation records it in
// Reverts: an insert is deleted, a delete comes back with its ID and
// values, an update gets its earlier values. Refused as a whole, changing
// nothing, when any later operation touched one of its rows.
RevertResult revert_operation(Database& database, const std::string& operation_id);

// The connection's own newest operation that can still be undone: not a
// revert itself and not taken back yet.
std::optional<OperationRecord> last_own_operation(Database& database);

// Removes the operations older than the start of `before_date`
// ("YYYY-MM-DD", UTC) and their rows. On a server only the store's owner
// may.
bool prune_history(Database& database, const std::string& before_date, std::uint64_t& removed_operations);

}  // namespace detalehran::db
