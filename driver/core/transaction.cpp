// Transactions. With automatic commit every statement commits when it ends;
// in manual-commit mode (SQL_ATTR_AUTOCOMMIT off, or after Jet's BEGIN
// TRANSACTION) the driver begins a transaction of SQLite at the first
// statement that writes, so that clients that only read never hold the file,
// and ends it with SQLEndTran, COMMIT or ROLLBACK. BEGIN IMMEDIATE takes the
// write lock at once: waiting for another program's lock then happens there,
// under the busy timeout, and never as a deadlock half-way through.

#include <sqlite3.h>

#include "handles.h"

namespace detalehran::odbc {

namespace {

constexpr const char* kLost =
    "The transaction was rolled back after an error; nothing of it was committed. End it with a rollback";

// A long transaction (an import, a conversion, a paste of many items)
// changes more pages than SQLite's default cache of 2 MiB holds: it would
// write them to the file and read them back again and again before the
// commit. While a transaction is open the cache may grow to 64 MiB; at its
// end the cache shrinks back and gives the memory up.
constexpr const char* kTransactionCachePragma = "PRAGMA cache_size = -65536";
constexpr const char* kIdleCachePragma = "PRAGMA cache_size = -2000";

void set_page_cache(Dbc& dbc, const char* pragma) {
    if (dbc.db != nullptr) sqlite3_exec(dbc.db, pragma, nullptr, nullptr, nullptr);
}

void forget_transaction(Dbc& dbc) {
    set_page_cache(dbc, kIdleCachePragma);
    dbc.in_transaction = false;
    dbc.transaction_lost = false;
    dbc.explicit_transaction = false;
}

SQLRETURN run_sql(Dbc& dbc, Diagnostics& diag, const char* sql) {
    const int rc = sqlite3_exec(dbc.db, sql, nullptr, nullptr, nullptr);
    return rc == SQLITE_OK ? SQL_SUCCESS : sqlite_failure(diag, dbc.db, rc);
}

SQLRETURN finish(Dbc& dbc, Diagnostics& diag, SQLSMALLINT completion) {
    if (completion != SQL_COMMIT && completion != SQL_ROLLBACK) {
        diag.add("HY012", "Invalid transaction operation code");
        return SQL_ERROR;
    }
    if (dbc.db == nullptr) return SQL_SUCCESS;
    // Cursors keep their rows: a statement still reading from SQLite would
    // stop a commit, and a rollback would cut it off.
    detach_readers(dbc, nullptr);
    if (dbc.transaction_lost) {
        forget_transaction(dbc);
        if (completion == SQL_ROLLBACK) return SQL_SUCCESS;
        diag.add("40001", kLost);
        return SQL_ERROR;
    }
    if (!dbc.in_transaction) {
        dbc.explicit_transaction = false;
        return SQL_SUCCESS;
    }
    const SQLRETURN rc = run_sql(dbc, diag, completion == SQL_COMMIT ? "COMMIT" : "ROLLBACK");
    // A commit that waited in vain for another program's readers leaves
    // the transaction open, to be committed again or rolled back.
    if (!SQL_SUCCEEDED(rc) && !sqlite3_get_autocommit(dbc.db)) return rc;
    forget_transaction(dbc);
    return rc;
}

}  // namespace

bool manual_commit(const Dbc& dbc) { return !dbc.autocommit || dbc.explicit_transaction; }

SQLRETURN begin_write(Dbc& dbc, Diagnostics& diag) {
    if (dbc.transaction_lost) {
        diag.add("40001", kLost);
        return SQL_ERROR;
    }
    if (!manual_commit(dbc) || dbc.in_transaction) return SQL_SUCCESS;
    const SQLRETURN rc = run_sql(dbc, diag, "BEGIN IMMEDIATE");
    if (SQL_SUCCEEDED(rc)) {
        dbc.in_transaction = true;
        set_page_cache(dbc, kTransactionCachePragma);
    }
    return rc;
}

void after_write(Dbc& dbc, Diagnostics& diag) {
    // Some failures (a full disk, an I/O error) make SQLite roll back the
    // whole transaction. The statements that follow must not commit on
    // their own as if nothing had happened.
    if (dbc.in_transaction && sqlite3_get_autocommit(dbc.db)) {
        dbc.in_transaction = false;
        dbc.transaction_lost = true;
        diag.add("40001", kLost);
    }
}

SQLRETURN end_transaction(Dbc& dbc, SQLSMALLINT completion) { return finish(dbc, dbc.diag, completion); }

SQLRETURN end_transactions(Env& env, SQLSMALLINT completion) {
    SQLRETURN result = SQL_SUCCESS;
    for (Dbc* dbc : env.connections) {
        const SQLRETURN rc = finish(*dbc, env.diag, completion);
        if (!SQL_SUCCEEDED(rc)) result = SQL_ERROR;
    }
    return result;
}

SQLRETURN set_autocommit(Dbc& dbc, bool on) {
    // Switching automatic commit on commits what is open.
    if (on && !dbc.autocommit) {
        const SQLRETURN rc = finish(dbc, dbc.diag, SQL_COMMIT);
        if (!SQL_SUCCEEDED(rc)) return rc;
    }
    dbc.autocommit = on;
    return SQL_SUCCESS;
}

void roll_back_on_close(Dbc& dbc) {
    if (dbc.in_transaction && !sqlite3_get_autocommit(dbc.db))
        sqlite3_exec(dbc.db, "ROLLBACK", nullptr, nullptr, nullptr);
    forget_transaction(dbc);
}

SQLRETURN run_transaction_command(Stmt& stmt) {
    Dbc& dbc = *stmt.dbc;
    stmt.row_count = -1;
    if (stmt.command == Command::begin) {
        if (dbc.explicit_transaction) {
            stmt.diag.add("25000", "Invalid transaction state: a transaction is already open");
            return SQL_ERROR;
        }
        dbc.explicit_transaction = true;
        return SQL_SUCCESS;
    }
    if (!manual_commit(dbc)) {
        stmt.diag.add("25000", "Invalid transaction state: no transaction is open");
        return SQL_ERROR;
    }
    return finish(dbc, stmt.diag, stmt.command == Command::commit ? SQL_COMMIT : SQL_ROLLBACK);
}

}  // namespace detalehran::odbc
