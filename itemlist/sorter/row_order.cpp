#include "itemlist/sorter/row_order.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "itemlist/text_rules.h"
#include "values/electrical_value.h"

namespace detalehran::sorter {

namespace {

bool is_digit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// "a sorts before b" by precomputed keys; descending swaps the operands so
// that equal keys keep their order either way.
template <typename Key>
std::function<bool(int, int)> order_by(std::vector<Key> keys, int direction) {
    auto shared = std::make_shared<const std::vector<Key>>(std::move(keys));
    if (direction < 0) {
        return [shared](int a, int b) {
            return (*shared)[static_cast<std::size_t>(b)] < (*shared)[static_cast<std::size_t>(a)];
        };
    }
    return [shared](int a, int b) {
        return (*shared)[static_cast<std::size_t>(a)] < (*shared)[static_cast<std::size_t>(b)];
    };
}

// A decimal key with a total order: NaN equals NaN and sorts before every
// number, so the sort's comparison stays consistent.
struct DecimalKey {
    bool number = true;
    double value = 0.0;
    bool operator<(const DecimalKey& other) const {
        if (number != other.number) return !number;
        return number && value < other.value;
    }
};

struct TextKey {
    QCollatorSortKey key;
    bool operator<(const TextKey& other) const { return key.compare(other.key) < 0; }
};

// The text before the first value, its amount and the text after it; a text
// without a value is all "before" and sorts ahead of the same text with one.
struct ValueTextKey {
    QCollatorSortKey before;
    bool has_value;
    values::Magnitude amount;
    QCollatorSortKey after;
    bool operator<(const ValueTextKey& other) const {
        if (const int c = before.compare(other.before); c != 0) return c < 0;
        if (has_value != other.has_value) return !has_value;
        if (!has_value) return false;
        if (amount != other.amount) return amount < other.amount;
        return after.compare(other.after) < 0;
    }
};

}  // namespace

std::int32_t integer_key(const QString& text) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(itemlist::integer_value(text)));
}

double decimal_value(const QString& text) {
    const QString whole = text.trimmed();
    if (whole.compare(QLatin1String("nan"), Qt::CaseInsensitive) == 0) return std::numeric_limits<double>::quiet_NaN();
    if (whole.compare(QLatin1String("+infinity"), Qt::CaseInsensitive) == 0 ||
        whole.compare(QLatin1String("infinity"), Qt::CaseInsensitive) == 0) {
        return std::numeric_limits<double>::infinity();
    }
    if (whole.compare(QLatin1String("-infinity"), Qt::CaseInsensitive) == 0) {
        return -std::numeric_limits<double>::infinity();
    }

    qsizetype i = 0;
    const qsizetype size = text.size();
    while (i < size && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t'))) ++i;
    bool negative = false;
    if (i < size && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        negative = text[i++] == QLatin1Char('-');

    // Collect the number's characters; strtod would follow the user's
    // locale and read "12.5" as 12 where the point is a comma.
    std::string number;
    int mantissa_digits = 0;
    for (; i < size && is_digit(text[i]); ++i, ++mantissa_digits) number += static_cast<char>(text[i].unicode());
    if (i < size && text[i] == QLatin1Char('.')) {
        number += '.';
        for (++i; i < size && is_digit(text[i]); ++i, ++mantissa_digits) number += static_cast<char>(text[i].unicode());
    }
    if (mantissa_digits == 0) return 0.0;
    bool exponent_negative = false;
    if (i < size && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        qsizetype j = i + 1;
        std::string exponent = "e";
        if (j < size && (text[j] == QLatin1Char('-') || text[j] == QLatin1Char('+'))) {
            exponent_negative = text[j] == QLatin1Char('-');
            exponent += static_cast<char>(text[j++].unicode());
        }
        // An "e" without digits is not part of the number.
        if (j < size && is_digit(text[j])) {
            for (; j < size && is_digit(text[j]); ++j) exponent += static_cast<char>(text[j].unicode());
            number += exponent;
        } else {
            exponent_negative = false;
        }
    }

    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        value = exponent_negative ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return negative ? -value : value;
}

QCollator text_collator(const QLocale& locale) {
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    collator.setIgnorePunctuation(false);
    return collator;
}

std::function<bool(int, int)> row_order(const SortColumn& cells, int type, int direction, const QCollator& collator) {
    const int rows = cells.rows;
    if (type == kIntegerColumn) {
        std::vector<std::int32_t> keys;
        keys.reserve(static_cast<std::size_t>(rows));
        for (int row = 0; row < rows; ++row) keys.push_back(integer_key(cells.cell(row)));
        return order_by(std::move(keys), direction);
    }
    if (type == kDecimalColumn) {
        std::vector<DecimalKey> keys;
        keys.reserve(static_cast<std::size_t>(rows));
        for (int row = 0; row < rows; ++row) {
            const double value = decimal_value(cells.cell(row));
            keys.push_back(std::isnan(value) ? DecimalKey{false, 0.0} : DecimalKey{true, value});
        }
        return order_by(std::move(keys), direction);
    }
    // Collators without case folding for every alphabet (no ICU) get the
    // texts folded beforehand.
    const bool fold = collator.compare(QStringLiteral("Я"), QStringLiteral("я")) != 0 ||
                      collator.compare(QStringLiteral("A"), QStringLiteral("a")) != 0;
    auto sort_key = [&](const QString& text) { return collator.sortKey(fold ? text.toCaseFolded() : text); };
    if (type == kValueTextColumn) {
        std::vector<ValueTextKey> keys;
        keys.reserve(static_cast<std::size_t>(rows));
        for (int row = 0; row < rows; ++row) {
            const QString text = cells.cell(row);
            const values::ValueList found = values::read_values(text);
            if (found.empty()) {
                keys.push_back(ValueTextKey{sort_key(text.trimmed()), false, {}, sort_key(QString())});
                continue;
            }
            // "Резистор 4,7 кОм" and "Резистор 4k7" have the same text before.
            const QString before = text.first(found[0].begin).trimmed();
            keys.push_back(ValueTextKey{sort_key(before), true, found[0].magnitude,
                                        sort_key(text.sliced(found[0].end).trimmed())});
        }
        return order_by(std::move(keys), direction);
    }
    std::vector<TextKey> keys;
    keys.reserve(static_cast<std::size_t>(rows));
    for (int row = 0; row < rows; ++row) {
        const QString text = cells.cell(row);
        keys.push_back(TextKey{collator.sortKey(fold ? text.toCaseFolded() : text)});
    }
    return order_by(std::move(keys), direction);
}

}  // namespace detalehran::sorter
