#pragma once
// Designators as a bill of materials writes them: lists ("R1, R2 R3;R4"),
// ranges ("R5-R8", "R5-8") and the natural order (R2 before R10).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace detalehran::bom {

// Far more than any board holds; a range beyond it is a typing error.
inline constexpr long long kMaxRange = 10000;

struct DesignatorList {
    std::vector<std::string> designators;  // each once, in the natural order
    std::string error;                     // Russian: the part of the text that is no designator
};

// Reads a designator cell; ranges are expanded, a designator given twice
// counts once.
DesignatorList read_designators(std::string_view text);

// The natural order: the letters, then the number as a number.
bool designator_less(const std::string& a, const std::string& b);
void sort_designators(std::vector<std::string>& designators);

}  // namespace detalehran::bom
