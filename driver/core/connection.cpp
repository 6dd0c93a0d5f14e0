#include <odbcinst.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <map>

#include "access_functions.h"
#include "handles.h"
#include "like_ranges.h"
#include "store/store_history.h"
#include "store/store_schema.h"

namespace detalehran::odbc {

namespace {

// Jet waits this long for another program's lock by default; a connection
// timeout given by the client (SQL_ATTR_CONNECTION_TIMEOUT) replaces it.
constexpr int kLockWaitSeconds = 30;

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// Parses "KEY=value;KEY={value;with;semicolons};" into upper-case keys.
std::map<std::string, std::string> parse_connection_string(std::string_view text) {
    std::map<std::string, std::string> out;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ';' || std::isspace(static_cast<unsigned char>(text[i])))) ++i;
        const std::size_t eq = text.find('=', i);
        if (eq == std::string_view::npos) break;
        std::string key = upper(text.substr(i, eq - i));
        while (!key.empty() && std::isspace(static_cast<unsigned char>(key.back()))) key.pop_back();
        std::string value;
        i = eq + 1;
        if (i < text.size() && text[i] == '{') {
            const std::size_t close = text.find('}', i + 1);
            const std::size_t end = close == std::string_view::npos ? text.size() : close;
            value = std::string(text.substr(i + 1, end - i - 1));
            i = end + 1;
            while (i < text.size() && text[i] != ';') ++i;
        } else {
            const std::size_t semi = std::min(text.find(';', i), text.size());
            value = std::string(text.substr(i, semi - i));
            i = semi;
        }
        out.emplace(std::move(key), std::move(value));  // the first mention wins
    }
    return out;
}

std::string dsn_attribute(const std::string& dsn, const char* key) {
    char buffer[4096] = {};
    SQLGetPrivateProfileString(dsn.c_str(), key, "", buffer, sizeof buffer, "odbc.ini");
    return buffer;
}

// From this size on (about 400 000 parts) a store file is read through mmap.
constexpr off_t kMappedFileSize = off_t{256} << 20;

}  // namespace

bool register_statement_functions(sqlite3* db) {
    return store::register_text_functions(db) && register_access_functions(db) && register_like_ranges(db);
}

namespace {

SQLRETURN open_file(Dbc& dbc, const std::string& path) {
    if (dbc.db != nullptr) {
        dbc.diag.add("08002", "Connection name in use");
        return SQL_ERROR;
    }
    if (path.empty()) {
        dbc.diag.add("08001", "No database file given: the data source has no DBQ attribute");
        return SQL_ERROR;
    }
    std::string detail;
    const store::FileKind kind = store::probe_file(path, &detail);
    if (kind != store::FileKind::ours) {
        std::string reason = store::describe_refusal(kind, path);
        if (!detail.empty() && kind != store::FileKind::ours) reason += " (" + detail + ")";
        dbc.diag.add("08001", reason);
        return SQL_ERROR;
    }
    sqlite3* db = nullptr;
    // No SQLITE_OPEN_CREATE: a missing file must stay missing.
    // No SQLite mutex: a connection is never used by two threads at once
    // (unixODBC serialises calls by default, and the driver's own handles
    // are not shared between threads), and every value read would
    // otherwise lock and unlock one.
    const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        dbc.diag.add("08001",
                     "Cannot open database file " + path + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)), rc);
        sqlite3_close(db);
        return SQL_ERROR;
    }
    sqlite3_extended_result_codes(db, 1);
    // A misspelt [column] must be an error, not the text of its name.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    if (!register_statement_functions(db)) {
        dbc.diag.add("HY000", std::string("Cannot register text rules: ") + sqlite3_errmsg(db));
        sqlite3_close(db);
        return SQL_ERROR;
    }
    sqlite3_stmt* version = nullptr;
    int schema = 0;
    if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &version, nullptr) == SQLITE_OK &&
        sqlite3_step(version) == SQLITE_ROW) {
        schema = sqlite3_column_int(version, 0);
    }
    sqlite3_finalize(version);
    if (schema > store::kSchemaVersion) {
        dbc.diag.add("08001", "Database file " + path + " was made by a newer version of the program");
        sqlite3_close(db);
        return SQL_ERROR;
    }
    // Before the wait for locks is set: a file that another program is
    // writing gets its indexes at a later connection instead of a wait.
    store::add_missing_indexes(db);
    // A statement inside a transaction whose triggers write the history
    // keeps a journal of its own, to undo itself alone should it fail. In a
    // temporary file that costs a write call per page it touches: a
    // hundred thousand rows imported made two million of them.
    sqlite3_exec(db, "PRAGMA temp_store = MEMORY", nullptr, nullptr, nullptr);
    store::settle_history(db);
    store::settle_projects(db);
    // A large file's pages are read straight from the mapped file instead
    // of through a read call each: the list's read in name order visits the
    // rows scattered over the whole file, and at a million parts those calls
    // cost more than the rows. A small file gains little and would pay for
    // mapping its pages again after each read of all items
    // (release_mapped_pages).
    // Writes still go through the journal as before.
    struct stat file {};
    if (::stat(path.c_str(), &file) == 0 && file.st_size >= kMappedFileSize)
        sqlite3_exec(db, "PRAGMA mmap_size = 2147418112", nullptr, nullptr, nullptr);
    // Another program holding the file is waited for this long, then the
    // statement fails with HYT00 instead of hanging the window.
    sqlite3_busy_timeout(db,
                         1000 * (dbc.connection_timeout ? static_cast<int>(dbc.connection_timeout) : kLockWaitSeconds));
    dbc.db = db;
    dbc.path = path;
    return SQL_SUCCESS;
}

}  // namespace

