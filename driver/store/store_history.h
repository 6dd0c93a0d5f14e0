#pragma once
// The SQL functions through which a store file's history triggers
// (schema/history_tables.h) learn about the connection they run on: who
// makes the change, the caption the program gave its transaction, and a key
// that tells this transaction's operation from any other. Each connection
// keeps its own state; it is reset whenever a transaction ends.

struct sqlite3;

namespace detalehran::store {

// The file format's version that brought the history.
inline constexpr int kHistoryVersion = 2;

// Registers history_who, history_caption, history_reverts, history_key,
// history_on and the value writers on the connection. Called by
// register_text_functions, so every connection that writes a store has them.
bool register_history_functions(sqlite3* db);

// Brings the history of a file opened by the driver in order, best effort:
// a file made before it (user_version below kHistoryVersion) gains its
// tables and triggers; a file whose History was dropped by hand loses the
// triggers that would write to it, so that every change still succeeds. A
// file that cannot be written now stays as it is.
void settle_history(sqlite3* db);

// Whether the connection's changes are recorded (on by default). A writer
// filling a new file turns it off: a file's first contents are no change.
void set_history_recording(sqlite3* db, bool on);

}  // namespace detalehran::store
