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

}  // namespace detalehran::db
