#include "money.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace detalehran::odbc {

namespace {

// Adds one unit to the last digit of a digit string, carrying left.
void increment(std::string& digits) {
    for (std::size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return;
        }
        digits[i] = '0';
    }
    digits.insert(digits.begin(), '1');
}

std::string assemble(bool negative, std::string integer_part, std::string fraction) {
    while (integer_part.size() > 1 && integer_part.front() == '0') integer_part.erase(0, 1);
    if (integer_part == "0") integer_part.clear();
    const bool zero = integer_part.empty() && fraction == "0000";
    std::string out;
    if (negative && !zero) out += '-';
    out += integer_part;
    out += '.';
    out += fraction;
    return out;
}

// The text of a whole count of ten-thousandths, written without a heap:
// every amount read goes through here.
std::string units_text(bool negative, std::uint64_t units) {
    char buf[32];
    char* p = buf;
    if (negative && units != 0) *p++ = '-';
    if (units >= 10000) p = std::to_chars(p, buf + sizeof buf, units / 10000).ptr;
    const auto fraction = static_cast<unsigned>(units % 10000);
    *p++ = '.';
    *p++ = static_cast<char>('0' + fraction / 1000);
    *p++ = static_cast<char>('0' + fraction / 100 % 10);
    *p++ = static_cast<char>('0' + fraction / 10 % 10);
    *p++ = static_cast<char>('0' + fraction % 10);
    return std::string(buf, p);
}

}  // namespace

std::string money_text(std::int64_t value) {
    const bool negative = value < 0;
    // Through unsigned so that the most negative value has a magnitude.
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    if (magnitude < std::uint64_t{1} << 50) return units_text(negative, magnitude * 10000);
    return assemble(negative, std::to_string(magnitude), "0000");
}

std::string money_text(double value) {
    if (!std::isfinite(value)) return value != value ? "NaN" : (value < 0 ? "-Inf" : "Inf");
    // Everyday amounts: scale to ten-thousandths and round. Far from a tie
    // the binary error cannot change the result; ties take the exact path.
    if (std::fabs(value) < 1e8) {
        const double scaled = std::fabs(value) * 10000.0;
        const double fraction = scaled - std::floor(scaled);
        if (std::fabs(fraction - 0.5) > 1e-3) {
            return units_text(value < 0, static_cast<std::uint64_t>(std::llround(scaled)));
        }
    }
    // The shortest decimal that reads back as this value is the decimal it
    // was written as (for every amount of up to 15 digits); round that
    // decimal, not the binary value, so 1.00005 becomes 1.0001 as written.
    char buf[64];
    const auto printed = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific);
    const std::string_view text(buf, static_cast<std::size_t>(printed.ptr - buf));
    // text: d[.ddd]e[+-]xx
    const std::size_t e = text.find('e');
    std::string digits;
    for (char c : text.substr(0, e)) {
        if (c != '.') digits += c;
    }
    int exponent = 0;
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(), exponent);
    // The decimal point sits after digit number (exponent + 1).
    int point = exponent + 1;
    if (point < 0) {
        digits.insert(0, static_cast<std::size_t>(-point), '0');
        point = 0;
    }
    if (static_cast<int>(digits.size()) < point + 5)
        digits.append(static_cast<std::size_t>(point + 5) - digits.size(), '0');
    std::string kept = digits.substr(0, static_cast<std::size_t>(point + 4));
    if (digits[static_cast<std::size_t>(point + 4)] >= '5') increment(kept);
    if (static_cast<int>(kept.size()) < 4) kept.insert(0, 4 - kept.size(), '0');
    const std::size_t split = kept.size() - 4;
    return assemble(value < 0, split == 0 ? "0" : kept.substr(0, split), kept.substr(split));
}

}  // namespace detalehran::odbc
