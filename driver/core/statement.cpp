#include <sqlite3.h>

#include <cctype>

#include "exact_numbers.h"
#include "handles.h"
#include "like_ranges.h"
#include "store/store_schema.h"

namespace detalehran::odbc {

namespace {

// True when nothing but blanks, semicolons and comments follows. The rest is
// scanned, never compiled: SQLite applies a PRAGMA while compiling it. It is
// scanned to its given end: SQLite stops reading at a NUL byte, and whatever
// a NUL hides must not be dropped unseen. NULs that only end the text (a
// length that counts the terminator) hide nothing.
bool only_trailing_noise(std::string_view rest) {
    for (std::size_t i = 0; i < rest.size();) {
        const auto c = static_cast<unsigned char>(rest[i]);
        if (c == 0) {
            return rest.find_first_not_of('\0', i) == std::string_view::npos;
        } else if (c == ';' || c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r') {
            // SQLite's own blanks; a vertical tab is no blank to it.
            ++i;
        } else if (rest.substr(i, 2) == "--") {
            while (i < rest.size() && rest[i] != '\n') ++i;
        } else if (rest.substr(i, 2) == "/*") {
            const std::size_t close = rest.find("*/", i + 2);
            if (close == std::string_view::npos) return true;  // an open comment runs to the end
            i = close + 2;
        } else {
            return false;
        }
    }
    return true;
}

// Whether rows inserted into a table get their number from SQLite: a single
// integer primary key, as the auto-number ID of Store and Temp is.
bool numbers_its_rows(Dbc& dbc, const std::string& table) {
    if (const auto it = dbc.auto_numbered.find(table); it != dbc.auto_numbered.end()) return it->second;
    sqlite3_stmt* ps = nullptr;
    bool numbered = false;
    if (sqlite3_prepare_v2(dbc.db,
                           "SELECT sum(pk > 0) = 1 AND sum(pk = 1 AND upper(type) = 'INTEGER') = 1 "
                           "FROM pragma_table_info(?1)",
                           -1, &ps, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(ps, 1, table.c_str(), static_cast<int>(table.size()), SQLITE_STATIC);
        numbered = sqlite3_step(ps) == SQLITE_ROW && sqlite3_column_int(ps, 0) == 1;
    }
    sqlite3_finalize(ps);
    dbc.auto_numbered.emplace(table, numbered);
    return numbered;
}

// A result this long has read most of the file.
constexpr std::size_t kWholeFileRows = 50000;

// The file's pages read through the map count as the program's memory
// while mapped: after a statement that read most of the file, once no
// statement of the connection reads, they are let go (the map is made
// again, page by page, by the next read). After a short result they stay:
// mapping them again at every search or click costs more than reading them.
void release_mapped_pages(sqlite3* db) {
    for (sqlite3_stmt* other = sqlite3_next_stmt(db, nullptr); other != nullptr; other = sqlite3_next_stmt(db, other)) {
        if (sqlite3_stmt_busy(other)) return;
    }
    sqlite3_int64 size = 0;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_MMAP_SIZE, &size) != SQLITE_OK || size == 0) return;
    sqlite3_file_control(db, "main", SQLITE_FCNTL_MMAP_SIZE, &size);  // size now holds the old limit: 0 was set
}

}  // namespace

SQLRETURN close_cursor(Stmt& stmt) {
    // A read broken off keeps the pages mapped: the statement that replaces
    // it (a long list left for another before it was read whole) would map
    // them again at once, and both the unmapping and the mapping would fall
    // on that one click. The next read that runs to its end gives them back.
    const bool broken_off = (stmt.cursor == Stmt::Cursor::live && !stmt.ahead.sqlite_done) || stmt.sqlite_rows_left;
    const bool read_file =
        stmt.cursor != Stmt::Cursor::closed && stmt.rows_read >= kWholeFileRows && !broken_off;
    if (stmt.prepared != nullptr && (stmt.cursor == Stmt::Cursor::live || stmt.sqlite_rows_left)) {
        sqlite3_reset(stmt.prepared);
    }
    if (read_file && stmt.dbc != nullptr && stmt.dbc->db != nullptr) release_mapped_pages(stmt.dbc->db);
    stmt.cursor = Stmt::Cursor::closed;
    stmt.prefetched = false;
    stmt.sqlite_rows_left = false;
    stmt.on_row = false;
    stmt.handed_out = false;
    stmt.block_fetched = false;
    stmt.rowset_rows = 0;
    stmt.rows_read = 0;
    stmt.rows.clear();
    stmt.rows.shrink_to_fit();
    stmt.row_pos = 0;
    stmt.piece_column = -1;
    stmt.ahead = RowBlock{};
    stmt.deferred_failure.clear();
    stmt.failure_deferred = false;
    return SQL_SUCCESS;
}

