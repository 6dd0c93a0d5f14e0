#include "values/electrical_value.h"

#include <QChar>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "values/unit_table.h"

namespace detalehran::values {

namespace {

constexpr Kinds kOpenKinds = kCapacitance | kInductance;  // what "u", "n" and "p" alone may mean
constexpr int kMantissaDigits = 18;                       // kept; further digits are cut off
constexpr int kLongestNumber = 40;                        // longer digit runs are serial numbers
constexpr int kLongestUnit = 6;

bool is_digit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool is_ascii_letter(char16_t c) { return (c | 0x20) >= u'a' && (c | 0x20) <= u'z'; }
bool is_letter(char16_t c) { return c < 0x80 ? is_ascii_letter(c) : QChar(c).isLetter(); }
bool is_space(char16_t c) { return c == u' ' || c == u'\t' || c == 0xA0 || c == 0x202F || c == 0x2009; }
bool is_word_char(char16_t c) { return is_digit(c) || is_letter(c); }
bool is_separator(char16_t c) { return c == u'.' || c == u','; }
// The "x" of "3x8" and "8x10K", in either alphabet, and the times sign.
bool is_times(char16_t c) { return c == u'x' || c == u'X' || c == 0xD7 || c == 0x0445 || c == 0x0425; }
bool is_minus(char16_t c) { return c == u'-' || c == 0x2212; }
bool is_dash(char16_t c) { return c == 0x2010 || c == 0x2011 || c == 0x2013 || c == 0x2014; }

// How a unit word may stand after its number.
enum UnitFlag : std::uint8_t {
    kAttachedOnly = 1,  // never after a blank: "470R", "10k", and "в", which after a blank is a preposition
    kOpen = 2,          // a multiplier alone: the kinds are narrowed by the context
};

struct Unit {
    std::u16string word;
    Kinds kinds;
    int exponent;
    std::uint8_t flags;
};

struct Prefix {
    std::u16string_view text;
    int exponent;
};

constexpr Prefix kPico[] = {{u"p", -12}, {u"п", -12}};
constexpr Prefix kNano[] = {{u"n", -9}, {u"н", -9}};
constexpr Prefix kMicro[] = {{u"u", -6}, {u"µ", -6}, {u"μ", -6}, {u"мк", -6}};
constexpr Prefix kMilli[] = {{u"m", -3}, {u"м", -3}};
constexpr Prefix kKilo[] = {{u"k", 3}, {u"K", 3}, {u"к", 3}, {u"К", 3}};
constexpr Prefix kMega[] = {{u"M", 6}, {u"М", 6}};
constexpr Prefix kGiga[] = {{u"G", 9}, {u"Г", 9}};

using Prefixes = std::span<const Prefix>;

class UnitTable {
public:
    UnitTable() {
        const auto small = {Prefixes(kPico), Prefixes(kNano), Prefixes(kMicro), Prefixes(kMilli)};
        const auto large = {Prefixes(kKilo), Prefixes(kMega), Prefixes(kGiga)};
        auto units = [&](Kinds kinds, std::initializer_list<std::u16string_view> words,
                         std::initializer_list<Prefixes> prefixes) {
            for (std::u16string_view word : words) {
                add(std::u16string(word), kinds, 0, 0);
                for (Prefixes group : prefixes) {
                    for (const Prefix& prefix : group) {
                        add(std::u16string(prefix.text) + std::u16string(word), kinds, prefix.exponent, 0);
                    }
                }
            }
        };
        units(kResistance, {u"Ом", u"ом", u"Ohm", u"ohm", u"Ohms", u"ohms", u"OHM", u"\u03A9", u"\u2126"},
              {kMilli, kKilo, kMega, kGiga});
        units(kCapacitance, {u"Ф", u"ф", u"F"}, small);
        units(kInductance, {u"Гн", u"гн", u"H"}, {kNano, kMicro, kMilli});
        units(kVoltage, {u"В", u"V"}, {kMicro, kMilli, kKilo});
        units(kCurrent, {u"А", u"A"}, {kNano, kMicro, kMilli, kKilo});
        units(kPower, {u"Вт", u"вт", u"W"}, {kMilli, kKilo});
        units(kFrequency, {u"Гц", u"гц", u"Hz", u"hz", u"HZ"}, large);
        // Capitals as some schematics write them; "MF" is left out, being
        // read as micro- and as millifarad alike.
        for (auto [word, exponent] : {std::pair{u"UF", -6},
                                      {u"NF", -9},
                                      {u"PF", -12},
                                      {u"uf", -6},
                                      {u"nf", -9},
                                      {u"pf", -12},
                                      {u"мкф", -6},
                                      {u"нф", -9},
                                      {u"пф", -12}}) {
            add(word, kCapacitance, exponent, 0);
        }
        add(u"v", kVoltage, 0, 0);
        add(u"w", kPower, 0, 0);
        add(u"ВТ", kPower, 0, 0);
        // The Latin B that stands for В, but not in "KB" or "MB", which are bytes.
        add(u"B", kVoltage, 0, 0);
        add(u"в", kVoltage, 0, kAttachedOnly);
        add(u"R", kResistance, 0, kAttachedOnly);
        add(u"r", kResistance, 0, kAttachedOnly);
        for (Prefixes group : {Prefixes(kKilo), Prefixes(kMega)}) {
            for (const Prefix& prefix : group)
                add(std::u16string(prefix.text), kResistance, prefix.exponent, kAttachedOnly);
        }
        for (Prefixes group : {Prefixes(kPico), Prefixes(kNano), Prefixes(kMicro)}) {
            for (const Prefix& prefix : group) {
                add(std::u16string(prefix.text), kOpenKinds, prefix.exponent, kAttachedOnly | kOpen);
            }
        }
        // The first entry of a word wins: "мВ" is millivolt and nothing else.
        std::stable_sort(units_.begin(), units_.end(), [](const Unit& a, const Unit& b) { return a.word < b.word; });
        units_.erase(
            std::unique(units_.begin(), units_.end(), [](const Unit& a, const Unit& b) { return a.word == b.word; }),
            units_.end());
    }

