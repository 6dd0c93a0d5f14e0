#pragma once
// Text form of amounts in money columns: four decimals, no leading zero
// below one ("12.5000", ".5000", ".0000", "-.2500"), rounded half away from
// zero from the shortest decimal that identifies the stored value.

#include <cstdint>
#include <string>

namespace detalehran::odbc {

std::string money_text(double value);
std::string money_text(std::int64_t value);

}  // namespace detalehran::odbc
