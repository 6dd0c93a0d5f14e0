#pragma once
// Reading electrical values out of a part's name or a schematic's value
// field: "4k7", "4,7 кОм", "0.1uF 100V", "1/4W", "±5%". Pure: no windows,
// no database. Part numbers ("1N4148", "BC847B"), packages ("0805", "SOT-23")
// and dimensions ("5 мм", "3x8") give no value.

#include <QStringView>
#include <array>
#include <compare>
#include <cstdint>

namespace detalehran::values {

// Quantity kinds, as bits: a value whose text leaves its kind open carries
// each kind it may be ("4u7" is a capacitance or an inductance).
enum Kind : std::uint16_t {
    kResistance = 1 << 0,
    kCapacitance = 1 << 1,
    kInductance = 1 << 2,
    kVoltage = 1 << 3,
    kCurrent = 1 << 4,
    kPower = 1 << 5,
    kFrequency = 1 << 6,
    kTolerance = 1 << 7,  // in percent
};
using Kinds = std::uint16_t;

// An exact decimal amount, mantissa × 10^exponent in the kind's base unit,
// with no trailing zero in the mantissa (zero is 0 × 10^0): equal amounts
// are equal fields however they were written, 4k7 and 4,7 кОм both 47 × 10^2.
struct Magnitude {
    std::int64_t mantissa = 0;
    int exponent = 0;

    bool operator==(const Magnitude&) const = default;
    // By amount.
    std::strong_ordering operator<=>(const Magnitude& other) const;
    double approximate() const;
};

// One value found in a text, with where its text stands (UTF-16 units).
struct Value {
    Kinds kinds = 0;
    Magnitude magnitude;
    int begin = 0;
    int end = 0;
};

// The values of one text in their order. A name holds a few; the rest of a
// text beyond kCapacity values is not read.
class ValueList {
public:
    static constexpr int kCapacity = 16;

    int size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const Value& operator[](int i) const { return values_[static_cast<std::size_t>(i)]; }
    const Value* begin() const { return values_.data(); }
    const Value* end() const { return values_.data() + size_; }
    bool full() const { return size_ == kCapacity; }
    void add(const Value& value) {
        if (!full()) values_[static_cast<std::size_t>(size_++)] = value;
    }

private:
    std::array<Value, kCapacity> values_{};
    int size_ = 0;
};

// The kinds that the words of a text give its bare numbers and open
// multipliers: "Резистор", "resistor" a resistance, "Конденсатор" a
// capacitance, "Дроссель", "Индуктивность" an inductance; 0 for none.
Kinds context_kinds(QStringView text);

// The values of a text. A number with a unit ("10 кОм", "22uF", "12MHz") has
// the unit's kind; a number with only a multiplier has the kinds the
// multiplier allows ("10K", "4k7" a resistance, "100n" a capacitance or an
// inductance), narrowed by the context where it agrees. A bare number ("470")
// is a value only in a resistance context, and only when the text has no
// value with a unit. The first form takes the context from the text's own
// words; a bill of materials knows it from the reference or the footprint.
ValueList read_values(QStringView text);
ValueList read_values(QStringView text, Kinds context);

// Whether two values are the same amount of a kind both may be.
inline bool same_value(const Value& a, const Value& b) {
    return (a.kinds & b.kinds) != 0 && a.magnitude == b.magnitude;
}

}  // namespace detalehran::values
