#pragma once
// One of the program's commands as one operation of the history: a single
// transaction whose rows carry the command's caption. Inside a transaction
// that is already open, the caption is set for it and the caller ends it.

#include <functional>
#include <string_view>

#include "db/database.h"

namespace detalehran::db {

// Sets the caption (and, for a revert, the operation it takes back) of the
// transaction that is open, or that the next change opens.
bool set_operation_caption(Database& database, std::string_view caption, std::string_view reverts = {});

// Runs `body` in one transaction with the caption; commits when it returns
// true, rolls back otherwise. False when the body failed or the commit did.
bool run_operation(Database& database, std::string_view caption, const std::function<bool()>& body);

// One step of an operation whose failure must not end the operation, so
// that it can go on with the next: on a server in a savepoint, which a
// failure rolls back (a failed statement there would end the whole
// transaction). A file has no savepoints: its driver undoes the failed
// statement only, and a step of several statements undoes its own earlier
// ones. False, with the step's reason kept, when the step failed.
bool run_step(Database& database, const std::function<bool()>& step);

}  // namespace detalehran::db