void release_statement(Stmt& stmt) {
    close_cursor(stmt);
    sqlite3_finalize(stmt.prepared);
    stmt.prepared = nullptr;
    stmt.executed = false;
    stmt.columns.clear();
    stmt.command = Command::none;
    stmt.keeps_identity = false;
    stmt.tables.clear();
    stmt.marker_refs.clear();
    stmt.markers.sqlite_numbers.clear();
    stmt.markers.exactness.clear();
    stmt.markers.need_data = false;
}

void detach_readers(Dbc& dbc, const Stmt* except) {
    for (Stmt* other : dbc.statements) {
        if (other == except) continue;
        if (other->cursor == Stmt::Cursor::live) buffer_rest(*other);
        if (other->sqlite_rows_left) keep_all_rows(*other);
    }
}

SQLRETURN native_sql(Dbc& dbc, std::string_view in, const TextOut& out, SQLINTEGER* out_len) {
    const Translation t = translate_statement(in);
    if (!t.ok) {
        dbc.diag.add("42000", t.error);
        return SQL_ERROR;
    }
    return put_text(t.sql, out, out_len, &dbc.diag);
}

SQLRETURN prepare(Stmt& stmt, std::string_view sql) {
    release_statement(stmt);
    Translation t = translate_statement(sql);
    // A LIKE is read by range only on the store's text columns.
    if (t.ok && !t.like_columns.empty() && !like_ranges_fit(stmt.dbc->db, named_tables(t.tokens), t.like_columns))
        t = translate_statement(sql, false);
    if (!t.ok) {
        stmt.diag.add("42000", t.error);
        return SQL_ERROR;
    }
    // A number SQLite would round must not be rounded unseen.
    if (const std::string inexact = inexact_literal(t.tokens); !inexact.empty()) {
        stmt.diag.add("22003", inexact);
        return SQL_ERROR;
    }
    stmt.kind = t.kind;
    stmt.command = t.command;
    if (is_transaction_command(t.command)) return SQL_SUCCESS;
    sqlite3* db = stmt.dbc->db;
    sqlite3_stmt* ps = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(db, t.sql.c_str(), static_cast<int>(t.sql.size()), &ps, &tail);
    if (rc != SQLITE_OK) return sqlite_failure(stmt.diag, db, rc);
    if (ps == nullptr) {
        stmt.diag.add("42000", "Invalid SQL statement: the text holds no statement");
        return SQL_ERROR;
    }
    // One statement per call, as Jet takes it: nothing may ride along.
    if (!only_trailing_noise(std::string_view(t.sql).substr(static_cast<std::size_t>(tail - t.sql.c_str())))) {
        sqlite3_finalize(ps);
        stmt.diag.add("42000", "Characters found after end of SQL statement");
        return SQL_ERROR;
    }
    stmt.prepared = ps;
    stmt.keeps_identity = t.kind == StatementKind::insert && !numbers_its_rows(*stmt.dbc, t.target);
    // The client's markers are SQLite's parameters without a name.
    const int parameters = sqlite3_bind_parameter_count(ps);
    for (int i = 1; i <= parameters; ++i) {
        if (t.numbered_markers || sqlite3_bind_parameter_name(ps, i) == nullptr)
            stmt.markers.sqlite_numbers.push_back(i);
    }
    stmt.tables = named_tables(t.tokens);
    if (!stmt.markers.sqlite_numbers.empty()) {
        stmt.marker_refs = marker_columns(t.tokens);
        // Markers of money columns take amounts, kept exactly.
        stmt.markers.exactness.assign(stmt.markers.sqlite_numbers.size(), Exactness::none);
        for (std::size_t k = 0; k < stmt.marker_refs.size() && k < stmt.markers.exactness.size(); ++k) {
            if (stmt.marker_refs[k].column.empty() || marker_column(stmt, k).kind != ValueKind::money) continue;
            stmt.markers.exactness[k] = stmt.marker_refs[k].assigned ? Exactness::amount : Exactness::digits;
        }
    }
    const int n = sqlite3_column_count(ps);
    stmt.columns.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) stmt.columns.push_back(describe_result_column(ps, i));
    if (t.command == Command::identity) {
        stmt.columns[0] = column_of_type("INTEGER");
        stmt.columns[0].name = sqlite3_column_name(ps, 0);
        stmt.columns[0].nullable = SQL_NO_NULLS;
    } else if (n > 0) {
        type_computed_columns(stmt, t.tokens);
    }
    return SQL_SUCCESS;
}

