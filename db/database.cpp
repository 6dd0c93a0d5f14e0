#include "db/database.h"

#include <sqlext.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "db/statements.h"

namespace detalehran::db {

namespace {

constexpr SQLLEN kPiece = 4096;
constexpr SQLULEN kLockWaitSeconds = 2;

// Statements go to the driver as C strings: a NUL byte in one, from a text
// a user pasted, would cut it short. The driver would see only the part
// before it and refuse it for a reason that names nothing the user did.
bool refuse_nul(const Sql& statement, Diagnostic& last) {
    bool nul = statement.text.find('\0') != std::string::npos;
    for (const Value& value : statement.values) nul = nul || value.text.find('\0') != std::string::npos;
    if (!nul) return false;
    last = {"22000", "a text holds a NUL character, which the database cannot store"};
    return true;
}

SQLCHAR* sql_chars(const std::string& text) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())); }

// The file a data source's attribute text names (DBQ).
std::string dbq_of(const std::string& attributes) {
    const std::size_t at = attributes.find(";DBQ=");
    if (at == std::string::npos) return {};
    const std::size_t start = at + 5;
    return attributes.substr(start, attributes.find(';', start) - start);
}

}  // namespace

Database::~Database() {
    close_store();
    if (env_ != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

void Database::remember(SQLSMALLINT handle_type, SQLHANDLE handle, const char* what) {
    last_ = {};
    SQLCHAR state[6] = {};
    SQLCHAR text[1024] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT used = 0;
    if (handle != SQL_NULL_HANDLE &&
        SQL_SUCCEEDED(SQLGetDiagRec(handle_type, handle, 1, state, &native, text, sizeof text, &used))) {
        last_.sqlstate = reinterpret_cast<const char*>(state);
        last_.text = reinterpret_cast<const char*>(text);
    } else {
        last_.text = what;
    }
    note_failure();
}

bool Database::init_environment() {
    if (env_ != SQL_NULL_HENV) return true;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_))) {
        env_ = SQL_NULL_HENV;
        last_ = {"", "ODBC environment cannot be created"};
        return false;
    }
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    return true;
}

bool Database::connect_by_name(const std::string& name, const std::string& user, const std::string& password) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_))) {
        remember(SQL_HANDLE_ENV, env_, "cannot allocate a connection");
        dbc_ = SQL_NULL_HDBC;
        return false;
    }
    auto text = [](const std::string& s) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(s.c_str())); };
    const SQLRETURN rc = SQLConnect(dbc_, text(name), SQL_NTS, text(user), SQL_NTS, text(password), SQL_NTS);
    if (SQL_SUCCEEDED(rc)) return true;
    remember(SQL_HANDLE_DBC, dbc_, "cannot connect");
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    dbc_ = SQL_NULL_HDBC;
    return false;
}

bool Database::connect_by_driver(const std::string& attributes) {
    // The driver manager remembers for a while that the name was unknown,
    // even after it was registered; name the driver and file instead.
    return connect_to_file(dbq_of(attributes));
}

bool Database::connect_to_file(const std::string& database_path) {
    const std::string text = file_connection_text(database_path);
    if (text.empty()) {
        last_ = {"HY000", "the database path holds both \";\" and \"}\", which a connection cannot name"};
        return false;
    }
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_))) {
        remember(SQL_HANDLE_ENV, env_, "cannot allocate a connection");
        dbc_ = SQL_NULL_HDBC;
        return false;
    }
    const SQLRETURN rc = SQLDriverConnect(dbc_, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())),
                                          SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    if (SQL_SUCCEEDED(rc)) return true;
    remember(SQL_HANDLE_DBC, dbc_, "cannot connect");
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    dbc_ = SQL_NULL_HDBC;
    return false;
}

bool Database::open_store(const std::string& directory, const std::string& name, const std::string& user,
                          const std::string& password) {
    if (env_ == SQL_NULL_HENV || is_open()) return false;
    Reopen how{Way::by_name, name, user, password, {}};
    bool connected = connect_by_name(name, user, password);
    if (!connected) {
        // A server the user configured may be down for a while: its data
        // source stays as the user wrote it, and its driver's reason stays
        // the one reported.
        if (names_other_driver(name)) return false;
        const std::string attributes = data_source_attributes(directory, name, user, password);
        if (!register_data_source(attributes, kDriverName, kAddDataSource)) return false;
        connected = connect_by_name(name, user, password);
        if (!connected && last_.sqlstate == "IM002") {
            connected = connect_by_driver(attributes);
            how = Reopen{Way::to_file, {}, {}, {}, dbq_of(attributes)};
        }
        if (!connected) return false;
    }
    reopen_ = how;
    return finish_connecting();
}

bool Database::connect_data_source(const std::string& name) {
    if (env_ == SQL_NULL_HENV || is_open()) return false;
    if (!connect_by_name(name, "", "")) return false;
    reopen_ = Reopen{Way::by_name, name, {}, {}, {}};
    return finish_connecting();
}

