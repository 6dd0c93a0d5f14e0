// Moving a cursor and fetching rowsets. A forward-only cursor reads rows
// from SQLite one after the other, in blocks. A static cursor keeps a copy of
// every row it has read: it can go back to any of them, and reads ahead
// from SQLite only as far as a fetch needs (to the end for the last row or
// a count). The rows it shows are those of its execution: writes of the
// same connection copy the rest first (detach_readers).

#include <sqlite3.h>

#include <algorithm>

#include "cursor.h"

namespace detalehran::odbc {

namespace {

constexpr std::size_t kAll = static_cast<std::size_t>(-1);

bool within_max_rows(const Stmt& stmt) { return stmt.max_rows == 0 || stmt.rows_read < stmt.max_rows; }

void end_of_sqlite_rows(Stmt& stmt) {
    sqlite3_reset(stmt.prepared);  // ends the read transaction
    stmt.sqlite_rows_left = false;
    stmt.prefetched = false;
}

// Static cursor: copies rows from SQLite until `wanted` rows are kept or the
// result ends.
SQLRETURN keep_rows(Stmt& stmt, std::size_t wanted) {
    while (stmt.rows.size() < wanted && stmt.sqlite_rows_left) {
        if (!within_max_rows(stmt)) {
            end_of_sqlite_rows(stmt);
            break;
        }
        if (!stmt.prefetched) {
            const int step = sqlite3_step(stmt.prepared);
            if (step == SQLITE_DONE) {
                end_of_sqlite_rows(stmt);
                break;
            }
            if (step != SQLITE_ROW) {
                const SQLRETURN rc = sqlite_failure(stmt.diag, stmt.dbc->db, step);
                end_of_sqlite_rows(stmt);
                return rc;
            }
        }
        stmt.prefetched = false;
        stmt.rows.push_back(copy_of_live(stmt));
        ++stmt.rows_read;
    }
    return SQL_SUCCESS;
}

// Steps SQLite to its next row of a forward-only cursor's result; false at
// the end, or on a failure, which is kept for the fetch that reaches it.
bool step_live(Stmt& stmt) {
    int step = SQLITE_DONE;
    if (within_max_rows(stmt)) {
        step = stmt.prefetched ? SQLITE_ROW : sqlite3_step(stmt.prepared);
        stmt.prefetched = false;
    }
    if (step == SQLITE_ROW) {
        ++stmt.rows_read;
        return true;
    }
    if (step != SQLITE_DONE) {
        sqlite_failure(stmt.deferred_failure, stmt.dbc->db, step);
        stmt.failure_deferred = true;
    }
    sqlite3_reset(stmt.prepared);  // ends the read transaction
    stmt.ahead.sqlite_done = true;
    return false;
}

// The rows a live cursor has read ahead come in blocks that double from
// one row up to this, so that a client that reads one row of a large
// result makes SQLite find no more than that, and one that reads them all
// gets them in long runs: SQLite's code and the client's then take turns
// in the processor's caches a block at a time, not a value at a time.
constexpr std::size_t kBlockRows = 256;
constexpr std::size_t kBlockBytes = 256 * 1024;

// Reads the next block of a live cursor's rows from SQLite.
void read_ahead(Stmt& stmt) {
    RowBlock& b = stmt.ahead;
    b.bytes.clear();
    b.cells.clear();
    b.rows = 0;
    b.next = 0;
    const std::size_t n = stmt.columns.size();
    std::string scratch;
    while (b.rows < b.wanted && b.bytes.size() < kBlockBytes && !b.sqlite_done && step_live(stmt)) {
        for (std::size_t i = 0; i < n; ++i) {
            const CellView v = view_of_live(stmt.prepared, static_cast<int>(i), stmt.columns[i].kind, scratch);
            b.cells.push_back({b.bytes.size(), v.text.size(), v.null});
            b.bytes.append(v.text);
        }
        ++b.rows;
    }
    b.wanted = std::min(b.wanted * 2, kBlockRows);
}

// The end of a forward-only cursor's rows: SQL_NO_DATA, or the failure
// SQLite reported on the way there.
SQLRETURN end_of_rows(Stmt& stmt) {
    if (!stmt.failure_deferred) return SQL_NO_DATA;
    stmt.diag.append(stmt.deferred_failure);
    stmt.deferred_failure.clear();
    stmt.failure_deferred = false;
    return SQL_ERROR;
}

// Forward-only cursor: moves to the next row; false at the end or on
// failure (rc says which).
bool advance(Stmt& stmt, SQLRETURN& rc) {
    rc = SQL_SUCCESS;
    if (stmt.cursor == Stmt::Cursor::buffered) {
        if (stmt.row_pos < stmt.rows.size()) {
            ++stmt.row_pos;
            return true;
        }
        // Past the end; a failure that cut the copied rows short is told
        // once, where they end.
        if (stmt.row_pos == stmt.rows.size()) rc = end_of_rows(stmt);
        stmt.row_pos = stmt.rows.size() + 1;
        if (rc == SQL_SUCCESS) rc = SQL_NO_DATA;
        return false;
    }
    RowBlock& b = stmt.ahead;
    if (b.next < b.rows) {
        ++b.next;
        return true;
    }
    read_ahead(stmt);
    if (b.rows > 0) {
        b.next = 1;
        return true;
    }
    rc = end_of_rows(stmt);
    stmt.cursor = Stmt::Cursor::buffered;
    stmt.rows.clear();
    stmt.row_pos = 1;
    return false;
}

void merge(SQLRETURN& into, SQLRETURN r) {
    if (r == SQL_ERROR) {
        into = SQL_ERROR;
    } else if (r == SQL_SUCCESS_WITH_INFO && into == SQL_SUCCESS) {
        into = SQL_SUCCESS_WITH_INFO;
    }
}

SQLUSMALLINT row_status(SQLRETURN r) {
    return r == SQL_SUCCESS ? SQL_ROW_SUCCESS : r == SQL_SUCCESS_WITH_INFO ? SQL_ROW_SUCCESS_WITH_INFO : SQL_ROW_ERROR;
}

SQLRETURN fetch_forward(Stmt& stmt, SQLULEN size, SQLULEN* fetched, SQLUSMALLINT* status) {
    SQLRETURN rc = SQL_SUCCESS;
    SQLULEN got = 0;
    for (; got < size; ++got) {
        SQLRETURN step = SQL_SUCCESS;
        stmt.on_row = advance(stmt, step);
        if (!stmt.on_row) {
            if (step == SQL_ERROR) rc = SQL_ERROR;
            break;
        }
        SQLRETURN r = SQL_SUCCESS;
        if (!stmt.bindings.empty()) {
            r = fill_bound_row(stmt, got, [&](int i) { return current_cell(stmt, i); });
        }
        if (status) status[got] = row_status(r);
        merge(rc, r);
    }
    // SQLGetData would read the rowset's last row, not its first: it is
    // refused after a fetch of a block.
    stmt.block_fetched = size > 1;
    if (fetched) *fetched = got;
    if (status) std::fill(status + got, status + size, SQL_ROW_NOROW);
    if (got == 0 && rc != SQL_ERROR) return SQL_NO_DATA;
    return rc;
}

// The first row (1-based) of the rowset a scroll asks for; 0 before the
// first row, rows.size() + 1 after the last.
SQLRETURN scroll_target(Stmt& stmt, SQLSMALLINT orientation, SQLLEN offset, SQLULEN size, long long& target) {
    const auto current = static_cast<long long>(stmt.row_pos);
    const auto rowset = static_cast<long long>(size);
    auto all_rows = [&](long long& n) {
        const SQLRETURN rc = keep_rows(stmt, kAll);
        n = static_cast<long long>(stmt.rows.size());
        return rc;
    };
    long long n = 0;
    SQLRETURN rc = SQL_SUCCESS;
    const bool after_end = !stmt.sqlite_rows_left && current > static_cast<long long>(stmt.rows.size());
    switch (orientation) {
        case SQL_FETCH_NEXT:
            target = current == 0 ? 1 : current + static_cast<long long>(std::max<std::size_t>(stmt.rowset_rows, 1));
            break;
        case SQL_FETCH_PRIOR:
            if (after_end) {
                rc = all_rows(n);
                target = std::max(n - rowset + 1, 1LL);
            } else {
                target = current - rowset;
                if (target < 1 && current > 1) target = 1;
            }
            break;
        case SQL_FETCH_FIRST:
            target = 1;
            break;
        case SQL_FETCH_LAST:
            rc = all_rows(n);
            target = std::max(n - rowset + 1, 1LL);
            break;
        case SQL_FETCH_ABSOLUTE:
            if (offset > 0) {
                target = offset;
            } else if (offset < 0) {
                rc = all_rows(n);
                target = n + offset + 1;
                if (target < 1 && -offset <= rowset) target = 1;
            } else {
                target = 0;
            }
            break;
        case SQL_FETCH_RELATIVE:
            if (current == 0) {
                target = offset > 0 ? offset : 0;
            } else if (after_end) {
                rc = all_rows(n);
                target = offset < 0 ? n + 1 + offset : n + 1;
            } else {
                target = current + offset;
            }
            break;
        default:
            stmt.diag.add("HY106", "Fetch type out of range: " + std::string(orientation == SQL_FETCH_BOOKMARK
                                                                                 ? "bookmarks are not supported"
                                                                                 : "unknown fetch type"));
            return SQL_ERROR;
    }
    return rc;
}

SQLRETURN fetch_static(Stmt& stmt, SQLSMALLINT orientation, SQLLEN offset, SQLULEN size, SQLULEN* fetched,
                       SQLUSMALLINT* status) {
    long long target = 0;
    SQLRETURN rc = scroll_target(stmt, orientation, offset, size, target);
    if (rc == SQL_ERROR) return rc;
    if (target >= 1) {
        const SQLRETURN kept = keep_rows(stmt, static_cast<std::size_t>(target) + size - 1);
        if (kept == SQL_ERROR) return kept;
    }
    const auto kept = static_cast<long long>(stmt.rows.size());
    auto no_rows = [&](std::size_t position) {
        stmt.row_pos = position;
        stmt.rowset_rows = 0;
        stmt.on_row = false;
        if (fetched) *fetched = 0;
        if (status) std::fill(status, status + size, SQL_ROW_NOROW);
        return SQL_NO_DATA;
    };
    if (target < 1) return no_rows(0);
    if (target > kept) return no_rows(stmt.rows.size() + 1);
    stmt.row_pos = static_cast<std::size_t>(target);
    stmt.on_row = true;
    const std::size_t got = std::min<std::size_t>(size, static_cast<std::size_t>(kept - target + 1));
    stmt.rowset_rows = got;
    rc = SQL_SUCCESS;
    for (std::size_t k = 0; k < got; ++k) {
        SQLRETURN r = SQL_SUCCESS;
        if (!stmt.bindings.empty()) {
            const Row& row = stmt.rows[stmt.row_pos - 1 + k];
            r = fill_bound_row(stmt, k, [&](int i) {
                const Cell& c = row[static_cast<std::size_t>(i)];
                return CellView{c.null, c.text};
            });
        }
        if (status) status[k] = row_status(r);
        merge(rc, r);
    }
    if (fetched) *fetched = got;
    if (status) std::fill(status + got, status + size, SQL_ROW_NOROW);
    return rc;
}

}  // namespace

void buffer_rest(Stmt& stmt) {
    if (stmt.cursor != Stmt::Cursor::live) return;
    std::vector<Row> rows;
    // The current row, then those read ahead, then the rest of SQLite's.
    const RowBlock& b = stmt.ahead;
    const std::size_t n = stmt.columns.size();
    for (std::size_t r = stmt.on_row ? b.next - 1 : b.next; r < b.rows; ++r) {
        Row row(n);
        for (std::size_t i = 0; i < n; ++i) {
            const RowBlock::Span& span = b.cells[r * n + i];
            row[i] = Cell{span.null, b.bytes.substr(span.offset, span.size)};
        }
        rows.push_back(std::move(row));
    }
    while (!stmt.ahead.sqlite_done && step_live(stmt)) rows.push_back(copy_of_live(stmt));
    stmt.rows = std::move(rows);
    stmt.cursor = Stmt::Cursor::buffered;
    stmt.row_pos = stmt.on_row ? 1 : 0;
    stmt.ahead = RowBlock{};
}

SQLRETURN keep_all_rows(Stmt& stmt) { return keep_rows(stmt, kAll); }

SQLRETURN fetch_rowset(Stmt& stmt, SQLSMALLINT orientation, SQLLEN offset, SQLULEN rows, SQLULEN* fetched,
                       SQLUSMALLINT* status) {
    if (stmt.cursor == Stmt::Cursor::closed || stmt.columns.empty()) {
        stmt.diag.add("24000", "Invalid cursor state: no result to fetch from");
        return SQL_ERROR;
    }
    const SQLULEN size = std::max<SQLULEN>(rows, 1);
    stmt.piece_column = -1;
    stmt.handed_out = true;
    if (stmt.scrollable()) {
        stmt.block_fetched = false;
        return fetch_static(stmt, orientation, offset, size, fetched, status);
    }
    if (orientation != SQL_FETCH_NEXT) {
        stmt.diag.add("HY106", "Fetch type out of range: the cursor is forward-only");
        return SQL_ERROR;
    }
    return fetch_forward(stmt, size, fetched, status);
}

SQLRETURN fetch(Stmt& stmt, SQLSMALLINT orientation, SQLLEN offset) {
    return fetch_rowset(stmt, orientation, offset, stmt.row_array_size, stmt.rows_fetched_ptr, stmt.row_status_ptr);
}

SQLLEN result_row_count(Stmt& stmt) {
    if (stmt.columns.empty() || stmt.cursor == Stmt::Cursor::closed) return stmt.row_count;
    if (!stmt.scrollable()) return -1;
    if (keep_all_rows(stmt) == SQL_ERROR) return -1;
    return static_cast<SQLLEN>(stmt.rows.size());
}

}  // namespace detalehran::odbc
