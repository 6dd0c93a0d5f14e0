#include "db/database.h"

#include <dlfcn.h>
#include <sqlext.h>

#include <algorithm>
#include <cstring>

#include "db/statements.h"

namespace detalehran::db {

namespace {

constexpr SQLLEN kPiece = 4096;
// Starting size of a marker's buffer; longer values get a longer one.
constexpr std::size_t kMarkerBuffer = 256;

using ConfigDataSourceFn = int (*)(void*, unsigned short, const char*, const char*);
using InstallerErrorFn = SQLRETURN (*)(unsigned short, unsigned int*, char*, unsigned short, unsigned short*);

// unixODBC's installer keeps its own message for a failed request.
std::string installer_error(void* library) {
    auto fn = reinterpret_cast<InstallerErrorFn>(dlsym(library, "SQLInstallerError"));
    if (fn == nullptr) return {};
    unsigned int code = 0;
    char text[512] = {};
    unsigned short used = 0;
    if (!SQL_SUCCEEDED(fn(1, &code, text, sizeof text, &used))) return {};
    return text;
}

// Statements go to the driver as C strings: a NUL byte in one, from a text
// a user pasted, would cut it short. The driver would see only the part
// before it and refuse it for a reason that names nothing the user did.
bool refuse_nul(const std::string& statement, Diagnostic& last) {
    if (statement.find('\0') == std::string::npos) return false;
    last = {"22000", "a text holds a NUL character, which the database cannot store"};
    return true;
}

// The installer keeps what it read of odbc.ini in a cache of its own for the
// life of the library; it stays loaded once opened, so every lookup after the
// first uses that cache instead of building (and losing) a new one.
void* open_installer() { return dlopen(kInstallerLibrary, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE); }

}  // namespace

std::string with_trailing_slash(const std::string& directory) {
    if (!directory.empty() && directory.back() == '/') return directory;
    return directory + "/";
}

std::string data_source_attributes(const std::string& directory, const std::string& name, const std::string& user,
                                   const std::string& password) {
    return "Server=MDBLib;Description=" + name + ";DSN=" + name + ";DBQ=" + with_trailing_slash(directory) + name +
           ".mdb;UID=" + user + ";PWD=" + password + ";";
}

std::string installer_list(const std::string& attributes) {
    std::string list = attributes;
    for (char& c : list) {
        if (c == ';') c = '\0';
    }
    // Two NULs end the list, whether or not the text ended with ";".
    if (list.empty() || list.back() != '\0') list.push_back('\0');
    list.push_back('\0');
    return list;
}

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
    std::string dbq;
    const std::size_t at = attributes.find(";DBQ=");
    if (at != std::string::npos) {
        const std::size_t start = at + 5;
        dbq = attributes.substr(start, attributes.find(';', start) - start);
    }
    return connect_to_file(dbq);
}

bool Database::connect_to_file(const std::string& database_path) {
    // A path with ";" goes in braces, where only "}" cannot stand.
    const bool braced = database_path.find(';') != std::string::npos;
    if (braced && database_path.find('}') != std::string::npos) {
        last_ = {"HY000", "the database path holds both \";\" and \"}\", which a connection cannot name"};
        return false;
    }
    const std::string dbq = braced ? "{" + database_path + "}" : database_path;
    const std::string text = std::string("DRIVER={") + kDriverName + "};DBQ=" + dbq + ";";
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
    bool connected = connect_by_name(name, user, password);
    if (!connected) {
        // A server the user configured may be down for a while: its data
        // source stays as the user wrote it, and its driver's reason stays
        // the one reported.
        if (names_other_driver(name)) return false;
        const std::string attributes = data_source_attributes(directory, name, user, password);
        if (!register_data_source(attributes, kDriverName, kAddDataSource)) return false;
        connected = connect_by_name(name, user, password);
        if (!connected && last_.sqlstate == "IM002") connected = connect_by_driver(attributes);
        if (!connected) return false;
    }
    return finish_connecting();
}

bool Database::connect_data_source(const std::string& name) {
    if (env_ == SQL_NULL_HENV || is_open()) return false;
    return connect_by_name(name, "", "") && finish_connecting();
}

bool Database::open_file(const std::string& database_path) {
    if (env_ == SQL_NULL_HENV || is_open()) return false;
    return connect_to_file(database_path) && finish_connecting();
}

