#pragma once
// A bill of materials file of any kind the inventory reads: a KiCad
// schematic, or a CSV exported by an EDA program.

#include <string>

#include "bom/bom.h"

namespace detalehran::bom {

// Reads the file at path, deciding its kind by its text (and a ".kicad_sch"
// name); the board is named after the file.
BomReading read_bom_file(const std::string& path);

}  // namespace detalehran::bom
