#pragma once
// What the value reader's units look like from outside, for the value
// filter, which must let through every writing the reader accepts.

#include <string>
#include <vector>

#include "values/electrical_value.h"

namespace detalehran::values {

// The powers of ten that the units and multipliers of these kinds stand for.
std::vector<int> unit_exponents(Kinds kinds);

// The first characters of the unit words of these kinds for one power of
// ten: right after the number, and after a blank.
struct UnitStarts {
    std::u16string attached;
    std::u16string spaced;
};
UnitStarts unit_starts(Kinds kinds, int exponent);

// The letters that stand for the decimal point of these kinds at this power
// of ten, as the "k" of "4k7".
std::u16string multiplier_letters(Kinds kinds, int exponent);

}  // namespace detalehran::values
