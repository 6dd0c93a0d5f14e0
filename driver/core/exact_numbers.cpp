#include "exact_numbers.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "schema/money.h"

namespace detalehran::odbc {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool starts_with_digit(const Token& t) { return t.kind == Token::word && !t.text.empty() && is_digit(t.text[0]); }

// Digits, an optional point with more digits, an optional exponent; at
// least one digit before the exponent.
bool well_formed(std::string_view s, bool& approximate, bool& whole) {
    std::size_t i = 0, mantissa = 0;
    while (i < s.size() && is_digit(s[i])) ++i, ++mantissa;
    whole = true;
    if (i < s.size() && s[i] == '.') {
        whole = false;
        ++i;
        while (i < s.size() && is_digit(s[i])) ++i, ++mantissa;
    }
    approximate = false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        approximate = true;
        whole = false;
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        const std::size_t digits = i;
        while (i < s.size() && is_digit(s[i])) ++i;
        if (i == digits) return false;
    }
    return mantissa > 0 && i == s.size();
}

// The digits of a number's whole part, without sign and leading zeros.
std::string_view whole_digits(std::string_view text) {
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
    text = text.substr(0, text.find('.'));
    while (text.size() > 1 && text.front() == '0') text.remove_prefix(1);
    return text == "0" ? std::string_view() : text;
}

const std::string kLimit = std::to_string(schema::kMoneyWholeLimit);

std::string beyond_range(std::string_view value) {
    return "Numeric value out of range: the amount " + std::string(value) +
           " is beyond the range of the money columns (a whole part below " + kLimit + ")";
}

}  // namespace

bool kept_exactly(std::string_view text, double value) {
    std::string digits;
    for (char c : text) {
        if (c == 'e' || c == 'E') return true;  // written as an approximate number
        if (is_digit(c)) digits += c;
    }
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) return true;
    digits.erase(0, first);
    if (text.find('.') != std::string_view::npos) {
        while (!digits.empty() && digits.back() == '0') digits.pop_back();
    }
    if (digits.size() <= 15) return true;
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (r.ec != std::errc()) return false;
    std::string shortest;
    for (const char* p = buf; p != r.ptr; ++p) {
        if (is_digit(*p)) shortest += *p;
    }
    shortest.erase(0, std::min(shortest.find_first_not_of('0'), shortest.size()));
    if (std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)).find('.') != std::string_view::npos) {
        while (!shortest.empty() && shortest.back() == '0') shortest.pop_back();
    }
    return shortest == digits;
}

std::string inexact_literal(const std::vector<Token>& tokens) {
    const std::size_t n = tokens.size();
    for (std::size_t i = 0; i < n; ++i) {
        // A number starts with a digit, or with a point that qualifies no
        // name ("t.5" is no number).
        const bool after_name = i > 0 && (tokens[i - 1].kind == Token::word ||
                                          tokens[i - 1].kind == Token::quoted_ident || is_char(tokens[i - 1], ')'));
        const std::size_t start = i;
        std::size_t j = i;
        std::string text;
        if (starts_with_digit(tokens[i])) {
            text = tokens[j++].text;
        } else if (!is_char(tokens[i], '.') || after_name || i + 1 == n || !starts_with_digit(tokens[i + 1])) {
            continue;
        }
        // Its fraction after a point, then the sign and digits of an
        // exponent: the tokenizer cuts "1.5e-3" at the point and the sign.
        if (j < n && is_char(tokens[j], '.') && text.find_first_of(".eE") == std::string::npos) {
            text += '.';
            ++j;
            if (j < n && starts_with_digit(tokens[j])) text += tokens[j++].text;
        }
        if (!text.empty() && (text.back() == 'e' || text.back() == 'E') && j + 1 < n &&
            (is_char(tokens[j], '+') || is_char(tokens[j], '-')) && starts_with_digit(tokens[j + 1])) {
            text += tokens[j].text + tokens[j + 1].text;
            j += 2;
        }
        i = j - 1;
        bool approximate = false, whole = false;
        if (!well_formed(text, approximate, whole)) continue;  // hexadecimal, or SQLite's to refuse
        if (whole) {
            const std::string_view digits = whole_digits(text);
            const bool negated = [&] {
                std::size_t k = start;
                while (k > 0 && tokens[k - 1].kind == Token::space) --k;
                return k > 0 && is_char(tokens[k - 1], '-');
            }();
            // The most negative 64-bit number is written as a minus and
            // one more than the largest.
            const std::string_view largest = negated ? "9223372036854775808" : "9223372036854775807";
            if (digits.size() > 19 || (digits.size() == 19 && digits > largest)) {
                return "Numeric value out of range: the number " + text +
                       " is beyond the whole numbers the driver keeps (64 bits)";
            }
            continue;
        }
        const double value = std::strtod(text.c_str(), nullptr);
        if (!std::isfinite(value)) {
            return "Numeric value out of range: the number " + text + " is beyond the range of a double";
        }
        if (!approximate && !kept_exactly(text, value)) {
            return "Numeric value out of range: the number " + text +
                   " has more significant digits than the driver keeps exactly (15)";
        }
    }
    return {};
}

std::string amount_refusal(std::string_view text) {
    if (text.find_first_of("eE") != std::string_view::npos)
        return amount_refusal(std::strtod(std::string(text).c_str(), nullptr));
    const std::string_view digits = whole_digits(text);
    if (digits.size() > kLimit.size() || (digits.size() == kLimit.size() && digits >= kLimit)) {
        return beyond_range(text);
    }
    const std::size_t point = text.find('.');
    if (point != std::string_view::npos) {
        std::string_view fraction = text.substr(point + 1);
        while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
        if (fraction.size() > 4) {
            return "Numeric value out of range: the amount " + std::string(text) +
                   " has more than the four decimals an amount keeps";
        }
    }
    return {};
}

std::string amount_refusal(long long value) {
    if (value > -schema::kMoneyWholeLimit && value < schema::kMoneyWholeLimit) return {};
    return beyond_range(std::to_string(value));
}

std::string amount_refusal(double value) {
    if (std::isfinite(value) && std::fabs(value) < static_cast<double>(schema::kMoneyWholeLimit)) return {};
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    return beyond_range(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
}

}  // namespace detalehran::odbc
