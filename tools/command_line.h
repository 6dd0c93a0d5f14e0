#pragma once
// The detalehran-db command line, kept out of main() so that the executable
// stays a one-line wrapper.

#include <iosfwd>
#include <string>
#include <vector>

#include "arguments.h"

namespace detalehran::dbtool {

// args[0] is the program name. Errors go to err as one line; the exit
// codes are those of arguments.h.
int run_command_line(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace detalehran::dbtool
