#pragma once
// The tool's spreadsheet commands: "import" of a spreadsheet's CSV file into
// the store of a folder, and "export" of the store or its reorder list as
// CSV, with the code the program's dialogs use.

#include <iosfwd>
#include <string>
#include <vector>

namespace detalehran::dbtool {

// args as run_command_line has them, args[1] the command. Return the exit code.
int run_import(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int run_export(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace detalehran::dbtool
