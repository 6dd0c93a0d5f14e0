#include "generator_util.h"

#include <cmath>
#include <cstdio>

#include "inventory.h"

namespace detalehran::dbtool {

std::string node_path(const std::vector<std::string>& names) {
    std::string path = "|Все|";
    for (const std::string& name : names) {
        path += name;
        path += '|';
    }
    return path;
}

namespace detail {

const std::vector<const char*> kSuppliers = {
    "Чип и Дип", "Элитан", "ЭФО", "Платан", "LCSC", "Mouser", "Промэлектроника", "Компэл", "Digi-Key",
};

std::string decimal_comma(double value) {
    char buffer[32];
    // Six significant digits keep 32,768 and drop the noise of 4.7 * 1000 / 1000.
    std::snprintf(buffer, sizeof buffer, "%.6g", value);
    std::string text = buffer;
    for (char& c : text) {
        if (c == '.') c = ',';
    }
    return text;
}

std::string format_value(double value, std::string_view unit) {
    static constexpr const char* kPrefixes[] = {"п", "н", "мк", "м", "", "к", "М", "Г"};
    constexpr int kUnitIndex = 4;
    int group = 0;
    if (value > 0) {
        group = static_cast<int>(std::floor((std::floor(std::log10(value) + 1e-9)) / 3.0));
    }
    if (group < -kUnitIndex) group = -kUnitIndex;
    if (group > 3) group = 3;
    const double scaled = value / std::pow(10.0, 3 * group);
    std::string text = decimal_comma(scaled);
    text += ' ';
    text += kPrefixes[group + kUnitIndex];
    text += unit;
    return text;
}

std::int64_t purchase_price(Rng& rng, std::int64_t selling_kopecks) {
    const std::int64_t percent = rng.between(55, 80);
    std::int64_t price = selling_kopecks * percent / 100;
    if (price >= selling_kopecks) price = selling_kopecks - 1;
    return price < 1 ? 1 : price;
}

int stock_quantity(Rng& rng, int low, int high) {
    if (rng.percent(10)) return static_cast<int>(rng.between(0, 4));
    return static_cast<int>(rng.between(low, high));
}

}  // namespace detail
}  // namespace detalehran::dbtool
