#pragma once
// The tool's "history" and "revert": the store's history of changes, every
// client's, listed or written as CSV, pruned of its oldest operations, and
// one operation taken back.

#include <iosfwd>

#include "arguments.h"

namespace detalehran::dbtool {

int run_history(const Arguments& args, std::ostream& out, std::ostream& err);
int run_revert(const Arguments& args, std::ostream& out, std::ostream& err);

}  // namespace detalehran::dbtool
