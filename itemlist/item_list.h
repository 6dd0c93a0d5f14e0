#pragma once
// Filling the item list from a statement, the low-stock highlight, and
// hiding and showing columns through the column table.

#include <QString>
#include <cstdint>
#include <string>

#include "db/statement.h"
#include "itemlist/text_rules.h"
#include "itemlist/value_search.h"
#include "platform/event.h"

class QFont;

namespace detalehran {
struct App;
struct ListFontRecord;
}  // namespace detalehran

namespace detalehran::itemlist {

// Replaces the list's rows with the statement's rows, in its order, with
// price texts, document icons and the low-stock colour. False when the
// statement failed or its rows broke off: the list then holds only the rows
// read (none when the statement failed), and the reason is the database's
// last diagnostic. Shows no window.
bool fill_item_list(App& app, const db::Statement& statement);
// The same for a search: a search by value shows the name's rows first, in
// their order, then the parts found by value, in theirs.
bool fill_item_list(App& app, const ListSearch& search);
// The same for a command of the user's: a list that could not be read whole
// is not shown as if it were, the user is told why. A long list shows its
// first rows at once and reads the rest while the program waits for the
// user; whatever needs every row waits for the rest first (finish_list_fill,
// any other statement, a sort).
void show_item_list(App& app, const db::Statement& statement);
// A search typed by the user, shown the same way; a refresh repeats it.
void show_search(App& app, const QString& text);
// Reads now the rows of the shown list still to come, if any.
void finish_list_fill(App& app);

// What reading a row's item again found. `moving`: on a team's server,
// someone cut it and has not pasted it yet; it is not gone.
enum class StoredRow { shown, gone, moving, unread };
// Reads the item of a list row again by its ID and shows it as stored (its
// texts, icon and colour); a row whose item is no longer stored (nor being
// moved) leaves the list. Shows no window. With `mover`, the role moving it.
StoredRow show_stored_row(App& app, int row, QString* mover = nullptr);
// "\nДеталь «name» сейчас перемещается…": what the user is told of an item
// another role cut and has not pasted yet.
QString moving_text(const QString& name, const QString& mover);

// The font a list font record describes.
QFont font_of(const ListFontRecord& record);

// The column table's shown flag for a list column (0 when no position holds it).
int column_shown(const App& app, int column);
void hide_column(App& app, int column);
void show_column(App& app, int column);

// Commands the router reaches.
void search_by_name(App& app, const Event& event);
// Reads the list's section, place or search again, keeping the selected and
// checked rows and the sort (F5, "Обновить список").
void refresh_item_list(App& app, const Event& event);
void choose_list_font(App& app, const Event& event);

}  // namespace detalehran::itemlist
