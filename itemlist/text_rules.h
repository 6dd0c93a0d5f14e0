#pragma once
// How the list reads and shows the texts of its cells: the integer value of
// a text (quantities, the minimum), the price text and the low-stock rule.
// Pure: needs no window and no database.

#include <QString>
#include <cstdint>

namespace detalehran::itemlist {

// Integer value of a text: leading blanks and tabs skipped, an optional sign,
// decimal digits up to the first other character ("$" hexadecimal, "%"
// binary); no digits gives 0.
std::int64_t integer_value(const QString& text);
// A price as the list shows it: 12.5000 → 12.50, .0000 → 0.00, .5000 → .50.
QString price_text(const QString& stored);
// The same as a part of the stored text (or a constant), without a copy.
QStringView price_shown(QStringView stored);
// Whether a row with this quantity text is coloured under these settings.
bool is_low_stock(const QString& quantity, const QString& minimum);

}  // namespace detalehran::itemlist
