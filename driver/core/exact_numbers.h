#pragma once
// Numbers as SQLite keeps them: whole numbers of 64 bits exactly, all others
// as doubles, which keep every decimal of up to 15 significant digits. A
// number that would not come back as it was written is refused, never
// rounded: a statement's literals, and the amounts of money columns.

#include <string>
#include <string_view>
#include <vector>

#include "sql_tokens.h"

namespace detalehran::odbc {

// Whether a decimal text (digits, an optional point and sign) is the value
// the double holds: always up to 15 significant digits, beyond that only
// where the shortest form of the double gives the same digits. A number in
// exponent notation is approximate by its writer's choice and kept.
bool kept_exactly(std::string_view text, double value);

// The first number literal of a statement that SQLite would not keep as
// written (a decimal of more digits than a double keeps, a whole number
// beyond 64 bits, a number beyond a double's range), or empty.
std::string inexact_literal(const std::vector<Token>& tokens);

// Why a decimal text cannot be stored in a money column as it is: more
// than the four decimals of an amount, or a whole part beyond the money
// columns' range; empty if it can.
std::string amount_refusal(std::string_view text);
// The same for a whole number and a double.
std::string amount_refusal(long long value);
std::string amount_refusal(double value);

}  // namespace detalehran::odbc