bool Database::open_file(const std::string& database_path) {
    if (env_ == SQL_NULL_HENV || is_open()) return false;
    if (!connect_to_file(database_path)) return false;
    reopen_ = Reopen{Way::to_file, {}, {}, {}, database_path};
    return finish_connecting();
}

bool Database::finish_connecting() {
    connected_ = true;
    lost_ = false;
    SQLCHAR file[4096] = {};
    SQLSMALLINT used = 0;
    path_.clear();
    if (SQL_SUCCEEDED(SQLGetInfo(dbc_, SQL_DATABASE_NAME, file, sizeof file, &used))) {
        path_ = reinterpret_cast<const char*>(file);
    }
    if (!learn_dialect() || !fresh_query_statement()) {
        close_store();
        return false;
    }
    if (dialect_ == Dialect::jet) {
        // Another program's lock is waited for a little, not the driver's
        // half a minute meant for scripts: the window stands still while a
        // statement waits, and after two seconds the user is told why the
        // command failed.
        SQLSetConnectAttr(dbc_, SQL_ATTR_CONNECTION_TIMEOUT, reinterpret_cast<SQLPOINTER>(kLockWaitSeconds), 0);
    }
    file_ = {};
    struct stat info {};
    if (dialect_ == Dialect::jet && !path_.empty() && ::stat(path_.c_str(), &info) == 0) {
        file_ = {true, info.st_dev, info.st_ino};
    }
    forget();
    return true;
}

bool Database::learn_dialect() {
    dialect_ = Dialect::jet;
    SQLCHAR dbms[256] = {};
    SQLSMALLINT used = 0;
    if (!SQL_SUCCEEDED(SQLGetInfo(dbc_, SQL_DBMS_NAME, dbms, sizeof dbms, &used))) return true;
    if (std::strcmp(reinterpret_cast<const char*>(dbms), "PostgreSQL") != 0) return true;
    dialect_ = Dialect::postgres;
    return set_up_server_session();
}

bool Database::register_data_source(const std::string& attributes, const std::string& driver, int request) {
    const std::string reason = configure_data_source(attributes, driver, request);
    if (reason.empty()) {
        forget();
        return true;
    }
    last_ = {"", reason};
    return false;
}

bool Database::remove_data_source(const std::string& name) {
    if (names_other_driver(name)) {
        last_ = {"", "the data source " + name + " names another driver and stays as configured"};
        return false;
    }
    return register_data_source("DSN=" + name + ";", kDriverName, kRemoveDataSource);
}

bool Database::fresh_query_statement() {
    query_.reset();
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt))) {
        remember(SQL_HANDLE_DBC, dbc_, "cannot allocate a statement");
        return false;
    }
    query_.reset(stmt);
    return true;
}

bool Database::bind_values(SQLHSTMT stmt, const std::vector<Value>& values, std::vector<SQLLEN>& lengths) {
    // The values stay where the statement holds them until it has run.
    lengths.assign(values.size(), 0);
    for (std::size_t k = 0; k < values.size(); ++k) {
        const Value& value = values[k];
        const ParameterType b = parameter_type(value.type, value.text.size());
        lengths[k] = static_cast<SQLLEN>(value.text.size());
        const SQLRETURN rc = SQLBindParameter(stmt, static_cast<SQLUSMALLINT>(k + 1), SQL_PARAM_INPUT, SQL_C_CHAR,
                                              b.sql_type, b.size, b.decimals, const_cast<char*>(value.text.data()),
                                              static_cast<SQLLEN>(value.text.size()), &lengths[k]);
        if (!SQL_SUCCEEDED(rc)) {
            remember(SQL_HANDLE_STMT, stmt, "a value cannot be bound");
            return false;
        }
    }
    return true;
}

bool Database::db_query(const Sql& statement) {
    if (run_query(statement)) return true;
    // A read changed nothing, whatever became of it: it may be sent again
    // over a new connection. Inside a transaction the lost connection took
    // the transaction with it, and the caller must hear of that.
    if (!connection_lost() || in_transaction_ || !reconnect()) return false;
    return run_query(statement);
}

void Database::finish_unfinished_read() {
    // Taken out first: reading the rest uses this connection too.
    if (const std::function<void()> read_rest = std::exchange(unfinished_read_, {})) read_rest();
}

bool Database::run_query(const Sql& statement) {
    finish_unfinished_read();
    if (!is_open() || !fresh_query_statement()) return false;
    if (refuse_nul(statement, last_)) return false;
    if (observer_) observer_(statement.text, statement.values);
    // Every result is read once from its first row to its last: a
    // forward-only cursor lets the driver stream it instead of copying the
    // whole result first, as a scrollable one makes it do.
    SQLSetStmtAttr(query_.get(), SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CURSOR_FORWARD_ONLY), 0);
    if (!bind_values(query_.get(), statement.values, query_lengths_)) return false;
    const SQLRETURN rc = SQLExecDirect(query_.get(), sql_chars(statement.text), SQL_NTS);
    if (SQL_SUCCEEDED(rc)) {
        forget();
        return true;
    }
    remember(SQL_HANDLE_STMT, query_.get(), "query failed");
    return false;
}

