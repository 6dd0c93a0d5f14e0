#include "spreadsheet/number_text.h"

#include <algorithm>
#include <vector>

namespace detalehran::spreadsheet {

namespace {

// Length of the blank at `pos`: a space, a tab, or a no-break, narrow
// no-break, figure or thin space (spreadsheets group thousands with these).
std::size_t blank_at(std::string_view text, std::size_t pos) {
    const char c = text[pos];
    if (c == ' ' || c == '\t') return 1;
    const std::string_view rest = text.substr(pos);
    if (rest.starts_with("\xC2\xA0")) return 2;
    for (const std::string_view wide : {"\xE2\x80\xAF", "\xE2\x80\x87", "\xE2\x80\x89"}) {
        if (rest.starts_with(wide)) return 3;
    }
    return 0;
}

std::string_view trimmed(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t n = blank_at(text, begin);
        if (n == 0) break;
        begin += n;
    }
    std::size_t end = text.size();
    while (end > begin) {
        std::size_t n = 0;
        for (std::size_t width = 1; width <= 3 && width <= end - begin && n == 0; ++width) {
            if (blank_at(text, end - width) == width) n = width;
        }
        if (n == 0) break;
        end -= n;
    }
    return text.substr(begin, end - begin);
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// A typed number split up: its sign, the digits before the decimal
// separator (no grouping, no leading zeros) and those after it.
struct TypedNumber {
    bool negative = false;
    std::string integer;
    std::string fraction;
};

enum class Fault { none, empty, not_a_number };

// Runs of digits and the single separators between them: ' ' for any blank,
// ',' or '.'.
Fault read_typed_number(std::string_view cell, TypedNumber& number) {
    std::string_view text = trimmed(cell);
    if (text.empty()) return Fault::empty;
    if (text.front() == '-' || text.front() == '+') {
        number.negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::vector<std::string_view> runs(1);
    std::vector<char> separators;
    const char* run_start = text.data();
    for (std::size_t i = 0; i < text.size();) {
        if (is_digit(text[i])) {
            ++i;
            continue;
        }
        const std::size_t blank = blank_at(text, i);
        const char kind = blank > 0 ? ' ' : text[i];
        if (kind != ' ' && kind != ',' && kind != '.') return Fault::not_a_number;
        runs.back() = std::string_view(run_start, static_cast<std::size_t>(text.data() + i - run_start));
        // Two separators in a row, or one before the first digit other than
        // a decimal one (",5").
        if (runs.back().empty() && (runs.size() > 1 || kind == ' ')) return Fault::not_a_number;
        separators.push_back(kind);
        i += blank > 0 ? blank : 1;
        run_start = text.data() + i;
        runs.emplace_back();
    }
    runs.back() = std::string_view(run_start, static_cast<std::size_t>(text.data() + text.size() - run_start));

    // The decimal separator: the last one when it is "," or "." and its kind
    // comes only once.
    const auto commas = std::count(separators.begin(), separators.end(), ',');
    const auto points = std::count(separators.begin(), separators.end(), '.');
    bool has_decimal = false;
    if (!separators.empty() && separators.back() != ' ') {
        const char last = separators.back();
        has_decimal = (last == ',' ? commas : points) == 1;
    }
    const std::size_t group_count = separators.size() - (has_decimal ? 1 : 0);
    // Thousands are grouped by one kind of separator, in threes.
    for (std::size_t k = 0; k < group_count; ++k) {
        if (separators[k] != separators.front()) return Fault::not_a_number;
    }
    for (std::size_t k = 0; k <= group_count; ++k) {
        const std::size_t size = runs[k].size();
        const bool fits = group_count == 0 ? true : (k == 0 ? size >= 1 && size <= 3 : size == 3);
        if (!fits) return Fault::not_a_number;
    }
    for (std::size_t k = 0; k <= group_count; ++k) number.integer += runs[k];
    if (has_decimal) number.fraction = runs.back();
    if (number.integer.empty() && number.fraction.empty()) return Fault::not_a_number;
    const std::size_t zeros = number.integer.find_first_not_of('0');
    number.integer.erase(0, zeros == std::string::npos ? number.integer.size() : zeros);
    return Fault::none;
}

bool is_zero(const TypedNumber& number) {
    return number.integer.empty() && number.fraction.find_first_not_of('0') == std::string::npos;
}

NumberText failed(std::string_view cell, const char* what) { return {{}, quoted_cell(cell) + what}; }

// The cell without its blanks and sign, when it is "1,250": one to three
// digits, the first not 0, a comma and three digits.
std::optional<std::string_view> unclear_digits(std::string_view cell) {
    std::string_view text = trimmed(cell);
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
    const std::size_t comma = text.find(',');
    if (comma < 1 || comma > 3 || text.size() != comma + 4 || text.front() == '0') return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i != comma && !is_digit(text[i])) return std::nullopt;
    }
    return text;
}

// A "1,250" cell read as the column reads it; nullopt when it is no such
// cell or the comma is a decimal one.
std::optional<NumberText> read_by_column(std::string_view cell, CommaReading commas) {
    if (commas == CommaReading::decimal) return std::nullopt;
    const std::optional<std::string_view> digits = unclear_digits(cell);
    if (!digits) return std::nullopt;
    const std::size_t comma = digits->find(',');
    const std::string whole = std::string(digits->substr(0, comma)) + std::string(digits->substr(comma + 1));
    const bool negative = trimmed(cell).starts_with('-');
    if (commas == CommaReading::unclear) {
        std::string fraction(digits->substr(comma + 1));
        while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
        const std::string decimal = std::string(digits->substr(0, comma)) + (fraction.empty() ? "" : "," + fraction);
        return NumberText{{},
                          quoted_cell(cell) + " — неясно, " + whole + " это или " + decimal +
                              ": запятая в столбце и десятичная, и разделитель тысяч"};
    }
    return NumberText{(negative ? "-" : "") + whole, {}};
}

}  // namespace

