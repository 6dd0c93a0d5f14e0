// Any bytes as a bill of materials: as a KiCad schematic's S-expression and
// as an EDA program's CSV file.
//
// What the code promises: a text is read or refused with a reason, never
// more; nesting has a bound; a refused file has no lines; a read one has
// lines with at least one part each and designators that name their count
// when there are any.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "bom/bom.h"
#include "bom/csv_bom.h"
#include "bom/kicad_schematic.h"
#include "bom/sexpr.h"
#include "fuzz_check.h"

namespace {

using namespace detalehran::bom;
using detalehran::fuzz::shown;

int depth(const SNode& node) {
    int deepest = 0;
    for (const SNode& item : node.items) deepest = std::max(deepest, depth(item));
    return node.is_list ? deepest + 1 : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const SParse parsed = parse_sexpr(text);
    if (parsed.error.empty()) {
        FUZZ_CHECK(depth(parsed.root) <= kMaxDepth, "nesting beyond the bound read from " + shown(std::string(text)));
    }
    looks_like_kicad_schematic(text);

    const BomReading csv = read_csv_bom(text, "bom.csv");
    if (!csv.ok()) {
        FUZZ_CHECK(csv.bom.lines.empty(), "a refused file with lines: " + csv.error);
        return 0;
    }
    for (const BomLine& line : csv.bom.lines) {
        FUZZ_CHECK(line.per_board > 0,
                   "a line of " + std::to_string(line.per_board) + " parts from " + shown(std::string(text)));
        if (!line.designators.empty() && line.designators.size() == static_cast<std::size_t>(line.per_board)) {
            FUZZ_CHECK(!designators_text(line.designators).empty(), "designators without a text");
        }
    }
    return 0;
}
