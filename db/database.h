#pragma once
// The program's one connection to the inventory database, through the ODBC
// driver manager by data source name. It never shows a window: operations
// report success, and the last diagnostic is kept for callers that tell the
// user why something failed.

#include <sql.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/data_source.h"
#include "db/statement.h"
#include "db/statement_handle.h"

namespace detalehran::db {

inline constexpr const char* kDatabaseFile = "Store.mdb";
inline constexpr const char* kBackupFile = "Store_Backup.mdb";

// SQLSTATE of an update or delete that matched no row.
inline constexpr const char* kNoRowMatched = "02000";

struct Diagnostic {
    std::string sqlstate;
    std::string text;
    bool empty() const { return sqlstate.empty() && text.empty(); }
};

// What the connected role may do with the store: everything on a file; on a
// server what the server grants it, asked when connecting.
struct Rights {
    bool change_items = true;     // add, edit and delete items and package types
    bool move_items = true;       // cut and paste (Temp)
    bool change_trees = true;     // sections and places
    bool change_settings = true;  // the team's highlight and minimum
    bool changes_nothing() const { return !change_items && !move_items && !change_trees && !change_settings; }
};

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
    // Adds or removes a data source (db/data_source.h), keeping the reason
    // of a failure.
    bool register_data_source(const std::string& attributes, const std::string& driver, int request);
    // Removes the data source only when it names our driver.
    bool remove_data_source(const std::string& name);
    // Connects to a store file by naming the driver, without any data
    // source: for programs that must leave the user's data sources alone.
    bool open_file(const std::string& database_path);
    bool is_open() const { return dbc_ != SQL_NULL_HDBC && connected_; }
    // Whether the data source is configured for a driver other than ours,
    // for a database that is no Store.mdb file.
    bool names_other_driver(const std::string& name) const { return db::names_other_driver(name); }

    // A server connection carries the program's name and the desktop's user
    // as its application name; with `program_mark` it also holds the mark by
    // which others know that a program of its role is running. Set before
    // connecting.
    void set_application(std::string name, bool program_mark);
    bool holds_program_mark() const { return holds_mark_; }
    // What the role may do, asked when connecting.
    const Rights& rights() const { return rights_; }
    // Whether the store is a server's with the team's own tables (shared
    // trees, settings, one Temp); false on a file and on a server store made
    // by an older version, which keeps its trees in each desktop's Store.ini.
    bool shares_trees() const { return shares_trees_; }
    // A server store that lacks the team's tables: made by an older version
    // and not yet brought up to date by its administrator.
    bool store_outdated() const { return outdated_; }
    // The server's name of the connected role; empty on a file.
    const std::string& user_name() const { return user_; }

    // Whether a connection that was open has been lost: the server went away
    // or restarted, or the folder of the store file is gone. A connection
    // closed on purpose is not lost.
    bool connection_lost() const { return lost_ && reopen_.way != Way::none; }
    // Asks the database whether the connection still reaches it (a round
    // trip to a server; the file still in its place); false when it is lost.
    bool check_connection();
    // Opens a lost connection again the way it was first opened; false, with
    // the reason kept, while the database cannot be reached. A query that
    // finds its connection lost is run once more after reconnecting (a read
    // changes nothing); a statement that changes data never is, since it may
    // have been applied.
    bool reconnect();
    // How many times the connection was opened again.
    std::uint64_t reconnections() const { return reconnections_; }

    // The dialect of the connected database, asked of its driver after
    // connecting: PostgreSQL's for a server, Jet's for anything else.
    Dialect dialect() const { return dialect_; }
    bool serves_file() const { return dialect_ == Dialect::jet; }

    // The statement's text for the connected database, its values bound to
    // its markers.
    bool db_query(const Statement& statement) { return db_query(statement.in(dialect_)); }
    bool db_update(const Statement& statement) { return db_update(statement.in(dialect_)); }
    // Inserts one row and reads the ID the database gave it (empty when it
    // cannot be read). False, with the reason kept, when the insert failed.
    bool db_insert(const Statement& insert, std::string& new_id);

