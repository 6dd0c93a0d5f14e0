// Any statement text through the driver's dialect translation, then through
// the driver's own prepare, execute and fetch against an inventory database
// in memory. Whatever the text, the driver answers with a result or a
// diagnostic; a statement it accepts is the whole text, with nothing after
// it but blanks, semicolons and comments; a statement it calls a SELECT
// cannot write; text values read back in pieces add up. The input put in a
// text literal of either quoting reads back unchanged, and put in brackets
// names the column.

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/access_expressions.h"
#include "core/dialect.h"
#include "fuzz_check.h"
#include "memory_store.h"

namespace {

using namespace detalehran;
using detalehran::fuzz::shown;

constexpr int kStepBudget = 200000;
constexpr std::size_t kMaxRows = 64;

// After the statement SQLite compiled, nothing that could run: SQLite itself
// compiles the rest to no statement and finds no error in it. A NUL byte
// would end SQLite's reading, so it becomes a letter, which counts outside a
// comment and not inside one; NULs that only end the text hide nothing.
bool nothing_runs_after(sqlite3* db, std::string_view rest) {
    std::string text(rest);
    const std::size_t last = text.find_last_not_of('\0');
    text.resize(last == std::string::npos ? 0 : last + 1);
    for (char& c : text) {
        if (c == '\0') c = 'X';
    }
    text += ' ';  // SQLite reads a "/*" at the very end as "/"
    const char* p = text.c_str();
    const char* const end = p + text.size();
    while (p < end) {
        sqlite3_stmt* next = nullptr;
        const char* tail = nullptr;
        const int rc = sqlite3_prepare_v2(db, p, static_cast<int>(end - p), &next, &tail);
        sqlite3_finalize(next);
        if (rc != SQLITE_OK || next != nullptr) return false;
        if (tail == nullptr || tail <= p) break;
        p = tail;
    }
    return true;
}

bool has_quoting(std::string_view text) { return text.find_first_of("\"[`") != std::string_view::npos; }

void check_translation(std::string_view text, const odbc::Translation& t) {
    if (!t.ok) {
        FUZZ_CHECK(!t.error.empty(), "refused without a reason: " + shown(text));
        return;
    }
    // The same text always translates the same way.
    const odbc::Translation again = odbc::translate_statement(text);
    FUZZ_CHECK(again.ok && again.sql == t.sql && again.kind == t.kind && again.command == t.command,
               "translation not repeatable: " + shown(text));
    // Jet's own statements (SELECT @@IDENTITY, the transaction statements)
    // are replaced whole.
    if (t.command != odbc::Command::none) return;
    // Access's expressions are written again whole; every other statement
    // only has its quoting rewritten, and the "*" of "DELETE * FROM".
    if (t.kind != odbc::StatementKind::ddl && odbc::needs_access_rewrite(t.tokens)) return;
    if (!has_quoting(text) && t.kind != odbc::StatementKind::delete_rows) {
        FUZZ_CHECK(t.sql == text, "text without quoting changed: " + shown(text) + " -> " + shown(t.sql));
    }
    // A translation is never longer than its source allows: each byte
    // becomes at most two, and a LIKE narrowed to a range repeats its column
    // and pattern in the two bounds (a query keeps both forms, the range's
    // and the plain one) with the bounds' functions around them.
    std::size_t likes = 0;
    for (std::size_t at = 0; at + 4 <= text.size(); ++at) {
        if ((text[at] | 0x20) == 'l' && (text[at + 1] | 0x20) == 'i' && (text[at + 2] | 0x20) == 'k' &&
            (text[at + 3] | 0x20) == 'e') {
            ++likes;
        }
    }
    const std::size_t allowed = likes == 0 ? 2 * text.size() + 2 : 8 * text.size() + 256 * likes + 2;
    FUZZ_CHECK(t.sql.size() <= allowed, "translation grew: " + shown(text) + " -> " + shown(t.sql));
}

void check_prepared(std::string_view text, const odbc::Stmt& stmt) {
    sqlite3_stmt* ps = stmt.prepared;
    FUZZ_CHECK(ps != nullptr, "prepared without a statement: " + shown(text));
    const odbc::Translation t = odbc::translate_statement(text);
    FUZZ_CHECK(t.ok && t.kind == stmt.kind, "prepared what the translation refuses: " + shown(text));
    const char* compiled = sqlite3_sql(ps);
    const std::size_t used = compiled ? std::strlen(compiled) : 0;
    FUZZ_CHECK(used <= t.sql.size() && t.sql.compare(0, used, compiled ? compiled : "") == 0,
               "compiled text is not the start of the translation: " + shown(t.sql));
    FUZZ_CHECK(nothing_runs_after(sqlite3_db_handle(ps), std::string_view(t.sql).substr(used)),
               "the driver accepted " + shown(t.sql) + " but SQLite compiled only " + shown(compiled ? compiled : ""));
    if (stmt.kind == odbc::StatementKind::select) {
        FUZZ_CHECK(sqlite3_stmt_readonly(ps) != 0, "a SELECT that writes: " + shown(t.sql));
    }
}

// Runs a statement that must succeed and returns its first row.
fuzz::Row first_row(fuzz::MemoryStore& store, const std::string& sql) {
    fuzz::Rows rows;
    const fuzz::Outcome o = store.query(sql, rows);
    FUZZ_CHECK(o.ok() && rows.size() == 1, "refused: " + shown(sql) + " " + o.describe());
    return rows.front();
}

// The input as a value: in a text literal of either quoting it reads back
// byte for byte, and between brackets it names the column.
void check_literals(fuzz::MemoryStore& store, std::string_view value) {
    if (value.find('\0') != std::string_view::npos) return;  // no C string holds it
    std::string single = "SELECT '", twice = "SELECT \"";
    for (char c : value) {
        single += c;
        twice += c;
        if (c == '\'') single += '\'';
        if (c == '"') twice += '"';
    }
    for (const std::string& sql : {single + "'", twice + "\""}) {
        const fuzz::Row row = first_row(store, sql);
        FUZZ_CHECK(row.size() == 1 && row[0] == std::string(value), "literal changed: " + shown(sql));
    }
    if (!value.empty() && value.find(']') == std::string_view::npos) {
        const std::string sql = "SELECT 1 AS [" + std::string(value) + "]";
        SQLHANDLE h = SQL_NULL_HANDLE;
        FUZZ_CHECK(odbc::alloc_handle(SQL_HANDLE_STMT, &store.dbc(), &h) == SQL_SUCCESS, std::string("no handle"));
        auto& stmt = *static_cast<odbc::Stmt*>(h);
        const SQLRETURN rc = odbc::prepare(stmt, sql);
        FUZZ_CHECK(rc == SQL_SUCCESS && stmt.columns.size() == 1 && stmt.columns[0].name == value,
                   "bracketed name changed: " + shown(sql));
        odbc::free_handle(SQL_HANDLE_STMT, h);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::MemoryStore* store = new fuzz::MemoryStore(kStepBudget);
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const odbc::Translation t = odbc::translate_statement(text);
    check_translation(text, t);

    // The text as a client with a length hands it over, NULs included.
    store->begin_scratch();
    SQLHANDLE h = SQL_NULL_HANDLE;
    FUZZ_CHECK(odbc::alloc_handle(SQL_HANDLE_STMT, &store->dbc(), &h) == SQL_SUCCESS, std::string("no handle"));
    auto& stmt = *static_cast<odbc::Stmt*>(h);
    SQLRETURN rc = odbc::prepare(stmt, text);
    FUZZ_CHECK(SQL_SUCCEEDED(rc) || !stmt.diag.records().empty(), "prepare failed silently: " + shown(text));
    if (!t.ok) FUZZ_CHECK(!SQL_SUCCEEDED(rc), "prepared a text the translation refuses: " + shown(text));
    if (SQL_SUCCEEDED(rc) && stmt.prepared == nullptr) {
        // Only Jet's transaction statements have no statement of SQLite.
        FUZZ_CHECK(odbc::is_transaction_command(stmt.command), "prepared without a statement: " + shown(text));
    } else if (SQL_SUCCEEDED(rc)) {
        check_prepared(text, stmt);
        stmt.diag.clear();
        rc = odbc::execute(stmt);
        FUZZ_CHECK(SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA || !stmt.diag.records().empty(),
                   "execute failed silently: " + shown(text));
        if (SQL_SUCCEEDED(rc) && !stmt.columns.empty()) {
            // Small pieces, of a size the input picks, to cut through
            // multi-byte characters.
            const SQLLEN piece = 2 + static_cast<SQLLEN>(size % 7);
            for (std::size_t n = 0; n < kMaxRows; ++n) {
                stmt.diag.clear();
                const SQLRETURN f = odbc::fetch(stmt, SQL_FETCH_NEXT);
                if (!SQL_SUCCEEDED(f)) {
                    FUZZ_CHECK(f == SQL_NO_DATA || !stmt.diag.records().empty(),
                               "fetch failed silently: " + shown(text));
                    break;
                }
                for (int c = 0; c < static_cast<int>(stmt.columns.size()); ++c) {
                    const fuzz::Cell once = fuzz::read_text(stmt, c, 1 << 16);
                    stmt.piece_column = -1;  // read the same value again from its start
                    const fuzz::Cell pieces = fuzz::read_text(stmt, c, piece);
                    FUZZ_CHECK(once == pieces, "pieces differ from the whole value in " + shown(text));
                }
            }
        }
    }
    odbc::free_handle(SQL_HANDLE_STMT, h);
    store->end_scratch();

    check_literals(*store, text);
    return 0;
}
