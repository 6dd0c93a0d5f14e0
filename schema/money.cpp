#include "schema/money.h"

namespace detalehran::schema {

std::string Money::decimal_text() const {
    const bool negative = units_ < 0;
    // Through unsigned so that the most negative amount has a magnitude.
    const std::uint64_t magnitude =
        negative ? 0 - static_cast<std::uint64_t>(units_) : static_cast<std::uint64_t>(units_);
    std::string text = (negative ? "-" : "") + std::to_string(magnitude / 10000);
    std::string fraction = std::to_string(magnitude % 10000);
    fraction.insert(0, 4 - fraction.size(), '0');
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    if (!fraction.empty()) text += "." + fraction;
    return text;
}

std::optional<Money> parse_money(std::string_view text) {
    std::size_t k = 0;
    const bool negative = k < text.size() && (text[k] == '-' || text[k] == '+') && text[k++] == '-';
    std::int64_t whole = 0;
    std::size_t digits = 0;
    for (; k < text.size() && text[k] >= '0' && text[k] <= '9'; ++k, ++digits) {
        if (whole >= kMoneyWholeLimit) return std::nullopt;
        whole = whole * 10 + (text[k] - '0');
    }
    std::int64_t fraction = 0;
    std::size_t decimals = 0;
    if (k < text.size() && text[k] == '.') {
        for (++k; k < text.size() && text[k] >= '0' && text[k] <= '9'; ++k, ++decimals) {
            if (decimals == 4) return std::nullopt;
            fraction = fraction * 10 + (text[k] - '0');
        }
    }
    if (k != text.size() || digits + decimals == 0 || whole >= kMoneyWholeLimit) return std::nullopt;
    for (std::size_t d = decimals; d < 4; ++d) fraction *= 10;
    const std::int64_t units = whole * 10000 + fraction;
    return Money::from_units(negative ? -units : units);
}

}  // namespace detalehran::schema
