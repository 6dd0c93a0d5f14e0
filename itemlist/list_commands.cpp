// Commands of the item list: the search by name and the list's font.

#include <QFont>
#include <QLineEdit>
#include <QTreeView>

#include "state/app.h"
#include "itemlist/item_list.h"
#include "mainwindow/main_window.h"
#include "db/statements.h"
#include "platform/services.h"

namespace detalehran::itemlist {

void search_by_name(App& app, const Event&) {
    if (app.main_window == nullptr) return;
    // "%" and "_" typed by the user stay pattern characters; "[" does not.
    show_item_list(app, db::select_items_by_name(app.main_window->search_field()->text().toStdString()));
}

QFont font_of(const ListFontRecord& record) {
    QFont font(record.face);
    if (record.points > 0) font.setPointSize(record.points);
    font.setBold((record.style & 256) != 0);
    font.setItalic((record.style & 512) != 0);
    font.setUnderline((record.style & 4) != 0);
    font.setStrikeOut((record.style & 8) != 0);
    return font;
}

void choose_list_font(App& app, const Event&) {
    if (app.main_window == nullptr) return;
    const FontChoice initial{app.list_font.face, app.list_font.points, app.list_font.style};
    const std::optional<FontChoice> chosen = app.platform.choose_font(app.main_window, initial);
    if (!chosen) return;
    app.list_font = ListFontRecord{chosen->face, chosen->points, chosen->style};
    app.main_window->item_list()->setFont(font_of(app.list_font));
}

}  // namespace detalehran::itemlist
