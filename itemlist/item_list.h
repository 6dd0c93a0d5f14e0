#pragma once
// Filling the item list from a statement, the low-stock highlight, and
// hiding and showing columns through the column table.

#include <QString>
#include <cstdint>
#include <string>

class QFont;

namespace detalehran {
struct App;
struct ListFontRecord;
}

namespace detalehran::itemlist {

// Replaces the list's rows with the statement's rows, in its order, with
// price texts, document icons and the low-stock colour. False when the
// statement failed or its rows broke off: the list then holds only the rows
// read (none when the statement failed), and the reason is the database's
// last diagnostic. Shows no window.
bool fill_item_list(App& app, const std::string& statement);
// The same for a command of the user's: a list that could not be read whole
// is not shown as if it were, the user is told why.
void show_item_list(App& app, const std::string& statement);

// Integer value of a text: leading blanks and tabs skipped, an optional sign,
// decimal digits up to the first other character ("$" hexadecimal, "%"
// binary); no digits gives 0.
std::int64_t integer_value(const QString& text);
// A price as the list shows it: 12.5000 → 12.50, .0000 → 0.00, .5000 → .50.
QString price_text(const QString& stored);
// Whether a row with this quantity text is coloured under these settings.
bool is_low_stock(const QString& quantity, const QString& minimum);

// The font a list font record describes.
QFont font_of(const ListFontRecord& record);

// The column table's shown flag for a list column (0 when no position holds it).
int column_shown(const App& app, int column);
void hide_column(App& app, int column);
void show_column(App& app, int column);

}  // namespace detalehran::itemlist
