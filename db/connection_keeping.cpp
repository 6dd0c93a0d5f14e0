// Noticing that the connection is lost, and opening it again.

#include <sql.h>
#include <sqlext.h>
#include <sys/stat.h>

#include <array>
#include <string_view>

#include "db/database.h"
#include "db/failure_text.h"

namespace detalehran::db {

namespace {

// What the driver says when the link to the database is gone: a connection
// broken or closed (08S01, 08003, 08006, 08007), a server shutting down or
// restarting (57P01, 57P02, 57P03).
constexpr std::array<std::string_view, 7> kLostStates = {"08S01", "08003", "08006", "08007", "57P01", "57P02", "57P03"};

bool says_lost(const std::string& sqlstate) {
    for (std::string_view state : kLostStates) {
        if (sqlstate == state) return true;
    }
    return false;
}

}  // namespace

bool Database::file_in_place() const {
    if (!file_.known) return true;
    struct stat info {};
    return ::stat(path_.c_str(), &info) == 0 && info.st_dev == file_.device && info.st_ino == file_.inode;
}

void Database::note_failure() {
    if (reopen_.way == Way::none || lost_) return;
    if (says_lost(last_.sqlstate) || (dialect_ == Dialect::postgres && means_lost_connection(last_))) {
        lost_ = true;
    } else if (dialect_ == Dialect::jet) {
        // A store file in a folder that went away (an unmounted network
        // share) fails with whatever its file system says: the file's
        // absence is what tells.
        lost_ = connected_ && !file_in_place();
    } else if (connected_ && (last_.sqlstate == "HYT00" || last_.sqlstate == "HYT01")) {
        // A time-out is the server's answer to a busy row as often as to a
        // restart: a round trip tells which.
        check_connection();
    }
}

void Database::set_application(std::string name, bool program_mark) {
    application_ = std::move(name);
    program_mark_ = program_mark;
}

bool Database::check_connection() {
    if (!is_open()) return !connection_lost();
    if (dialect_ == Dialect::jet) {
        if (!file_in_place()) lost_ = true;
        return !lost_;
    }
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt))) {
        lost_ = true;
        return false;
    }
    const StatementHandle probe(stmt);
    const SQLRETURN rc = SQLExecDirect(probe.get(), reinterpret_cast<SQLCHAR*>(const_cast<char*>("SELECT 1")), SQL_NTS);
    if (SQL_SUCCEEDED(rc)) return true;
    // A probe that fails for any reason means the server cannot be used as
    // it is. Marked first: remembering the reason must not probe again.
    lost_ = true;
    remember(SQL_HANDLE_STMT, probe.get(), "the connection does not answer");
    return false;
}

bool Database::reconnect() {
    if (reopen_.way == Way::none || env_ == SQL_NULL_HENV) return false;
    const Reopen how = reopen_;
    close_store();
    const bool connected =
        how.way == Way::by_name ? connect_by_name(how.name, how.user, how.password) : connect_to_file(how.path);
    // The way stays known for the next attempt, whatever this one did.
    reopen_ = how;
    if (!connected || !finish_connecting()) {
        lost_ = true;
        return false;
    }
    ++reconnections_;
    return true;
}

}  // namespace detalehran::db