    bool db_query(const Sql& statement);
    bool db_query(const std::string& statement) { return db_query(Sql{statement, {}}); }
    // Rows of a query are read once, in order: db_first_row reads the first
    // row of a query just run, db_next_row each one after it.
    bool db_next_row();
    bool db_first_row();
    std::string db_text(int column);
    // The same into a caller's buffer, which keeps its capacity between
    // calls: the way to read many rows without an allocation per value.
    void db_text(int column, std::string& out);
    int db_int(int column);
    void db_finish();
    bool db_update(const Sql& statement);
    bool db_update(const std::string& statement) { return db_update(Sql{statement, {}}); }
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
    // Each marker takes its value as the type given for it.
    bool prepare_update(const std::string& statement, std::vector<Value::Type> markers);
    bool prepare_update(const Statement& statement, std::vector<Value::Type> markers) {
        return prepare_update(statement.text(dialect_), std::move(markers));
    }
    // Runs the prepared statement with one value per marker; where `nulls`
    // is given, a marker it marks true takes NULL instead.
    bool execute_prepared(std::span<const std::string_view> values, std::span<const bool> nulls = {});
    void finish_prepared();

    // What the last failing operation reported; empty after a success.
    const Diagnostic& last_diagnostic() const { return last_; }
    // Puts back a diagnostic that statements run to clean up after a
    // failure replaced: the caller reports the failure, not the clean-up.
    void restore_diagnostic(Diagnostic why) { last_ = std::move(why); }
    // Data source file path used by the connection (DBQ), when known.
    const std::string& database_path() const { return path_; }

    // Called with the text of every statement handed to the driver, and the
    // values bound to its markers, before it runs: a trace of exactly what
    // the program asked of the database.
    using StatementObserver = std::function<void(const std::string& statement, const std::vector<Value>& values)>;
    void set_statement_observer(StatementObserver observer) { observer_ = std::move(observer); }

    // A query whose rows are still being read while the program waits for
    // the user (the item list of a large store). Before any other statement
    // is sent, `read_rest` is called once to read its remaining rows and
    // finish it: the connection then serves one statement at a time, and
    // the reader sees the result whole, exactly as if it had been read at
    // once. Empty: no such query.
    void set_unfinished_read(std::function<void()> read_rest) { unfinished_read_ = std::move(read_rest); }
    bool has_unfinished_read() const { return static_cast<bool>(unfinished_read_); }

private:
    enum class Way { none, by_name, to_file };
    // How the connection was opened, to open it again the same way.
    struct Reopen {
        Way way = Way::none;
        std::string name, user, password, path;
    };

    bool run_query(const Sql& statement);
    // After a failure: whether it means the connection is lost.
    void note_failure();
    bool file_in_place() const;
    // The server's side of a new connection (db/server_session.cpp).
    bool set_up_server_session();
    void learn_rights();
    bool connect_by_name(const std::string& name, const std::string& user, const std::string& password);
    bool connect_by_driver(const std::string& attributes);
    bool connect_to_file(const std::string& database_path);
    bool finish_connecting();
    bool learn_dialect();
    bool bind_marker(std::size_t marker);
    bool bind_values(SQLHSTMT stmt, const std::vector<Value>& values, std::vector<SQLLEN>& lengths);
    bool fresh_query_statement();
    void remember(SQLSMALLINT handle_type, SQLHANDLE handle, const char* what);
    // A statement handle for a statement about to be sent, which the
    // observer is told of. Empty when there is no connection, the text or a
    // value holds a NUL or no handle can be had; for the last two the reason
    // is the last diagnostic.
    StatementHandle new_statement(const Sql& statement);
    void forget() { last_ = {}; }
    void finish_unfinished_read();

    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    StatementHandle query_;
    // Lengths of the values bound to the query's markers, read at execution.
    std::vector<SQLLEN> query_lengths_;
    bool connected_ = false;
    Dialect dialect_ = Dialect::jet;
    bool in_transaction_ = false;
    // The prepared statement, and a buffer with its length for each marker.
    StatementHandle prepared_;
    std::vector<Value::Type> markers_;
    std::vector<std::string> marker_values_;
    std::vector<SQLLEN> marker_lengths_;
    std::string path_;
    Diagnostic last_;
    StatementObserver observer_;
    std::function<void()> unfinished_read_;

    Reopen reopen_;
    bool lost_ = false;
    std::uint64_t reconnections_ = 0;
    // The store file as it was opened; another one (or none) at its path
    // means its folder went away.
    struct FileIdentity {
        bool known = false;
        dev_t device = 0;
        ino_t inode = 0;
    } file_;
    std::string application_;
    bool program_mark_ = false;
    bool holds_mark_ = false;
    Rights rights_;
    bool shares_trees_ = false;
    bool outdated_ = false;
    std::string user_;
};

}  // namespace detalehran::db
