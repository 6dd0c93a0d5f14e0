#pragma once
// The one owner of an ODBC statement handle: freed when the owner goes,
// whichever way a function leaves.

#include <sql.h>

#include <utility>

namespace detalehran::db {

class StatementHandle {
public:
    StatementHandle() = default;
    explicit StatementHandle(SQLHSTMT handle) : handle_(handle) {}
    ~StatementHandle() { reset(); }
    StatementHandle(StatementHandle&& other) noexcept : handle_(std::exchange(other.handle_, SQLHSTMT{})) {}
    StatementHandle& operator=(StatementHandle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, SQLHSTMT{});
        }
        return *this;
    }
    StatementHandle(const StatementHandle&) = delete;
    StatementHandle& operator=(const StatementHandle&) = delete;

    SQLHSTMT get() const { return handle_; }
    explicit operator bool() const { return handle_ != SQL_NULL_HSTMT; }
    void reset(SQLHSTMT handle = SQL_NULL_HSTMT) {
        if (handle_ != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, handle_);
        handle_ = handle;
    }

private:
    SQLHSTMT handle_ = SQL_NULL_HSTMT;
};

}  // namespace detalehran::db