SQLRETURN connect_dsn(Dbc& dbc, std::string_view dsn) {
    dbc.dsn = std::string(dsn);
    return open_file(dbc, dsn_attribute(dbc.dsn, "DBQ"));
}

SQLRETURN driver_connect(Dbc& dbc, std::string_view in, const TextOut& out, SQLSMALLINT* out_used) {
    const auto attrs = parse_connection_string(in);
    std::string path;
    std::string echo;
    if (auto it = attrs.find("DBQ"); it != attrs.end()) {
        path = it->second;
    } else if (auto dsn = attrs.find("DSN"); dsn != attrs.end()) {
        path = dsn_attribute(dsn->second, "DBQ");
    }
    if (auto dsn = attrs.find("DSN"); dsn != attrs.end()) {
        dbc.dsn = dsn->second;
        echo = "DSN=" + dsn->second + ";";
    } else if (auto drv = attrs.find("DRIVER"); drv != attrs.end()) {
        echo = "DRIVER={" + drv->second + "};";
    }
    echo += "DBQ=" + path + ";";
    const SQLRETURN rc = open_file(dbc, path);
    if (!SQL_SUCCEEDED(rc)) return rc;
    return put_text(echo, out, out_used, &dbc.diag);
}

SQLRETURN disconnect(Dbc& dbc) {
    if (dbc.db == nullptr) {
        dbc.diag.add("08003", "Connection not open");
        return SQL_ERROR;
    }
    // Statements of a closed connection are gone with it, and an open
    // transaction ends unfinished.
    for (Stmt* stmt : dbc.statements) {
        release_statement(*stmt);
        stmt->tag = Tag::dead;
        delete stmt;
    }
    dbc.statements.clear();
    roll_back_on_close(dbc);
    sqlite3_close_v2(dbc.db);
    dbc.db = nullptr;
    return SQL_SUCCESS;
}

SQLRETURN set_connect_attr(Dbc& dbc, SQLINTEGER attr, SQLPOINTER value) {
    const auto number = reinterpret_cast<SQLULEN>(value);
    switch (attr) {
        case SQL_ATTR_AUTOCOMMIT:
            if (number != SQL_AUTOCOMMIT_ON && number != SQL_AUTOCOMMIT_OFF) {
                dbc.diag.add("HY024", "Invalid attribute value");
                return SQL_ERROR;
            }
            return set_autocommit(dbc, number == SQL_AUTOCOMMIT_ON);
        case SQL_ATTR_LOGIN_TIMEOUT:
            dbc.login_timeout = static_cast<SQLUINTEGER>(number);
            return SQL_SUCCESS;
        case SQL_ATTR_CONNECTION_TIMEOUT:
            // 0 waits as long as Jet does; a busy store then fails with HYT00.
            dbc.connection_timeout = static_cast<SQLUINTEGER>(std::min<SQLULEN>(number, 24 * 3600));
            if (dbc.db != nullptr) {
                sqlite3_busy_timeout(dbc.db, 1000 * static_cast<int>(dbc.connection_timeout ? dbc.connection_timeout
                                                                                            : kLockWaitSeconds));
            }
            return SQL_SUCCESS;
        default:
            // Timeouts, access mode, isolation and the driver manager's own
            // notes to the driver change nothing here.
            return SQL_SUCCESS;
    }
}

SQLRETURN get_connect_attr(Dbc& dbc, SQLINTEGER attr, const TextOut& value, SQLINTEGER* out_len) {
    auto put = [&](SQLUINTEGER v) {
        if (value.buffer) *static_cast<SQLUINTEGER*>(value.buffer) = v;
        if (out_len) *out_len = sizeof(SQLUINTEGER);
        return SQL_SUCCESS;
    };
    switch (attr) {
        case SQL_ATTR_AUTOCOMMIT:
            return put(dbc.autocommit ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF);
        case SQL_ATTR_LOGIN_TIMEOUT:
            return put(dbc.login_timeout);
        case SQL_ATTR_CONNECTION_TIMEOUT:
            return put(dbc.connection_timeout);
        case SQL_ATTR_ACCESS_MODE:
            return put(SQL_MODE_READ_WRITE);
        case SQL_ATTR_TXN_ISOLATION:
            return put(SQL_TXN_READ_COMMITTED);
        case SQL_ATTR_CONNECTION_DEAD:
            return put(dbc.db == nullptr ? SQL_CD_TRUE : SQL_CD_FALSE);
        case SQL_ATTR_CURRENT_CATALOG:
            return put_text("", value, out_len, &dbc.diag);
        default:
            dbc.diag.add("HY092", "Invalid attribute identifier");
            return SQL_ERROR;
    }
}

}  // namespace detalehran::odbc
