#include "values/value_filter.h"

#include <QString>
#include <algorithm>
#include <climits>
#include <cstdlib>

#include "values/unit_table.h"

namespace detalehran::values {

namespace {

const std::u16string kBlanks = u" \t\u00A0\u202F\u2009";

std::u16string one(char16_t c) { return std::u16string(1, c); }

FilterPattern literal(const std::u16string& digits) {
    FilterPattern pattern;
    for (char16_t c : digits) pattern.places.push_back(one(c));
    return pattern;
}

// The forms a value may be written in, each a pattern: with the largest unit
// that makes it an integer ("4700 Ом", "1k", "10 кОм", "1,0 кОм") the
// number is followed by a decimal point, a blank or the unit, and with a
// smaller one by three zeros more ("1000 Ом"); with a unit that leaves a
// fraction ("4,7 кОм", "4k7") the digits are parted by the point or the
// multiplier letter; as a fraction below one ("0,0047 МОм") they stand
// behind a zero, the point and zeros. Shorter numbers get the unit after the
// blank looked at too, as "1 " alone is in too many names.
std::vector<FilterPattern> written_forms(const std::u16string& digits, const Value& value) {
    std::vector<FilterPattern> patterns;
    const std::vector<int> exponents = unit_exponents(value.kinds);
    const int exponent = value.magnitude.exponent;
    const int k = static_cast<int>(digits.size());
    int integer_unit = INT_MIN;
    int fraction_unit = INT_MAX;
    for (int unit : exponents) {
        if (unit <= exponent) integer_unit = std::max(integer_unit, unit);
        if (unit > exponent + k - 1) fraction_unit = std::min(fraction_unit, unit);
        if (unit > exponent && unit <= exponent + k - 1) {
            const std::size_t point = static_cast<std::size_t>(k - (unit - exponent));
            FilterPattern mixed = literal(digits.substr(0, point));
            mixed.places.push_back(u".," + multiplier_letters(value.kinds, unit));
            for (char16_t c : digits.substr(point)) mixed.places.push_back(one(c));
            patterns.push_back(mixed);
        }
    }
    if (integer_unit != INT_MIN) {
        const std::u16string number = digits + std::u16string(static_cast<std::size_t>(exponent - integer_unit), u'0');
        const UnitStarts starts = unit_starts(value.kinds, integer_unit);
        const bool smaller_unit = exponents.front() < integer_unit;
        if ((value.kinds & kResistance) != 0 && integer_unit == 0) {
            patterns.push_back(literal(number));  // a bare resistance: "Резистор 470"
        } else if (number.size() >= 3) {
            FilterPattern followed = literal(number);
            followed.places.push_back(u"0.," + kBlanks + starts.attached);
            patterns.push_back(followed);
        } else {
            FilterPattern attached = literal(number);
            attached.places.push_back(u".," + starts.attached);
            patterns.push_back(attached);
            if (!starts.spaced.empty()) {
                FilterPattern spaced = literal(number);
                spaced.places.push_back(kBlanks);
                spaced.places.push_back(starts.spaced);
                patterns.push_back(spaced);
            }
            if (smaller_unit) patterns.push_back(literal(number + u"000"));
        }
    }
    if (fraction_unit != INT_MAX) {
        FilterPattern fraction = literal(u"0");
        fraction.places.push_back(u"");
        for (int z = 0; z < fraction_unit - exponent - k; ++z) fraction.places.push_back(u"0");
        for (char16_t c : digits) fraction.places.push_back(one(c));
        patterns.push_back(fraction);
    }
    return patterns;
}

bool occurs_at(const FilterPattern& pattern, QStringView name, qsizetype at) {
    if (at + static_cast<qsizetype>(pattern.places.size()) > name.size()) return false;
    for (std::size_t k = 0; k < pattern.places.size(); ++k) {
        const std::u16string& place = pattern.places[k];
        if (!place.empty() && place.find(name[at + static_cast<qsizetype>(k)].unicode()) == std::u16string::npos)
            return false;
    }
    return true;
}

}  // namespace

ValueFilter value_filter(const ValueList& values) {
    ValueFilter filter;
    for (const Value& value : values) {
        // A power may be written as a fraction ("1/4W"), whose digits are others.
        if ((value.kinds & kPower) != 0) continue;
        // Digits past the reader's precision are cut off, not zeros.
        if (std::llabs(value.magnitude.mantissa) >= 100000000000000000LL) continue;
        const std::u16string digits = value.magnitude.mantissa == 0
                                          ? std::u16string(u"0")
                                          : QString::number(std::llabs(value.magnitude.mantissa)).toStdU16String();
        std::vector<FilterPattern> group =
            value.magnitude.mantissa == 0 ? std::vector<FilterPattern>{literal(digits)} : written_forms(digits, value);
        if (!group.empty()) filter.groups.push_back(std::move(group));
    }
    return filter;
}

bool filter_admits(const ValueFilter& filter, QStringView name) {
    for (const std::vector<FilterPattern>& group : filter.groups) {
        bool found = false;
        for (const FilterPattern& pattern : group) {
            for (qsizetype at = 0; at < name.size() && !found; ++at) found = occurs_at(pattern, name, at);
            if (found) break;
        }
        if (!found) return false;
    }
    return true;
}

}  // namespace detalehran::values