bool Database::db_next_row() {
    if (!is_open() || !query_) return false;
    const SQLRETURN rc = SQLFetch(query_.get());
    if (rc != SQL_NO_DATA && !SQL_SUCCEEDED(rc)) remember(SQL_HANDLE_STMT, query_.get(), "fetch failed");
    return SQL_SUCCEEDED(rc);
}

bool Database::db_first_row() { return db_next_row(); }

std::string Database::db_text(int column) {
    std::string out;
    db_text(column, out);
    return out;
}

void Database::db_text(int column, std::string& out) {
    out.clear();
    if (!is_open() || !query_ || column < 0) return;
    char piece[kPiece];
    for (;;) {
        SQLLEN length = 0;
        const SQLRETURN rc =
            SQLGetData(query_.get(), static_cast<SQLUSMALLINT>(column + 1), SQL_C_CHAR, piece, kPiece, &length);
        if (rc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(rc)) {
            remember(SQL_HANDLE_STMT, query_.get(), "cannot read a value");
            break;
        }
        if (length == SQL_NULL_DATA) break;
        if (rc == SQL_SUCCESS_WITH_INFO && (length == SQL_NO_TOTAL || length >= kPiece)) {
            out.append(piece, kPiece - 1);  // a full piece; more follows
            continue;
        }
        out.append(piece, static_cast<std::size_t>(length));
        break;
    }
}

int Database::db_int(int column) {
    if (!is_open() || !query_ || column < 0) return 0;
    SQLINTEGER value = 0;
    SQLLEN indicator = 0;
    const SQLRETURN rc =
        SQLGetData(query_.get(), static_cast<SQLUSMALLINT>(column + 1), SQL_C_SLONG, &value, sizeof value, &indicator);
    if (!SQL_SUCCEEDED(rc)) {
        remember(SQL_HANDLE_STMT, query_.get(), "cannot read a number");
        return 0;
    }
    return indicator == SQL_NULL_DATA ? 0 : value;
}

void Database::db_finish() {
    if (is_open()) fresh_query_statement();
}

StatementHandle Database::new_statement(const Sql& statement) {
    finish_unfinished_read();
    if (!is_open() || refuse_nul(statement, last_)) return {};
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt))) {
        remember(SQL_HANDLE_DBC, dbc_, "cannot allocate a statement");
        return {};
    }
    if (observer_) observer_(statement.text, statement.values);
    return StatementHandle(stmt);
}

bool Database::db_update(const Sql& statement) {
    const StatementHandle stmt = new_statement(statement);
    if (!stmt) return false;
    std::vector<SQLLEN> lengths;
    if (!bind_values(stmt.get(), statement.values, lengths)) return false;
    SQLRETURN rc = SQLPrepare(stmt.get(), sql_chars(statement.text), SQL_NTS);
    if (SQL_SUCCEEDED(rc)) rc = SQLExecute(stmt.get());
    if (SQL_SUCCEEDED(rc)) {
        forget();
        return true;
    }
    if (rc == SQL_NO_DATA) {
        last_ = {kNoRowMatched, "no row matched"};
    } else {
        remember(SQL_HANDLE_STMT, stmt.get(), "statement failed");
    }
    return false;
}

bool Database::db_insert(const Statement& insert, std::string& new_id) {
    new_id.clear();
    if (dialect_ == Dialect::jet) {
        if (!db_update(insert)) return false;
        if (db_query(kSelectNewId)) {
            if (db_first_row()) new_id = db_text(0);
            db_finish();
        }
        forget();
        return true;
    }
    // The server returns the new ID from the insert itself: no other
    // statement can come between, whoever else is adding items.
    const Sql& statement = insert.in(dialect_);
    const StatementHandle stmt = new_statement(statement);
    if (!stmt) return false;
    std::vector<SQLLEN> lengths;
    if (!bind_values(stmt.get(), statement.values, lengths)) return false;
    if (!SQL_SUCCEEDED(SQLExecDirect(stmt.get(), sql_chars(statement.text), SQL_NTS))) {
        remember(SQL_HANDLE_STMT, stmt.get(), "statement failed");
        return false;
    }
    forget();
    char id[32] = {};
    SQLLEN length = 0;
    if (SQL_SUCCEEDED(SQLFetch(stmt.get())) &&
        SQL_SUCCEEDED(SQLGetData(stmt.get(), 1, SQL_C_CHAR, id, sizeof id, &length)) && length > 0) {
        new_id = id;
    }
    return true;
}

void Database::close_store() {
    // A read still open goes with the connection; its reader finds no more rows.
    unfinished_read_ = {};
    finish_prepared();
    query_.reset();
    if (dbc_ != SQL_NULL_HDBC) {
        // The driver rolls back what is open when the connection ends.
        if (connected_) SQLDisconnect(dbc_);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        dbc_ = SQL_NULL_HDBC;
    }
    connected_ = false;
    dialect_ = Dialect::jet;
    in_transaction_ = false;
    holds_mark_ = false;
    rights_ = {};
    shares_trees_ = false;
    outdated_ = false;
    user_.clear();
    file_ = {};
}

}  // namespace detalehran::db