SQLRETURN execute(Stmt& stmt) {
    if (stmt.markers.need_data) {
        stmt.diag.add("HY010", "Function sequence error: parameters still wait for data");
        return SQL_ERROR;
    }
    if (is_transaction_command(stmt.command)) {
        close_cursor(stmt);
        stmt.executed = true;
        return run_transaction_command(stmt);
    }
    if (stmt.prepared == nullptr) {
        stmt.diag.add("HY010", "Function sequence error: no statement prepared");
        return SQL_ERROR;
    }
    close_cursor(stmt);
    if (stmt.markers.paramset_size > 1 && !stmt.markers.sqlite_numbers.empty()) return execute_array(stmt);
    stmt.markers.set = 0;
    if (stmt.markers.processed) *stmt.markers.processed = 1;
    if (!stmt.markers.sqlite_numbers.empty()) {
        const SQLRETURN bound = bind_markers(stmt);
        if (stmt.markers.status) *stmt.markers.status = bound == SQL_ERROR ? SQL_PARAM_ERROR : SQL_PARAM_SUCCESS;
        if (bound != SQL_SUCCESS) return bound;
    }
    const SQLRETURN rc = run_prepared(stmt);
    if (stmt.markers.status) *stmt.markers.status = rc == SQL_ERROR ? SQL_PARAM_ERROR : SQL_PARAM_SUCCESS;
    return rc;
}