std::string quoted_cell(std::string_view cell) {
    constexpr std::size_t kShown = 40;
    if (cell.size() <= kShown) return "«" + std::string(cell) + "»";
    std::size_t cut = kShown;
    // Not inside a UTF-8 sequence.
    while (cut > 0 && (static_cast<unsigned char>(cell[cut]) & 0xC0) == 0x80) --cut;
    return "«" + std::string(cell.substr(0, cut)) + "…»";
}

NumberForm number_form(std::string_view cell) {
    std::string_view text = trimmed(cell);
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
    if (unclear_digits(cell)) return NumberForm::unclear_comma;
    const auto commas = std::count(text.begin(), text.end(), ',');
    const auto points = std::count(text.begin(), text.end(), '.');
    if (commas == 0 && points == 0) return NumberForm::other;
    TypedNumber number;
    if (read_typed_number(cell, number) != Fault::none) return NumberForm::other;
    const std::size_t last_comma = text.rfind(','), last_point = text.rfind('.');
    if (commas == 1 && (points == 0 || last_comma > last_point)) return NumberForm::decimal_comma;
    if (commas >= 1 && (points == 0 || last_point > last_comma)) return NumberForm::grouping_comma;
    if (points == 1) return NumberForm::decimal_point;
    return NumberForm::other;
}

NumberText quantity_from_cell(std::string_view cell, CommaReading commas) {
    if (std::optional<NumberText> read = read_by_column(cell, commas)) {
        if (read->ok()) return quantity_from_cell(read->text);
        return *read;
    }
    TypedNumber number;
    switch (read_typed_number(cell, number)) {
        case Fault::empty:
            return {"0", {}};
        case Fault::not_a_number:
            return failed(cell, " — не целое число");
        case Fault::none:
            break;
    }
    if (!number.fraction.empty()) return failed(cell, " — не целое число");
    if (number.negative && !is_zero(number)) return failed(cell, " — отрицательное число");
    if (number.integer.size() > 10 || (number.integer.size() == 10 && number.integer > "2147483647")) {
        return failed(cell, " — больше 2147483647");
    }
    return {number.integer.empty() ? "0" : number.integer, {}};
}

NumberText price_from_cell(std::string_view cell, CommaReading commas) {
    if (std::optional<NumberText> read = read_by_column(cell, commas)) {
        if (read->ok()) return price_from_cell(read->text);
        return *read;
    }
    TypedNumber number;
    switch (read_typed_number(cell, number)) {
        case Fault::empty:
            return {stored_money_text(0), {}};
        case Fault::not_a_number:
            return failed(cell, " — не число");
        case Fault::none:
            break;
    }
    if (number.negative && !is_zero(number)) return failed(cell, " — отрицательное число");
    std::string fraction = number.fraction;
    while (fraction.size() > 4 && fraction.back() == '0') fraction.pop_back();
    if (fraction.size() > 4) return failed(cell, " — больше четырёх знаков после запятой");
    fraction.resize(4, '0');
    if (number.integer.size() > 11) return failed(cell, " — слишком большая цена");
    return {number.integer + "." + fraction, {}};
}

std::optional<std::int64_t> money_units(std::string_view text) {
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    const std::size_t point = text.find('.');
    const std::string_view integer = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    const auto digits = [](std::string_view s) { return std::all_of(s.begin(), s.end(), is_digit); };
    if (!digits(integer) || !digits(fraction) || fraction.size() > 4 || integer.size() > 14) return std::nullopt;
    if (negative && integer.empty() && fraction.empty()) return std::nullopt;
    std::int64_t units = 0;
    for (const char c : integer) units = units * 10 + (c - '0');
    for (std::size_t k = 0; k < 4; ++k) units = units * 10 + (k < fraction.size() ? fraction[k] - '0' : 0);
    return negative ? -units : units;
}

std::string stored_money_text(std::int64_t units) {
    const bool negative = units < 0;
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
    std::string fraction = std::to_string(magnitude % 10000);
    fraction.insert(0, 4 - fraction.size(), '0');
    const std::uint64_t whole = magnitude / 10000;
    return std::string(negative ? "-" : "") + (whole == 0 ? "" : std::to_string(whole)) + "." + fraction;
}

std::string integer_text(__int128 value) {
    const bool negative = value < 0;
    auto magnitude = negative ? 0 - static_cast<unsigned __int128>(value) : static_cast<unsigned __int128>(value);
    std::string digits;
    do {
        digits += static_cast<char>('0' + static_cast<int>(magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative) digits += '-';
    std::reverse(digits.begin(), digits.end());
    return digits;
}

std::string spreadsheet_money_text(__int128 units, char decimal_separator) {
    const bool negative = units < 0;
    std::string digits = integer_text(units);
    if (negative) digits.erase(0, 1);
    if (digits.size() < 5) digits.insert(0, 5 - digits.size(), '0');
    std::string out = negative ? "-" : "";
    out.append(digits, 0, digits.size() - 4);
    out += decimal_separator;
    std::string fraction = digits.substr(digits.size() - 4);
    while (fraction.size() > 2 && fraction.back() == '0') fraction.pop_back();
    return out + fraction;
}

}  // namespace detalehran::spreadsheet
