#pragma once
// How the column sorter compares the item list's rows: the column types, the
// number readings of a cell and the row order for one sort.

#include <QCollator>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <functional>

namespace detalehran::sorter {

// Column types; any other code sorts as text.
enum ColumnType : int {
    kTextColumn = 0,
    kIntegerColumn = 2,
    kDecimalColumn = 3,
    kUnsortedColumn = 7,
    // Text whose first electrical value is compared by its amount: within
    // equal text before it, 1 кОм < 2,2 кОм < 10 кОм, then the rest as text.
    kValueTextColumn = 9,
};

// The integer reading of a cell, cut to its low 32 bits as a signed number.
std::int32_t integer_key(const QString& text);

// The decimal reading of a cell: leading blanks skipped, an optional sign,
// digits with an optional point, fraction and exponent, read up to the first
// other character. "+Infinity", "-Infinity" and "NaN" (any case, the whole
// text) give those values; a text without a number gives 0.
double decimal_value(const QString& text);

// A case-insensitive collator for the locale's alphabet order.
QCollator text_collator(const QLocale& locale);

// The column a sort goes by: how many rows there are and each row's cell.
struct SortColumn {
    int rows = 0;
    std::function<QString(int row)> cell;
};

// The order of one sort of the rows by a column: less(a, b) for rows
// addressed by their indexes before the sort, ascending for direction +1 and
// descending for -1. The cells are read once, when this is called.
std::function<bool(int, int)> row_order(const SortColumn& cells, int type, int direction, const QCollator& collator);

}  // namespace detalehran::sorter
