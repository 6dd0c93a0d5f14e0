#pragma once
// What a database failure means, in the user's words: a Russian explanation
// for the common SQLSTATEs, followed by the driver's own text for the
// details. The database layer only words the reason; the caller decides
// whether and where to show it.

#include <exception>
#include <string>

#include "db/database.h"
#include "db/history.h"

namespace detalehran::db {

// "Explanation" or "Explanation\nDriver text" (UTF-8); empty for an empty
// diagnostic.
std::string failure_text(const Diagnostic& why);
// Why an operation was not taken back: the revert's own words, and the
// database's reason after them when it gave one.
std::string revert_failure_text(const RevertResult& result);

// Whether the driver's words say the link to the server is gone, whatever
// SQLSTATE came with them.
bool means_lost_connection(const Diagnostic& why);

// Why connecting to a server failed, told apart by the driver's message as
// well as its SQLSTATE (psqlODBC gives 08001 for most of them): a wrong
// password, an unknown role, a missing database, a missing ODBC driver, a
// server that cannot be reached, a host that may not connect, SSL. Each in
// Russian with what to do next, then the driver's own words. With
// `data_source_found` the data source is known to exist, so that the driver
// manager's "not found" can only mean its driver is not installed.
std::string connection_failure_text(const Diagnostic& why, bool data_source_found = false);

// What an exception that reached a last resort (the program's event loop or
// start-up, the tool's main) means, in Russian: "не хватает памяти", or the
// library's own words after "внутренняя ошибка".
std::string exception_text(std::exception_ptr caught);

}  // namespace detalehran::db
