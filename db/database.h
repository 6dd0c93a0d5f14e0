#pragma once
// The program's one connection to the inventory database, through the ODBC
// driver manager by data source name. It never shows a window: operations
// report success, and the last diagnostic is kept for callers that tell the
// user why something failed.

#include <sql.h>

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/statement.h"

namespace detalehran::db {

inline constexpr const char* kDataSourceName = "Store";
inline constexpr const char* kDriverName = "Microsoft Access Driver (*.mdb)";
inline constexpr const char* kDatabaseFile = "Store.mdb";
inline constexpr const char* kBackupFile = "Store_Backup.mdb";
inline constexpr const char* kInstallerLibrary = "libodbcinst.so.2";
inline constexpr const char* kInstallerEntry = "SQLConfigDataSource";

// Installer request codes.
inline constexpr int kAddDataSource = 1;
inline constexpr int kRemoveDataSource = 3;

// SQLSTATE of an update or delete that matched no row.
inline constexpr const char* kNoRowMatched = "02000";

struct Diagnostic {
    std::string sqlstate;
    std::string text;
    bool empty() const { return sqlstate.empty() && text.empty(); }
};

// Attribute text of the data source, in its fixed order.
std::string data_source_attributes(const std::string& directory, const std::string& name, const std::string& user,
                                   const std::string& password);
// The installer's list form: every ";" becomes a NUL, and the list ends with
// two NULs.
std::string installer_list(const std::string& attributes);
// The directory with exactly one trailing "/".
std::string with_trailing_slash(const std::string& directory);

class Database {
public:
    Database() = default;
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Allocates the ODBC environment with ODBC 3 behaviour; false when the
    // driver manager cannot give one.
    bool init_environment();
    bool has_environment() const { return env_ != SQL_NULL_HENV; }

    // Connects by data source name; when that fails, registers the data
    // source for directory + name + ".mdb" and connects again. A data source
    // of that name that names another driver (a team's server) is the
    // user's: it is never registered over, and its failure is final.
    bool open_store(const std::string& directory, const std::string& name, const std::string& user,
                    const std::string& password);
    // Connects by data source name only, as configured.
    bool connect_data_source(const std::string& name);
    bool register_data_source(const std::string& attributes, const std::string& driver, int request);
    // Removes the data source only when it names our driver.
    bool remove_data_source(const std::string& name);
    // Connects to a store file by naming the driver, without any data
    // source: for programs that must leave the user's data sources alone.
    bool open_file(const std::string& database_path);
    bool is_open() const { return dbc_ != SQL_NULL_HDBC && connected_; }
    // The driver a configured data source names (user or system), or empty
    // when there is no such data source or it names none.
    std::string data_source_driver(const std::string& name) const;
    // Whether the data source is configured for a driver other than ours,
    // for a database that is no Store.mdb file.
    bool names_other_driver(const std::string& name) const;

    // The dialect of the connected database, asked of its driver after
    // connecting: PostgreSQL's for a server, Jet's for anything else.
    Dialect dialect() const { return dialect_; }
    bool serves_file() const { return dialect_ == Dialect::jet; }

    // The statement's text for the connected database.
    bool db_query(const Statement& statement) { return db_query(statement.text(dialect_)); }
    bool db_update(const Statement& statement) { return db_update(statement.text(dialect_)); }
    // Inserts one row and reads the ID the database gave it (empty when it
    // cannot be read). False, with the reason kept, when the insert failed.
    bool db_insert(const Statement& insert, std::string& new_id);

    bool db_query(const std::string& statement);
    bool db_next_row();
    bool db_first_row();
    std::string db_text(int column);
    // The same into a caller's buffer, which keeps its capacity between
    // calls: the way to read many rows without an allocation per value.
    void db_text(int column, std::string& out);
    int db_int(int column);
    void db_finish();
    bool db_update(const std::string& statement);
    // Closing with a transaction open gives it up.
    void close_store();

    // Manual commit: the statements between begin_transaction and commit are
    // stored together or, after rollback (or a crash), not at all.
    bool begin_transaction();
    // False when the transaction could not be committed; it is then still
    // open, to be rolled back.
    bool commit();
    void rollback();
    bool in_transaction() const { return in_transaction_; }
    // Commits (when `commit` is true) or rolls back; a commit that fails is
    // rolled back. True when the transaction ended as asked.
    bool end_transaction(bool commit);

    // One statement with "?" markers, prepared once and run many times: the
    // way to store many rows without building and parsing a statement each.
    // A number marker takes its value's digits as a number, a text marker
    // its value as text.
    enum class Marker { text, number };
    bool prepare_update(const std::string& statement, std::vector<Marker> markers);
    bool prepare_update(const Statement& statement, std::vector<Marker> markers) {
        return prepare_update(statement.text(dialect_), std::move(markers));
    }
    // Runs the prepared statement with one value per marker.
    bool execute_prepared(std::span<const std::string_view> values);
    void finish_prepared();

    // What the last failing operation reported; empty after a success.
    const Diagnostic& last_diagnostic() const { return last_; }
    // Data source file path used by the connection (DBQ), when known.
    const std::string& database_path() const { return path_; }

    // Called with the text of every statement handed to the driver, before
    // it runs: a trace of exactly what the program asked of the database.
    using StatementObserver = std::function<void(const std::string& statement)>;
    void set_statement_observer(StatementObserver observer) { observer_ = std::move(observer); }

private:
    bool connect_by_name(const std::string& name, const std::string& user, const std::string& password);
    bool connect_by_driver(const std::string& attributes);
    bool connect_to_file(const std::string& database_path);
    bool finish_connecting();
    void learn_dialect();
    bool bind_marker(std::size_t marker);
    bool fresh_query_statement();
    void remember(SQLSMALLINT handle_type, SQLHANDLE handle, const char* what);
    // A statement handle for a statement about to be sent, which the
    // observer is told of. SQL_NULL_HSTMT when there is no connection, the
    // text holds a NUL or no handle can be had; for the last two the reason
    // is the last diagnostic.
    SQLHSTMT new_statement(const std::string& statement);
    void forget() { last_ = {}; }

    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    SQLHSTMT query_ = SQL_NULL_HSTMT;
    bool connected_ = false;
    Dialect dialect_ = Dialect::jet;
    bool in_transaction_ = false;
    // The prepared statement, and a buffer with its length for each marker.
    SQLHSTMT prepared_ = SQL_NULL_HSTMT;
    std::vector<Marker> markers_;
    std::vector<std::string> marker_values_;
    std::vector<SQLLEN> marker_lengths_;
    std::string path_;
    Diagnostic last_;
    StatementObserver observer_;
};

}  // namespace detalehran::db
