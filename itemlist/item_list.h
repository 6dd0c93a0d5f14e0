#pragma once
// Filling the item list from a statement, the low-stock highlight, and
// hiding and showing columns through the column table.

#include <QString>
#include <cstdint>
#include <string>

#include "db/statement.h"
#include "itemlist/text_rules.h"
#include "platform/event.h"

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
bool fill_item_list(App& app, const db::Statement& statement);
// The same for a command of the user's: a list that could not be read whole
// is not shown as if it were, the user is told why.
void show_item_list(App& app, const db::Statement& statement);

// What reading a row's item again found.
enum class StoredRow { shown, gone, unread };
// Reads the item of a list row again by its ID and shows it as stored (its
// texts, icon and colour); a row whose item is no longer stored leaves the
// list. Shows no window.
StoredRow show_stored_row(App& app, int row);

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
