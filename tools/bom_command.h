#pragma once
// The tool's "bom": a bill of materials (a KiCad schematic or an EDA
// program's CSV) checked against the store for N boards, or its pick list.

#include <iosfwd>

#include "arguments.h"

namespace detalehran::dbtool {

// The parsed arguments of "bom"; returns the exit code.
int run_bom(const Arguments& args, std::ostream& out, std::ostream& err);

}  // namespace detalehran::dbtool