    const std::vector<Unit>& all() const { return units_; }

    const Unit* find(std::u16string_view word) const {
        const auto it = std::lower_bound(units_.begin(), units_.end(), word,
                                         [](const Unit& unit, std::u16string_view w) { return unit.word < w; });
        return it != units_.end() && it->word == word ? &*it : nullptr;
    }

private:
    void add(std::u16string word, Kinds kinds, int exponent, std::uint8_t flags) {
        units_.push_back(Unit{std::move(word), kinds, exponent, flags});
    }

    std::vector<Unit> units_;
};

const UnitTable& unit_table() {
    static const UnitTable table;
    return table;
}

// The multiplier letters of "4k7", "0R1", "2n2", "1u0" and "3V3".
bool rkm_letter(char16_t c, Kinds& kinds, int& exponent) {
    switch (c) {
        case u'R':
        case u'r':
            kinds = kResistance;
            exponent = 0;
            return true;
        case u'k':
        case u'K':
        case u'к':
        case u'К':
            kinds = kResistance;
            exponent = 3;
            return true;
        case u'M':
        case u'М':
            kinds = kResistance;
            exponent = 6;
            return true;
        case u'u':
        case u'µ':
        case u'μ':
            kinds = kOpenKinds;
            exponent = -6;
            return true;
        case u'n':
        case u'н':
            kinds = kOpenKinds;
            exponent = -9;
            return true;
        case u'p':
        case u'п':
            kinds = kOpenKinds;
            exponent = -12;
            return true;
        case u'V':
        case u'В':
            kinds = kVoltage;
            exponent = 0;
            return true;
        default:
            return false;
    }
}

Magnitude normal(std::int64_t mantissa, int exponent) {
    if (mantissa == 0) return {};
    while (mantissa % 10 == 0) {
        mantissa /= 10;
        ++exponent;
    }
    return {mantissa, exponent};
}

// Digits of a number, the first significant ones kept exactly.
struct Digits {
    std::int64_t mantissa = 0;
    int exponent = 0;
    int significant = 0;
    int count = 0;

