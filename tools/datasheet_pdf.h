#pragma once
// A one-page PDF written by hand: the demo needs datasheet files that any
// viewer opens, without pulling in a PDF library.

#include <string>
#include <string_view>
#include <vector>

namespace detalehran::dbtool {

// Title and lines must be ASCII: the page uses the standard Helvetica font,
// which has no Cyrillic glyphs.
std::string make_datasheet_pdf(std::string_view title, const std::vector<std::string>& lines);

}  // namespace detalehran::dbtool
