#include "bom/bom.h"

namespace detalehran::bom {

std::string line_key(const BomLine& line) {
    // A unit separator cannot occur in a cell of either kind of file, so
    // two lines' keys agree only when all three fields do.
    std::string key = line.value;
    key += '\x1f';
    key += line.footprint;
    key += '\x1f';
    key += line.part_number;
    return key;
}

}  // namespace detalehran::bom
