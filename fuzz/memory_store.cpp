#include "memory_store.h"

#include <algorithm>

#include "core/access_functions.h"
#include "core/parameters.h"
#include "fuzz_check.h"
#include "store/store_schema.h"

namespace detalehran::fuzz {

namespace {

constexpr int kStepsPerCheck = 1000;

Outcome outcome_of(const odbc::Stmt& stmt, SQLRETURN rc) {
    Outcome o;
    o.rc = rc;
    if (!stmt.diag.records().empty()) {
        o.sqlstate = stmt.diag.records().front().sqlstate;
        o.message = stmt.diag.records().front().message;
    }
    // A failure always says why.
    FUZZ_CHECK(SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA || !stmt.diag.records().empty(),
               "return code " + std::to_string(rc) + " without a diagnostic record");
    return o;
}

// The handle as the entry points hand it over: diagnostics cleared first.
odbc::Stmt& fresh(odbc::Stmt& stmt) {
    stmt.diag.clear();
    return stmt;
}

}  // namespace

std::string Outcome::describe() const { return "rc " + std::to_string(rc) + " [" + sqlstate + "] " + message; }

MemoryStore::MemoryStore(int step_budget) : step_budget_(step_budget) {
    FUZZ_CHECK(sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK,
               std::string("cannot open a database in memory"));
    // The settings the driver gives every connection it opens.
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    FUZZ_CHECK(odbc::register_statement_functions(db_),
               std::string("cannot register the text rules"));
    run_sql(store::schema_sql().c_str());
    // Keeps a hostile statement from growing values without end.
    sqlite3_limit(db_, SQLITE_LIMIT_LENGTH, 1 << 20);
    if (step_budget_ > 0) sqlite3_progress_handler(db_, kStepsPerCheck, &MemoryStore::on_progress, this);

    FUZZ_CHECK(odbc::alloc_handle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_) == SQL_SUCCESS, std::string("no env"));
    SQLHANDLE dbc = SQL_NULL_HANDLE;
    FUZZ_CHECK(odbc::alloc_handle(SQL_HANDLE_DBC, env_, &dbc) == SQL_SUCCESS, std::string("no dbc"));
    dbc_ = static_cast<odbc::Dbc*>(dbc);
    dbc_->db = db_;
    dbc_->path = ":memory:";
}

MemoryStore::~MemoryStore() {
    odbc::disconnect(*dbc_);  // closes the database with the statements
    odbc::free_handle(SQL_HANDLE_DBC, dbc_);
    odbc::free_handle(SQL_HANDLE_ENV, env_);
}

int MemoryStore::on_progress(void* self) {
    auto* store = static_cast<MemoryStore*>(self);
    store->steps_left_ -= kStepsPerCheck;
    return store->steps_left_ < 0 ? 1 : 0;
}

void MemoryStore::run_sql(const char* sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &message);
    const std::string why = message ? message : sqlite3_errstr(rc);
    sqlite3_free(message);
    FUZZ_CHECK(rc == SQLITE_OK, std::string(sql) + ": " + why);
}

void MemoryStore::empty_tables() {
    steps_left_ = 1 << 30;
    run_sql("DELETE FROM \"Store\"; DELETE FROM \"Temp\"; DELETE FROM \"Package\"; DELETE FROM sqlite_sequence;");
}

void MemoryStore::begin_scratch() {
    steps_left_ = 1 << 30;
    run_sql("SAVEPOINT fuzz_scratch");
}

void MemoryStore::end_scratch() {
    steps_left_ = 1 << 30;
    // An interrupted write, or one with ON CONFLICT ROLLBACK, has rolled
    // back the whole transaction already.
    if (!sqlite3_get_autocommit(db_)) run_sql("ROLLBACK TO fuzz_scratch; RELEASE fuzz_scratch");
    // A BEGIN TRANSACTION of the input ends with the scratch work too.
    odbc::end_transaction(*dbc_, SQL_ROLLBACK);
}

void MemoryStore::bind(odbc::Stmt& stmt, const std::vector<Param>& params, std::vector<SQLLEN>& lengths) {
    lengths.assign(params.size(), 0);
    for (std::size_t k = 0; k < params.size(); ++k) {
        const Param& p = params[k];
        lengths[k] = static_cast<SQLLEN>(p.text.size());
        odbc::ParamBinding binding;
        binding.c_type = SQL_C_CHAR;
        binding.sql_type = p.sql_type;
        binding.size = p.size;
        binding.digits = p.decimals;
        binding.value = const_cast<char*>(p.text.data());
        binding.buffer_len = static_cast<SQLLEN>(p.text.size());
        binding.indicator = &lengths[k];
        FUZZ_CHECK(SQL_SUCCEEDED(odbc::bind_parameter(fresh(stmt), static_cast<SQLUSMALLINT>(k + 1), SQL_PARAM_INPUT,
                                                      binding)),
                   "a value cannot be bound: " + p.text);
    }
}