SQLRETURN execute_array(Stmt& stmt) {
    Markers& m = stmt.markers;
    if (!stmt.columns.empty()) {
        stmt.diag.add("HYC00", "Optional feature not implemented: a query with an array of parameter values");
        return SQL_ERROR;
    }
    Dbc& dbc = *stmt.dbc;
    // With automatic commit the sets still commit together, at the end: one
    // write to disk instead of one for each set. A set that fails changes
    // nothing and leaves the others in.
    const bool own_transaction = !manual_commit(dbc) && sqlite3_get_autocommit(dbc.db);
    if (own_transaction) {
        detach_readers(dbc, &stmt);
        const int begun = sqlite3_exec(dbc.db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        if (begun != SQLITE_OK) return sqlite_failure(stmt.diag, dbc.db, begun);
    }
    const std::size_t n = m.paramset_size;
    SQLLEN total = 0;
    std::size_t tried = 0, failed = 0;
    bool lost = false;
    for (std::size_t i = 0; i < n; ++i) {
        m.set = i;
        if (m.operation && m.operation[i] == SQL_PARAM_IGNORE) {
            if (m.status) m.status[i] = SQL_PARAM_UNUSED;
            continue;
        }
        ++tried;
        if (m.processed) *m.processed = i + 1;
        SQLRETURN rc = bind_markers(stmt);
        if (rc == SQL_SUCCESS) rc = run_prepared(stmt);
        if (rc == SQL_ERROR) {
            ++failed;
        } else if (stmt.row_count > 0) {
            total += stmt.row_count;
        }
        if (m.status) {
            m.status[i] = rc == SQL_ERROR               ? SQL_PARAM_ERROR
                          : rc == SQL_SUCCESS_WITH_INFO ? SQL_PARAM_SUCCESS_WITH_INFO
                                                        : SQL_PARAM_SUCCESS;
        }
        if (own_transaction && sqlite3_get_autocommit(dbc.db)) {
            // SQLite rolled the whole transaction back (a full disk, an I/O
            // error): no set of this array is stored.
            lost = true;
            for (std::size_t k = 0; k <= i && m.status; ++k) {
                if (m.status[k] != SQL_PARAM_UNUSED) m.status[k] = SQL_PARAM_ERROR;
            }
            for (std::size_t k = i + 1; k < n && m.status; ++k) m.status[k] = SQL_PARAM_UNUSED;
            break;
        }
    }
    m.set = 0;
    if (own_transaction && !lost) {
        const int committed = sqlite3_exec(dbc.db, "COMMIT", nullptr, nullptr, nullptr);
        if (committed != SQLITE_OK) {
            const SQLRETURN err = sqlite_failure(stmt.diag, dbc.db, committed);
            if (!sqlite3_get_autocommit(dbc.db)) sqlite3_exec(dbc.db, "ROLLBACK", nullptr, nullptr, nullptr);
            for (std::size_t k = 0; k < n && m.status; ++k) {
                if (m.status[k] != SQL_PARAM_UNUSED) m.status[k] = SQL_PARAM_ERROR;
            }
            stmt.row_count = 0;
            return err;
        }
    }
    stmt.row_count = lost ? 0 : total;
    stmt.diag.row_count = stmt.row_count;
    if (lost || (tried > 0 && failed == tried)) return SQL_ERROR;
    if (failed > 0) return SQL_SUCCESS_WITH_INFO;
    if (total == 0 && tried > 0 && (stmt.kind == StatementKind::update || stmt.kind == StatementKind::delete_rows)) {
        return SQL_NO_DATA;
    }
    return SQL_SUCCESS;
}

SQLRETURN run_prepared(Stmt& stmt) {
    Dbc& dbc = *stmt.dbc;
    sqlite3_stmt* ps = stmt.prepared;
    const bool writes = !sqlite3_stmt_readonly(ps);
    if (writes) {
        // A write must commit when it ends, which SQLite does only when no
        // other statement is still reading.
        detach_readers(dbc, &stmt);
        const SQLRETURN begun = begin_write(dbc, stmt.diag);
        if (!SQL_SUCCEEDED(begun)) return begun;
    }
    const sqlite3_int64 before = sqlite3_total_changes64(dbc.db);
    // SELECT @@IDENTITY answers with SQLite's last inserted row number; only
    // rows that got an auto-number may change it, as in Jet.
    const sqlite3_int64 identity = sqlite3_last_insert_rowid(dbc.db);
    int rc = sqlite3_step(ps);
    stmt.executed = true;
    if (!stmt.columns.empty()) {
        if (rc == SQLITE_ROW) {
            stmt.cursor = stmt.scrollable() ? Stmt::Cursor::buffered : Stmt::Cursor::live;
            stmt.sqlite_rows_left = stmt.scrollable();
            stmt.prefetched = true;
        } else if (rc == SQLITE_DONE) {
            sqlite3_reset(ps);
            stmt.cursor = Stmt::Cursor::buffered;  // an empty result
        } else {
            const SQLRETURN err = sqlite_failure(stmt.diag, dbc.db, rc);
            sqlite3_reset(ps);
            return err;
        }
        stmt.row_count = -1;
        stmt.diag.row_count = -1;
        return SQL_SUCCESS;
    }
    while (rc == SQLITE_ROW) rc = sqlite3_step(ps);
    if (rc != SQLITE_DONE || stmt.keeps_identity) sqlite3_set_last_insert_rowid(dbc.db, identity);
    if (rc != SQLITE_DONE) {
        const SQLRETURN err = sqlite_failure(stmt.diag, dbc.db, rc);
        sqlite3_reset(ps);
        if (writes) after_write(dbc, stmt.diag);
        return err;
    }
    sqlite3_reset(ps);
    if (stmt.kind == StatementKind::ddl) dbc.auto_numbered.clear();
    // The rows the statement itself changed: the history's triggers write
    // rows of their own, which no client asked for.
    const bool direct = stmt.kind == StatementKind::insert || stmt.kind == StatementKind::update ||
                        stmt.kind == StatementKind::delete_rows;
    stmt.row_count = static_cast<SQLLEN>(direct ? sqlite3_changes64(dbc.db) : sqlite3_total_changes64(dbc.db) - before);
    stmt.diag.row_count = stmt.row_count;
    if (stmt.row_count == 0 && (stmt.kind == StatementKind::update || stmt.kind == StatementKind::delete_rows)) {
        return SQL_NO_DATA;
    }
    return SQL_SUCCESS;
}

}  // namespace detalehran::odbc
