#pragma once
// Spreadsheet programs run a cell that starts with "=", "+", "-", "@", tab
// or CR as a formula. The export puts an apostrophe in front of such a text
// and the import takes exactly that apostrophe off again. A text that is
// already apostrophes followed by one of those characters gets one more, so
// that every text comes back as it was.

#include <string_view>

namespace detalehran::spreadsheet {

// Whether the export writes the text with an apostrophe in front.
bool needs_formula_guard(std::string_view text);
// The cell without the apostrophe the export put in front of it.
std::string_view unguarded_cell(std::string_view cell);

}  // namespace detalehran::spreadsheet
