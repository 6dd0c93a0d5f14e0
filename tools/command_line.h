#pragma once
// The detalehran-db command line, kept out of main() so that the executable
// stays a one-line wrapper.

#include <iosfwd>
#include <string>
#include <vector>

namespace detalehran::dbtool {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// args[0] is the program name. Errors go to err as one line.
int run_command_line(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace detalehran::dbtool
