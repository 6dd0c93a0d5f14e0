#pragma once
// The tool's "search": the parts the program's list would find for a search
// text, by name and by value ("4k7 0805"), for scripts and bills of
// materials.

#include <iosfwd>
#include <string>
#include <vector>

#include "arguments.h"

namespace detalehran::dbtool {

// The parsed arguments of "search"; returns the exit code.
int run_search(const Arguments& args, std::ostream& out, std::ostream& err);

}  // namespace detalehran::dbtool