    void push(char16_t c, bool fraction) {
        const int d = c - u'0';
        ++count;
        if (significant < kMantissaDigits) {
            if (mantissa != 0 || d != 0) ++significant;
            mantissa = mantissa * 10 + d;
            if (fraction) --exponent;
        } else if (!fraction) {
            ++exponent;
        }
    }
};

// Where a number may begin: after a blank, a bracket or a slash, after a
// sign, after the "x" of "8x10K"; never inside a word ("BC847B"), after a
// joining dash ("SOT-23", "1,25–37") or inside another number.
struct Start {
    bool ok = false;
    bool negative = false;
    bool after_times = false;
    int begin = 0;
};

bool joins(char16_t c) { return is_word_char(c) || c == u'_' || is_separator(c); }

Start start_at(const char16_t* s, int i) {
    if (i == 0) return {true, false, false, 0};
    const char16_t p = s[i - 1];
    const char16_t before = i >= 2 ? s[i - 2] : u' ';
    if (is_times(p)) return {is_digit(before), false, true, i};
    if (joins(p)) return {};
    if (is_minus(p)) {
        if (before == u'/' && i >= 3 && s[i - 3] == u'+') return {true, false, false, i - 3};  // "+/-5%"
        if (joins(before)) return {};
        return {true, true, false, i - 1};
    }
    if (p == u'+' || p == 0xB1) return {!joins(before), false, false, i - 1};
    if (is_dash(p)) return {!joins(before), false, false, i};
    // "22uF/25V" holds two values; "5/30pF" is a range and "16/32" a ratio.
    if (p == u'/') return {!is_digit(before), false, false, i};
    return {true, false, false, i};
}

// After a value: the end, a blank or punctuation, but not a letter, a digit
// or a further decimal part ("1.2.3").
bool ends_at(const char16_t* s, int n, int k) {
    if (k >= n) return true;
    if (is_word_char(s[k])) return false;
    return !(is_separator(s[k]) && k + 1 < n && is_digit(s[k + 1]));
}

// The unit word at k, if the text has one there that ends as a word.
const Unit* unit_at(const char16_t* s, int n, int k, int& end) {
    int e = k;
    while (e < n && e - k <= kLongestUnit && is_letter(s[e])) ++e;
    if (e == k || e - k > kLongestUnit || !ends_at(s, n, e)) return nullptr;
    end = e;
    return unit_table().find(std::u16string_view(s + k, static_cast<std::size_t>(e - k)));
}

// What read_one found.
struct Reading {
    Kinds kinds = 0;  // 0: a bare number
    Magnitude magnitude;
    bool open = false;
    bool bare_allowed = false;  // a bare number that may be a resistance in context
};

// Reads the number at i and what follows it; returns where the value ends,
// or -1 when there is no value.
int read_one(const char16_t* s, int n, int i, const Start& start, Reading& r) {
    Digits d;
    int j = i;
    // A leading zero before another digit is a code ("0805"), not an amount.
    if (s[j] == u'0' && j + 1 < n && is_digit(s[j + 1])) return -1;
    while (j < n && is_digit(s[j])) d.push(s[j++], false);
    const int integer_end = j;
    bool decimal = false;
    if (j + 1 < n && is_separator(s[j]) && is_digit(s[j + 1])) {
        decimal = true;
        for (++j; j < n && is_digit(s[j]); ++j) d.push(s[j], true);
    }
    if (d.count > kLongestNumber) return -1;
    if (j < n && is_separator(s[j]) && j + 1 < n && is_digit(s[j + 1])) return -1;  // "1.2.3"

    Kinds kinds = 0;
    int exponent = 0;
    // "4k7": a multiplier letter between the whole and the decimal digits.
    if (!decimal && j + 1 < n && rkm_letter(s[j], kinds, exponent) && is_digit(s[j + 1])) {
        int k = j + 1;
        while (k < n && is_digit(s[k])) d.push(s[k++], true);
        if (k - j - 1 > 3 || !ends_at(s, n, k)) return -1;
        r.kinds = kinds;
        r.open = kinds == kOpenKinds;
        r.magnitude = normal(start.negative ? -d.mantissa : d.mantissa, d.exponent + exponent);
        return k;
    }
    // "1/4W": a power as a fraction, when it comes out exact.
    if (!decimal && j + 1 < n && s[j] == u'/' && is_digit(s[j + 1]) && integer_end - i <= 6) {
        int k = j + 1;
        std::int64_t divisor = 0;
        for (; k < n && is_digit(s[k]) && k - j <= 4; ++k) divisor = divisor * 10 + (s[k] - u'0');
        const bool short_divisor = k >= n || !is_digit(s[k]);
        const int unit_start = k < n && is_space(s[k]) ? k + 1 : k;
        int end = 0;
        const Unit* unit = short_divisor && divisor > 0 ? unit_at(s, n, unit_start, end) : nullptr;
        if (unit != nullptr && unit->kinds == kPower && (unit->flags & kAttachedOnly) == 0) {
            std::int64_t scale = 1;
            int places = 0;
            while (scale % divisor != 0 && places < 12) {
                scale *= 10;
                ++places;
            }
            if (scale % divisor == 0) {
                r.kinds = kPower;
                const std::int64_t mantissa = d.mantissa * (scale / divisor);
                r.magnitude = normal(start.negative ? -mantissa : mantissa, unit->exponent - places);
                return end;
            }
        }
        return -1;
    }
    // A unit, attached or after one blank, or a percent sign.
    int k = j;
    bool spaced = false;
    if (k + 1 < n && is_space(s[k]) && (is_letter(s[k + 1]) || s[k + 1] == u'%')) {
        ++k;
        spaced = true;
    }
    if (k < n && s[k] == u'%') {
        if (!ends_at(s, n, k + 1)) return -1;
        r.kinds = kTolerance;
        r.magnitude = normal(start.negative ? -d.mantissa : d.mantissa, d.exponent);
        return k + 1;
    }
    int end = 0;
    const Unit* unit = k < n && is_letter(s[k]) ? unit_at(s, n, k, end) : nullptr;
    if (unit != nullptr && !(spaced && (unit->flags & kAttachedOnly) != 0)) {
        r.kinds = unit->kinds;
        r.open = (unit->flags & kOpen) != 0;
        r.magnitude = normal(start.negative ? -d.mantissa : d.mantissa, d.exponent + unit->exponent);
        return end;
    }
    if (k < n && !spaced && is_letter(s[k])) return -1;  // a part number's letters
    // A bare number: not a count of something ("5 мм", "2 контакта"), a side
    // of "6×6" or a ratio "16/32".
    if (spaced || !ends_at(s, n, j) || start.after_times) return j;
    if (j + 1 < n && (is_times(s[j]) || s[j] == u'/' || is_minus(s[j]) || is_dash(s[j])) && is_digit(s[j + 1]))
        return j;  // "6×6", "16/32", "1,25–37"
    r.bare_allowed = true;
    r.magnitude = normal(start.negative ? -d.mantissa : d.mantissa, d.exponent);
    return j;
}

// Past a word that holds no value at i: its digits, then its letters, so
// that the number after the "x" of "8x10K" is looked at on its own.
int skip_word(const char16_t* s, int n, int i) {
    while (i < n && (is_digit(s[i]) || (is_separator(s[i]) && i + 1 < n && is_digit(s[i + 1])))) ++i;
    while (i < n && is_letter(s[i]) && !is_times(s[i])) ++i;
    return i == 0 ? 1 : i;
}

// Chip sizes are no resistances, even in a resistor's name.
bool is_chip_code(const Magnitude& m) {
    const bool small = m.mantissa > 0 && m.mantissa < 10000;
    switch (!small ? 0 : (m.exponent == 0 ? m.mantissa : (m.exponent == 1 ? m.mantissa * 10 : 0))) {
        case 1206:
        case 1210:
        case 1812:
        case 2010:
        case 2512:
        case 1008:
        case 2220:
        case 1806:
            return true;
        default:
            return false;
    }
}

ValueList read(QStringView text, Kinds context, bool own_context) {
    ValueList out;
    const char16_t* s = text.utf16();
    const int n = static_cast<int>(std::min<qsizetype>(text.size(), INT_MAX));
    std::array<Value, 4> bare;
    int bare_count = 0;
    bool context_known = !own_context;
    auto known_context = [&] {
        if (!context_known) {
            context = context_kinds(text);
            context_known = true;
        }
        return context;
    };
    int i = 0;
    while (i < n && !out.full()) {
        if (!is_digit(s[i])) {
            ++i;
            continue;
        }
        const Start start = start_at(s, i);
        Reading r;
        const int end = start.ok ? read_one(s, n, i, start, r) : -1;
        if (end < 0) {
            i = skip_word(s, n, i);
            continue;
        }
        if (r.kinds != 0) {
            Kinds kinds = r.kinds;
            if (r.open && (known_context() & kinds) != 0) kinds &= context;
            out.add(Value{kinds, r.magnitude, start.begin, end});
        } else if (r.bare_allowed && bare_count < static_cast<int>(bare.size()) && !is_chip_code(r.magnitude)) {
            bare[static_cast<std::size_t>(bare_count++)] = Value{kResistance, r.magnitude, start.begin, end};
        }
        i = std::max(end, i + 1);
    }
    // "Резистор 470": a bare number is the resistance when nothing else is.
    if (out.empty() && bare_count > 0 && (known_context() & kResistance) != 0) {
        for (int b = 0; b < bare_count; ++b) out.add(bare[static_cast<std::size_t>(b)]);
    }
    return out;
}

int digit_count(std::uint64_t m) {
    int d = 1;
    while (m >= 10) {
        m /= 10;
        ++d;
    }
    return d;
}

}  // namespace

std::vector<int> unit_exponents(Kinds kinds) {
    std::vector<int> exponents;
    for (const Unit& unit : unit_table().all()) {
        if ((unit.kinds & kinds) != 0 &&
            std::find(exponents.begin(), exponents.end(), unit.exponent) == exponents.end()) {
            exponents.push_back(unit.exponent);
        }
    }
    // The percent sign is no unit word of the table.
    if ((kinds & kTolerance) != 0 && std::find(exponents.begin(), exponents.end(), 0) == exponents.end())
        exponents.push_back(0);
    std::sort(exponents.begin(), exponents.end());
    return exponents;
}

UnitStarts unit_starts(Kinds kinds, int exponent) {
    UnitStarts starts;
    auto add = [](std::u16string& set, char16_t c) {
        if (set.find(c) == std::u16string::npos) set += c;
    };
    for (const Unit& unit : unit_table().all()) {
        if ((unit.kinds & kinds) == 0 || unit.exponent != exponent) continue;
        add(starts.attached, unit.word[0]);
        if ((unit.flags & kAttachedOnly) == 0) add(starts.spaced, unit.word[0]);
    }
    if ((kinds & kTolerance) != 0 && exponent == 0) {
        add(starts.attached, u'%');
        add(starts.spaced, u'%');
    }
    return starts;
}

std::u16string multiplier_letters(Kinds kinds, int exponent) {
    std::u16string letters;
    for (char16_t c : std::u16string_view(u"RrkKкКMМuµμnнpпVВ")) {
        Kinds letter_kinds = 0;
        int letter_exponent = 0;
        if (rkm_letter(c, letter_kinds, letter_exponent) && (letter_kinds & kinds) != 0 && letter_exponent == exponent)
            letters += c;
    }
    return letters;
}

std::strong_ordering Magnitude::operator<=>(const Magnitude& other) const {
    const int sign = (mantissa > 0) - (mantissa < 0);
    const int other_sign = (other.mantissa > 0) - (other.mantissa < 0);
    if (sign != other_sign || sign == 0) return sign <=> other_sign;
    std::uint64_t a = static_cast<std::uint64_t>(std::llabs(mantissa));
    std::uint64_t b = static_cast<std::uint64_t>(std::llabs(other.mantissa));
    int da = digit_count(a);
    int db = digit_count(b);
    // The place of the leading digit first, then the digits side by side.
    const long long lead_a = static_cast<long long>(exponent) + da;
    const long long lead_b = static_cast<long long>(other.exponent) + db;
    std::strong_ordering order = lead_a <=> lead_b;
    if (order == 0) {
        for (; da < db; ++da) a *= 10;
        for (; db < da; ++db) b *= 10;
        order = a <=> b;
    }
    return sign > 0 ? order : 0 <=> order;
}

double Magnitude::approximate() const { return static_cast<double>(mantissa) * std::pow(10.0, exponent); }

Kinds context_kinds(QStringView text) {
    auto has = [text](std::initializer_list<const char16_t*> words) {
        for (const char16_t* word : words) {
            if (text.contains(QStringView(word), Qt::CaseInsensitive)) return true;
        }
        return false;
    };
    Kinds kinds = 0;
    if (has({u"резист", u"resist"})) kinds |= kResistance;
    if (has({u"конденс", u"capacit"})) kinds |= kCapacitance;
    if (has({u"дроссел", u"индукт", u"inductor", u"inductance", u"choke"})) kinds |= kInductance;
    return kinds;
}

ValueList read_values(QStringView text) { return read(text, 0, true); }

ValueList read_values(QStringView text, Kinds context) { return read(text, context, false); }

}  // namespace detalehran::values
