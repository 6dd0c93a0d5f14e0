#pragma once
// Small helpers shared by the demo inventory and the bulk generator.

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace detalehran::dbtool::detail {

// SplitMix64: fully defined here, unlike the standard distributions whose
// output differs between library versions; the demo must never change.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [low, high], both inclusive.
    std::int64_t between(std::int64_t low, std::int64_t high) {
        const auto span = static_cast<std::uint64_t>(high - low) + 1;
        return low + static_cast<std::int64_t>(next() % span);
    }

    bool percent(int chance) { return between(0, 99) < chance; }

    template <typename T>
    const T& pick(const std::vector<T>& items) {
        return items[static_cast<std::size_t>(between(0, static_cast<std::int64_t>(items.size()) - 1))];
    }

    const char* pick(std::initializer_list<const char*> items) {
        return items.begin()[between(0, static_cast<std::int64_t>(items.size()) - 1)];
    }

    std::uint64_t state() const { return state_; }

private:
    std::uint64_t state_;
};

// Decimal text with a comma as Russian catalogues print it: 4.7 -> "4,7".
std::string decimal_comma(double value);

// Values with an SI prefix in Russian: format_value(4700, "Ом") -> "4,7 кОм",
// format_value(1e-7, "Ф") -> "100 нФ".
std::string format_value(double value, std::string_view unit);

// Purchase price below the selling price by a margin of 20..45 %.
std::int64_t purchase_price(Rng& rng, std::int64_t selling_kopecks);

// Fewer than five pieces for about one part in ten, otherwise [low, high].
int stock_quantity(Rng& rng, int low, int high);

extern const std::vector<const char*> kSuppliers;

}  // namespace detalehran::dbtool::detail