bool Database::finish_connecting() {
    connected_ = true;
    SQLCHAR file[4096] = {};
    SQLSMALLINT used = 0;
    path_.clear();
    if (SQL_SUCCEEDED(SQLGetInfo(dbc_, SQL_DATABASE_NAME, file, sizeof file, &used))) {
        path_ = reinterpret_cast<const char*>(file);
    }
    learn_dialect();
    if (!fresh_query_statement()) {
        close_store();
        return false;
    }
    forget();
    return true;
}

void Database::learn_dialect() {
    dialect_ = Dialect::jet;
    SQLCHAR dbms[256] = {};
    SQLSMALLINT used = 0;
    if (!SQL_SUCCEEDED(SQLGetInfo(dbc_, SQL_DBMS_NAME, dbms, sizeof dbms, &used))) return;
    if (std::strcmp(reinterpret_cast<const char*>(dbms), "PostgreSQL") != 0) return;
    dialect_ = Dialect::postgres;
    // sql_text leaves backslashes as they are, which only standard strings
    // read as themselves; a server may still be set to the old rule.
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt))) {
        SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>("SET standard_conforming_strings = on")),
                      SQL_NTS);
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    }
}

std::string Database::data_source_driver(const std::string& name) const {
    // The installer reads the data source's own Driver entry. (The driver
    // manager's list of data sources answers with the description instead
    // for a section that has no driver, as one being written has for a
    // moment.)
    void* library = open_installer();
    if (library == nullptr) return {};
    using ProfileFn = int (*)(const char*, const char*, const char*, char*, int, const char*);
    auto read = reinterpret_cast<ProfileFn>(dlsym(library, "SQLGetPrivateProfileString"));
    char driver[1024] = {};
    if (read != nullptr) read(name.c_str(), "Driver", "", driver, sizeof driver, "odbc.ini");
    dlclose(library);
    return driver;
}

bool Database::names_other_driver(const std::string& name) const {
    const std::string driver = data_source_driver(name);
    return !driver.empty() && driver != kDriverName;
}

bool Database::register_data_source(const std::string& attributes, const std::string& driver, int request) {
    void* library = open_installer();
    if (library == nullptr) {
        last_ = {"", std::string("ODBC installer library cannot be loaded: ") + dlerror()};
        return false;
    }
    auto config = reinterpret_cast<ConfigDataSourceFn>(dlsym(library, kInstallerEntry));
    bool ok = false;
    if (config == nullptr) {
        last_ = {"", std::string("ODBC installer has no ") + kInstallerEntry};
    } else {
        const std::string list = installer_list(attributes);
        // No parent window: the installer must never show a dialog.
        ok = config(nullptr, static_cast<unsigned short>(request), driver.c_str(), list.data()) != 0;
        if (ok) {
            forget();
        } else {
            const std::string reason = installer_error(library);
            last_ = {"", reason.empty() ? "the ODBC installer refused the data source" : reason};
        }
    }
    dlclose(library);
    return ok;
}

bool Database::remove_data_source(const std::string& name) {
    if (names_other_driver(name)) {
        last_ = {"", "the data source " + name + " names another driver and stays as configured"};
        return false;
    }
    return register_data_source("DSN=" + name + ";", kDriverName, kRemoveDataSource);
}

bool Database::fresh_query_statement() {
    if (query_ != SQL_NULL_HSTMT) {
        SQLFreeHandle(SQL_HANDLE_STMT, query_);
        query_ = SQL_NULL_HSTMT;
    }
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &query_))) {
        remember(SQL_HANDLE_DBC, dbc_, "cannot allocate a statement");
        query_ = SQL_NULL_HSTMT;
        return false;
    }
    return true;
}

bool Database::db_query(const std::string& statement) {
    if (!is_open() || !fresh_query_statement()) return false;
    if (refuse_nul(statement, last_)) return false;
    if (observer_) observer_(statement);
    // psqlODBC would emulate a dynamic cursor with extra columns and
    // statements of its own; its static one scrolls back just the same.
    const SQLULEN cursor = dialect_ == Dialect::postgres ? SQL_CURSOR_STATIC : SQL_CURSOR_DYNAMIC;
    SQLSetStmtAttr(query_, SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(cursor), 0);
    const SQLRETURN rc =
        SQLExecDirect(query_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(statement.c_str())), SQL_NTS);
    if (SQL_SUCCEEDED(rc)) {
        forget();
        return true;
    }
    remember(SQL_HANDLE_STMT, query_, "query failed");
    return false;
}

