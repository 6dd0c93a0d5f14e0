#include "db/backup_copy.h"

#include <sql.h>
#include <sqlext.h>

#include <filesystem>
#include <memory>
#include <system_error>

#include "db/data_source.h"

namespace detalehran::db {

namespace fs = std::filesystem;

namespace {

constexpr SQLULEN kLockWaitSeconds = 2;

// An ODBC connection to the file with one statement reading from it: while
// the statement's first row waits to be fetched, the file's readers' lock
// stays taken and no write is committed.
class HeldFile {
public:
    explicit HeldFile(const std::string& path) {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_))) {
            env_ = SQL_NULL_HENV;
            return;
        }
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_))) {
            dbc_ = SQL_NULL_HDBC;
            return;
        }
        std::string text = file_connection_text(path);
        if (text.empty()) return;  // a path no connection can name is copied unheld
        // A program about to write would keep the start waiting for its
        // lock this long at most; after it the copy goes unheld.
        SQLSetConnectAttr(dbc_, SQL_ATTR_CONNECTION_TIMEOUT, reinterpret_cast<SQLPOINTER>(kLockWaitSeconds), 0);
        connected_ = SQL_SUCCEEDED(SQLDriverConnect(dbc_, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), SQL_NTS,
                                                    nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT));
        if (!connected_ || !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt_))) return;
        // An aggregate always has its one row, whatever the tables hold.
        static constexpr char kRead[] = "SELECT COUNT(*) FROM [Package]";
        SQLExecDirect(stmt_, reinterpret_cast<SQLCHAR*>(const_cast<char*>(kRead)), SQL_NTS);
    }
    ~HeldFile() {
        if (stmt_ != SQL_NULL_HSTMT) SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
        if (connected_) SQLDisconnect(dbc_);
        if (dbc_ != SQL_NULL_HDBC) SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        if (env_ != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

private:
    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    SQLHSTMT stmt_ = SQL_NULL_HSTMT;
    bool connected_ = false;
};

bool copy_whole(const std::string& source, const std::string& target) {
    const fs::path partial = target + ".part";
    std::error_code error;
    if (!fs::copy_file(source, partial, fs::copy_options::overwrite_existing, error)) {
        fs::remove(partial, error);
        return false;
    }
    fs::rename(partial, target, error);
    if (error) {
        fs::remove(partial, error);
        return false;
    }
    return true;
}

}  // namespace

BackupCopy::~BackupCopy() { wait(); }

void BackupCopy::start(const std::string& source, const std::string& target, Copier copy) {
    wait();
    made_ = false;
    std::error_code error;
    if (!fs::is_regular_file(source, error)) return;
    if (!copy) copy = copy_whole;
    // Held here, before the caller goes on to write anything.
    auto held = std::make_shared<HeldFile>(source);
    copying_ = std::thread([this, held, source, target, copy = std::move(copy)]() mutable {
        made_ = copy(source, target);
        held.reset();
    });
}

bool BackupCopy::wait() {
    if (copying_.joinable()) copying_.join();
    return made_;
}

}  // namespace detalehran::db
