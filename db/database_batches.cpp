// Transactions and statements prepared once and run many times.

#include <sqlext.h>

#include <algorithm>

#include "db/database.h"

namespace detalehran::db {

namespace {

// Starting size of a marker's buffer; longer values get a longer one.
constexpr std::size_t kMarkerBuffer = 256;

SQLCHAR* sql_chars(const std::string& text) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())); }

}  // namespace

bool Database::begin_transaction() {
    finish_unfinished_read();
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

bool Database::prepare_update(const std::string& statement, std::vector<Value::Type> markers) {
    finish_unfinished_read();
    finish_prepared();
    prepared_ = new_statement(Sql{statement, {}});
    if (!prepared_) return false;
    if (!SQL_SUCCEEDED(SQLPrepare(prepared_.get(), sql_chars(statement), SQL_NTS))) {
        remember(SQL_HANDLE_STMT, prepared_.get(), "statement cannot be prepared");
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
    const ParameterType b = parameter_type(markers_[marker], buffer.size());
    const SQLRETURN rc = SQLBindParameter(prepared_.get(), static_cast<SQLUSMALLINT>(marker + 1), SQL_PARAM_INPUT,
                                          SQL_C_CHAR, b.sql_type, b.size, b.decimals, buffer.data(),
                                          static_cast<SQLLEN>(buffer.size()), &marker_lengths_[marker]);
    if (SQL_SUCCEEDED(rc)) return true;
    remember(SQL_HANDLE_STMT, prepared_.get(), "a value cannot be bound");
    return false;
}

bool Database::execute_prepared(std::span<const std::string_view> values, std::span<const bool> nulls) {
    if (!is_open() || !prepared_ || values.size() != markers_.size() ||
        (!nulls.empty() && nulls.size() != values.size())) {
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
        marker_lengths_[m] = !nulls.empty() && nulls[m] ? SQL_NULL_DATA : static_cast<SQLLEN>(value.size());
    }
    const SQLRETURN rc = SQLExecute(prepared_.get());
    if (SQL_SUCCEEDED(rc)) return true;
    if (rc == SQL_NO_DATA) {
        last_ = {kNoRowMatched, "no row matched"};
    } else {
        remember(SQL_HANDLE_STMT, prepared_.get(), "statement failed");
    }
    return false;
}

void Database::finish_prepared() {
    prepared_.reset();
    markers_.clear();
    marker_values_.clear();
    marker_lengths_.clear();
}

}  // namespace detalehran::db
