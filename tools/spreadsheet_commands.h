#pragma once
// The tool's spreadsheet commands: "import" of a spreadsheet's CSV file into
// the store of a folder, and "export" of the store or its reorder list as
// CSV, with the code the program's dialogs use.

#include <iosfwd>
#include <string>
#include <vector>

#include "arguments.h"

namespace detalehran::dbtool {

// The parsed arguments of the command; return the exit code. A mistake in
// them throws UsageError before anything is read or written.
int run_import(const Arguments& args, std::ostream& out, std::ostream& err);
int run_export(const Arguments& args, std::ostream& out, std::ostream& err);

}  // namespace detalehran::dbtool
