#include "itemlist/text_rules.h"

#include <cctype>
#include <cstdint>

namespace detalehran::itemlist {

std::int64_t integer_value(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i < text.size() && text[i] == '%') {
        base = 2;
        ++i;
    }
    // Unsigned arithmetic: an overlong number wraps instead of overflowing.
    std::uint64_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = QChar(text[i]).digitValue() >= 0 && text[i].unicode() < 128
                              ? text[i].digitValue()
                              : (base == 16 && text[i].unicode() < 128 && std::isxdigit(text[i].unicode())
                                     ? 10 + (std::tolower(text[i].unicode()) - 'a')
                                     : -1);
        if (digit < 0 || digit >= base) break;
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    }
    return static_cast<std::int64_t>(negative ? 0 - value : value);
}

QStringView price_shown(QStringView stored) {
    if (stored.size() <= 2) return {};
    const QStringView shown = stored.first(stored.size() - 2);
    return shown == u".00" ? QStringView(u"0.00") : shown;
}

QString price_text(const QString& stored) { return price_shown(stored).toString(); }

bool is_low_stock(const QString& quantity, const QString& minimum) {
    return integer_value(quantity) < integer_value(minimum);
}

}  // namespace detalehran::itemlist