bool Database::db_next_row() {
    if (!is_open() || query_ == SQL_NULL_HSTMT) return false;
    const SQLRETURN rc = SQLFetch(query_);
    if (rc != SQL_NO_DATA && !SQL_SUCCEEDED(rc)) remember(SQL_HANDLE_STMT, query_, "fetch failed");
    return SQL_SUCCEEDED(rc);
}

bool Database::db_first_row() {
    if (!is_open() || query_ == SQL_NULL_HSTMT) return false;
    const SQLRETURN rc = SQLFetchScroll(query_, SQL_FETCH_FIRST, 0);
    if (rc != SQL_NO_DATA && !SQL_SUCCEEDED(rc)) remember(SQL_HANDLE_STMT, query_, "fetch failed");
    return SQL_SUCCEEDED(rc);
}

std::string Database::db_text(int column) {
    std::string out;
    db_text(column, out);
    return out;
}

void Database::db_text(int column, std::string& out) {
    out.clear();
    if (!is_open() || query_ == SQL_NULL_HSTMT || column < 0) return;
    char piece[kPiece];
    for (;;) {
        SQLLEN length = 0;
        const SQLRETURN rc =
            SQLGetData(query_, static_cast<SQLUSMALLINT>(column + 1), SQL_C_CHAR, piece, kPiece, &length);
        if (rc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(rc)) {
            remember(SQL_HANDLE_STMT, query_, "cannot read a value");
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
    if (!is_open() || query_ == SQL_NULL_HSTMT || column < 0) return 0;
    SQLINTEGER value = 0;
    SQLLEN indicator = 0;
    const SQLRETURN rc =
        SQLGetData(query_, static_cast<SQLUSMALLINT>(column + 1), SQL_C_SLONG, &value, sizeof value, &indicator);
    if (!SQL_SUCCEEDED(rc)) {
        remember(SQL_HANDLE_STMT, query_, "cannot read a number");
        return 0;
    }
    return indicator == SQL_NULL_DATA ? 0 : value;
}

void Database::db_finish() {
    if (is_open()) fresh_query_statement();
}

SQLHSTMT Database::new_statement(const std::string& statement) {
    if (!is_open() || refuse_nul(statement, last_)) return SQL_NULL_HSTMT;
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt))) {
        remember(SQL_HANDLE_DBC, dbc_, "cannot allocate a statement");
        return SQL_NULL_HSTMT;
    }
    if (observer_) observer_(statement);
    return stmt;
}

bool Database::db_update(const std::string& statement) {
    SQLHSTMT stmt = new_statement(statement);
    if (stmt == SQL_NULL_HSTMT) return false;
    SQLRETURN rc = SQLPrepare(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(statement.c_str())), SQL_NTS);
    if (SQL_SUCCEEDED(rc)) rc = SQLExecute(stmt);
    const bool ok = SQL_SUCCEEDED(rc);
    if (ok) {
        forget();
    } else if (rc == SQL_NO_DATA) {
        last_ = {kNoRowMatched, "no row matched"};
    } else {
        remember(SQL_HANDLE_STMT, stmt, "statement failed");
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return ok;
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
    const std::string& statement = insert.text(dialect_);
    SQLHSTMT stmt = new_statement(statement);
    if (stmt == SQL_NULL_HSTMT) return false;
    const bool ok =
        SQL_SUCCEEDED(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(statement.c_str())), SQL_NTS));
    if (!ok) {
        remember(SQL_HANDLE_STMT, stmt, "statement failed");
    } else {
        forget();
        char id[32] = {};
        SQLLEN length = 0;
        if (SQL_SUCCEEDED(SQLFetch(stmt)) && SQL_SUCCEEDED(SQLGetData(stmt, 1, SQL_C_CHAR, id, sizeof id, &length)) &&
            length > 0) {
            new_id = id;
        }
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return ok;
}

void Database::close_store() {
    finish_prepared();
    if (query_ != SQL_NULL_HSTMT) {
        SQLFreeHandle(SQL_HANDLE_STMT, query_);
        query_ = SQL_NULL_HSTMT;
    }
    if (dbc_ != SQL_NULL_HDBC) {
        // The driver rolls back what is open when the connection ends.
        if (connected_) SQLDisconnect(dbc_);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        dbc_ = SQL_NULL_HDBC;
    }
    connected_ = false;
    dialect_ = Dialect::jet;
    in_transaction_ = false;
}

