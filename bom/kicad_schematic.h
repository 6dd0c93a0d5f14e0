#pragma once
// A KiCad 6 or 7 schematic (.kicad_sch) read as a bill of materials: the
// root sheet and every hierarchical sheet below it, each component once by
// its reference, grouped by value, footprint and part number.

#include <string>

#include "bom/bom.h"

namespace detalehran::bom {

// Reads the root sheet at `path` and the sheet files it names (beside it);
// nothing of the schematic changes.
BomReading read_kicad_schematic(const std::string& path);

// Whether a file's text starts as a KiCad schematic does.
bool looks_like_kicad_schematic(std::string_view text);

}  // namespace detalehran::bom