Outcome MemoryStore::update(const std::string& statement, const std::vector<Param>& params) {
    steps_left_ = step_budget_;
    SQLHANDLE h = SQL_NULL_HANDLE;
    FUZZ_CHECK(odbc::alloc_handle(SQL_HANDLE_STMT, dbc_, &h) == SQL_SUCCESS, std::string("no statement handle"));
    auto& stmt = *static_cast<odbc::Stmt*>(h);
    std::vector<SQLLEN> lengths;
    bind(stmt, params, lengths);
    const auto* text = reinterpret_cast<const SQLCHAR*>(statement.c_str());
    SQLRETURN rc = odbc::prepare(fresh(stmt), odbc::arg_string(text, SQL_NTS));
    if (SQL_SUCCEEDED(rc)) rc = odbc::execute(fresh(stmt));
    const Outcome o = outcome_of(stmt, rc);
    odbc::free_handle(SQL_HANDLE_STMT, h);
    return o;
}

Outcome MemoryStore::query(const std::string& statement, Rows& rows, const std::vector<Param>& params) {
    rows.clear();
    steps_left_ = step_budget_;
    SQLHANDLE h = SQL_NULL_HANDLE;
    FUZZ_CHECK(odbc::alloc_handle(SQL_HANDLE_STMT, dbc_, &h) == SQL_SUCCESS, std::string("no statement handle"));
    auto& stmt = *static_cast<odbc::Stmt*>(h);
    std::vector<SQLLEN> lengths;
    bind(stmt, params, lengths);
    odbc::set_stmt_attr(fresh(stmt), SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CURSOR_DYNAMIC));
    const auto* text = reinterpret_cast<const SQLCHAR*>(statement.c_str());
    SQLRETURN rc = odbc::prepare(fresh(stmt), odbc::arg_string(text, SQL_NTS));
    if (SQL_SUCCEEDED(rc)) rc = odbc::execute(fresh(stmt));
    Outcome o = outcome_of(stmt, rc);
    if (o.ok()) {
        const int columns = static_cast<int>(stmt.columns.size());
        for (;;) {
            const SQLRETURN f = odbc::fetch(fresh(stmt), SQL_FETCH_NEXT);
            if (f == SQL_NO_DATA) break;
            if (!SQL_SUCCEEDED(f)) {
                o = outcome_of(stmt, f);
                break;
            }
            Row& row = rows.emplace_back();
            for (int c = 0; c < columns; ++c) row.push_back(read_text(stmt, c));
        }
    }
    odbc::free_handle(SQL_HANDLE_STMT, h);
    return o;
}

Cell read_text(odbc::Stmt& stmt, int column, SQLLEN piece) {
    // A buffer of one byte holds only the terminating NUL: no progress.
    FUZZ_CHECK(piece >= 2, std::string("piece too small"));
    std::string out;
    std::vector<char> buffer(static_cast<std::size_t>(piece));
    SQLLEN announced = -2;
    for (;;) {
        SQLLEN length = 0;
        const SQLRETURN rc = odbc::get_data(fresh(stmt), static_cast<SQLUSMALLINT>(column + 1), SQL_C_CHAR,
                                            buffer.data(), piece, &length);
        if (rc == SQL_NO_DATA) {
            FUZZ_CHECK(announced != -2, std::string("no data at the first call"));
            break;
        }
        FUZZ_CHECK(SQL_SUCCEEDED(rc), "get_data failed: " + outcome_of(stmt, rc).describe());
        if (length == SQL_NULL_DATA) {
            FUZZ_CHECK(announced == -2, std::string("NULL after a first piece"));
            return std::nullopt;
        }
        FUZZ_CHECK(length >= 0, "negative length " + std::to_string(length));
        if (announced == -2) announced = length;
        // Each piece announces what is left, the piece included.
        FUZZ_CHECK(static_cast<std::size_t>(length) == static_cast<std::size_t>(announced) - out.size(),
                   "piece announces " + std::to_string(length) + " bytes left, expected " +
                       std::to_string(static_cast<std::size_t>(announced) - out.size()));
        const std::size_t n =
            std::min<std::size_t>(static_cast<std::size_t>(length), static_cast<std::size_t>(piece) - 1);
        FUZZ_CHECK(buffer[n] == '\0', std::string("piece without its terminating NUL"));
        out.append(buffer.data(), n);
        if (rc == SQL_SUCCESS) {
            FUZZ_CHECK(n == static_cast<std::size_t>(length), std::string("success on a cut piece"));
            break;
        }
        FUZZ_CHECK(n < static_cast<std::size_t>(length), std::string("truncation warning on a whole piece"));
    }
    FUZZ_CHECK(announced < 0 || out.size() == static_cast<std::size_t>(announced),
               "read " + std::to_string(out.size()) + " bytes of " + std::to_string(announced));
    return out;
}

}  // namespace detalehran::fuzz
