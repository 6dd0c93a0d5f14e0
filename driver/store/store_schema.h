#pragma once
// The layout of a Store.mdb file as this project keeps it: an SQLite database
// with the tables Store, Package and Temp, marked with our application id so
// that the driver can tell its own files from anything else.

#include <string>

struct sqlite3;

namespace detalehran::store {

// "DTLH": written into the SQLite header of every file we create.
inline constexpr int kApplicationId = 0x44544C48;
// 2: the store keeps its history (store/store_history.h).
inline constexpr int kSchemaVersion = 2;

// Name of the collation that compares text case-insensitively for every
// alphabet; every text column of the schema is declared with it.
inline constexpr const char* kFoldCollation = "JETCI";

// The bounds of the texts a LIKE pattern can match, registered beside the
// LIKE itself: "c LIKE p" holds only where c >= jet_like_floor(p) and
// c < jet_like_ceiling(p) under the collation above.
inline constexpr const char* kLikeFloorFunction = "jet_like_floor";
inline constexpr const char* kLikeCeilingFunction = "jet_like_ceiling";

// Declared type of the money columns; the driver reads such columns back as
// text with four decimals.
inline constexpr const char* kMoneyType = "MONEY";

// Statements that create the three tables and their indexes, in order.
std::string schema_sql();

// Adds the indexes that files made by earlier versions lack. Best effort:
// a file that cannot be written now stays as it is and still works, only
// slower.
void add_missing_indexes(sqlite3* db);

// Gives a file made before projects their tables (schema/project_tables.h),
// best effort like the indexes. The file's version stays: a program that
// knows no projects still opens it and leaves the tables alone.
void settle_projects(sqlite3* db);

// Registers the collation, the LIKE functions and the history's functions
// on a connection. Every
// connection that writes to a store file must call this first.
bool register_text_functions(sqlite3* db);

// What kind of file lies at a path, judged from its first bytes and, for
// SQLite files, from the application id.
enum class FileKind { missing, unreadable, ours, sqlite_foreign, access_jet, access_ace, other };
FileKind probe_file(const std::string& path, std::string* detail = nullptr);

// Human-readable reason for refusing a file of this kind.
std::string describe_refusal(FileKind kind, const std::string& path);

// Creates a new, empty store file; refuses to touch an existing path.
// Returns false with a one-line reason in *error.
bool create_store_file(const std::string& path, std::string* error);

}  // namespace detalehran::store
