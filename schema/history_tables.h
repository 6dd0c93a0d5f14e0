#pragma once
// The store's history, kept by the database itself: every insert, update and
// delete of an item (Store), a package type (Package), a parked item (Temp)
// and, on a server, a tree node (Node) leaves one row in History, written
// by a trigger in the same transaction as the change. The rows of one
// transaction belong to one operation, a row of HistoryOperations with its
// caption, time and author. Both engines keep the same tables with the
// same columns, so the database layer reads them one way.
//
// The values of a row travel as JSON, each value a JSON string (numbers and
// money too, as their decimal text) or null. An update has in Before and
// After an object of only the columns it changed: column name -> value. An
// insert has only After, a delete only Before, with the whole row: on a
// file an array of its values in the table's column order (the order of
// schema/store_columns.h; Package's one column), which keeps an import's
// history small; on a server an object of its columns that are not NULL.

#include <string>
#include <string_view>
#include <vector>

namespace detalehran::schema {

inline constexpr std::string_view kOperationTable = "HistoryOperations";
inline constexpr std::string_view kOperationId = "ID";
// What the program called the change ("Импорт parts.csv: 120 деталей");
// empty for a change made by another client without a caption.
inline constexpr std::string_view kOperationCaption = "Caption";
// When, in UTC, as "YYYY-MM-DD HH:MM:SS".
inline constexpr std::string_view kOperationChanged = "Changed";
// Who: on a server the role; on a file "user (program)", the operating
// system's user and the program that made the change.
inline constexpr std::string_view kOperationWho = "Who";
// The operation this one took back; NULL for any other change.
inline constexpr std::string_view kOperationReverts = "Reverts";
// The transaction's key, by which the triggers find the operation of the
// transaction they run in.
inline constexpr std::string_view kOperationTransaction = "Txn";

inline constexpr std::string_view kHistoryTable = "History";
inline constexpr std::string_view kHistoryId = "ID";
inline constexpr std::string_view kHistoryOperation = "Operation";
// "Store", "Package", "Temp" or "Node".
inline constexpr std::string_view kHistoryTableName = "TableName";
// "insert", "update" or "delete".
inline constexpr std::string_view kHistoryKind = "Kind";
// The row's ID; NULL for a package type, whose name is its key.
inline constexpr std::string_view kHistoryItemId = "ItemID";
inline constexpr std::string_view kHistoryBefore = "Before";
inline constexpr std::string_view kHistoryAfter = "After";

// A file store: the two tables, their indexes and the triggers on Store,
// Package and Temp, each statement "IF NOT EXISTS", so that a store made
// before the history gains it at its first connection. The triggers call
// the driver's functions of the connection (who, the caption, the
// transaction's key).
std::vector<std::string> sqlite_history_statements();
// The names of the tables and triggers those statements make, to tell
// whether a file has all of them.
std::vector<std::string> sqlite_history_objects();

// A server store: the same tables and the PL/pgSQL functions and triggers
// on Store, Package, Temp and Node, for a store that has none yet and for
// one made before them.
std::vector<std::string> postgres_history_statements();
// Every role reads the history; no role changes or deletes its rows (only
// the store's owner prunes it).
std::vector<std::string> postgres_history_grants(std::string_view role);

}  // namespace detalehran::schema
