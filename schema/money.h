#pragma once
// Money as the store means it: an exact count of ten-thousandths, the
// precision of Jet's currency. Amounts cross the program in this form and
// become text in one place, so that no binary fraction and no second way of
// writing an amount creeps in.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace detalehran::schema {

class Money {
public:
    constexpr Money() = default;
    static constexpr Money from_units(std::int64_t ten_thousandths) { return Money(ten_thousandths); }
    static constexpr Money from_hundredths(std::int64_t hundredths) { return Money(hundredths * 100); }

    constexpr std::int64_t units() const { return units_; }
    constexpr bool operator==(const Money&) const = default;
    constexpr auto operator<=>(const Money&) const = default;

    // The shortest plain decimal: "12.5", "-0.05", "0", "1250". Both
    // engines read it as the exact amount.
    std::string decimal_text() const;

private:
    constexpr explicit Money(std::int64_t units) : units_(units) {}
    std::int64_t units_ = 0;
};

// A decimal text of digits with an optional sign and at most four decimals
// after a point ("12.5", "-.25", "7"); nullopt for anything else, and for
// amounts beyond the range of the money columns.
std::optional<Money> parse_money(std::string_view text);

// The money columns hold amounts whose whole part stays below this, as
// Jet's currency does (less its last part, so that every bound is exact).
inline constexpr std::int64_t kMoneyWholeLimit = 922337203685477;

}  // namespace detalehran::schema