bool Database::begin_transaction() {
    if (!is_open()) return false;
    if (in_transaction_) {
        last_ = {"25000", "a transaction is open already"};
        return false;
    }
    if (!SQL_SUCCEEDED(
            SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0))) {
        remember(SQL_HANDLE_DBC, dbc_, "cannot begin a transaction");
        return false;
    }
    in_transaction_ = true;
    forget();
    return true;
}

bool Database::commit() {
    if (!is_open() || !in_transaction_) {
        last_ = {"25000", "no transaction is open"};
        return false;
    }
    if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_COMMIT))) {
        remember(SQL_HANDLE_DBC, dbc_, "the transaction cannot be committed");
        return false;
    }
    in_transaction_ = false;
    SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
    forget();
    return true;
}

bool Database::end_transaction(bool commit) {
    if (commit && this->commit()) return true;
    // A commit that failed must not be kept by switching automatic commit
    // back on: it is rolled back, and the reason of its failure kept.
    const Diagnostic why = last_;
    rollback();
    if (commit) last_ = why;
    return !commit;
}

void Database::rollback() {
    if (!is_open() || !in_transaction_) return;
    // Switching automatic commit back on commits whatever is open: a
    // transaction that would not roll back is ended with the connection
    // instead, which gives it up.
    if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK))) {
        close_store();
        return;
    }
    in_transaction_ = false;
    SQLSetConnectAttr(dbc_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
}

bool Database::prepare_update(const std::string& statement, std::vector<Marker> markers) {
    finish_prepared();
    prepared_ = new_statement(statement);
    if (prepared_ == SQL_NULL_HSTMT) return false;
    if (!SQL_SUCCEEDED(
            SQLPrepare(prepared_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(statement.c_str())), SQL_NTS))) {
        remember(SQL_HANDLE_STMT, prepared_, "statement cannot be prepared");
        finish_prepared();
        return false;
    }
    markers_ = std::move(markers);
    marker_values_.assign(markers_.size(), std::string(kMarkerBuffer, '\0'));
    marker_lengths_.assign(markers_.size(), 0);
    for (std::size_t m = 0; m < markers_.size(); ++m) {
        if (!bind_marker(m)) {
            finish_prepared();
            return false;
        }
    }
    forget();
    return true;
}

bool Database::bind_marker(std::size_t marker) {
    std::string& buffer = marker_values_[marker];
    const bool number = markers_[marker] == Marker::number;
    const SQLRETURN rc =
        SQLBindParameter(prepared_, static_cast<SQLUSMALLINT>(marker + 1), SQL_PARAM_INPUT, SQL_C_CHAR,
                         number ? SQL_DECIMAL : SQL_VARCHAR, number ? 19 : buffer.size(), number ? 4 : 0, buffer.data(),
                         static_cast<SQLLEN>(buffer.size()), &marker_lengths_[marker]);
    if (SQL_SUCCEEDED(rc)) return true;
    remember(SQL_HANDLE_STMT, prepared_, "a value cannot be bound");
    return false;
}

bool Database::execute_prepared(std::span<const std::string_view> values) {
    if (!is_open() || prepared_ == SQL_NULL_HSTMT || values.size() != markers_.size()) {
        last_ = {"07002", "the values do not fit the prepared statement"};
        return false;
    }
    // The buffers stay bound; a value longer than its buffer gets a new one.
    for (std::size_t m = 0; m < values.size(); ++m) {
        const std::string_view value = values[m];
        if (value.find('\0') != std::string_view::npos) {
            last_ = {"22000", "a text holds a NUL character, which the database cannot store"};
            return false;
        }
        std::string& buffer = marker_values_[m];
        if (value.size() > buffer.size()) {
            buffer.assign(std::max(value.size(), 2 * buffer.size()), '\0');
            if (!bind_marker(m)) return false;
        }
        std::copy(value.begin(), value.end(), buffer.begin());
        marker_lengths_[m] = static_cast<SQLLEN>(value.size());
    }
    const SQLRETURN rc = SQLExecute(prepared_);
    if (SQL_SUCCEEDED(rc)) return true;
    if (rc == SQL_NO_DATA) {
        last_ = {kNoRowMatched, "no row matched"};
    } else {
        remember(SQL_HANDLE_STMT, prepared_, "statement failed");
    }
    return false;
}

void Database::finish_prepared() {
    if (prepared_ != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, prepared_);
    prepared_ = SQL_NULL_HSTMT;
    markers_.clear();
    marker_values_.clear();
    marker_lengths_.clear();
}

}  // namespace detalehran::db
