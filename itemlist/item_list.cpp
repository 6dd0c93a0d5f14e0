#include "itemlist/item_list.h"

#include <QHash>
#include <QHeaderView>
#include <QPointer>
#include <QTreeView>
#include <algorithm>
#include <functional>
#include <memory>

#include "db/failure_text.h"
#include "db/statements.h"
#include "db/team_statements.h"
#include "itemlist/datasheets.h"
#include "itemlist/item_list_model.h"
#include "itemlist/text_blocks.h"
#include "mainwindow/main_window.h"
#include "platform/services.h"
#include "state/app.h"

namespace detalehran::itemlist {

namespace {

constexpr int kShownWidth = 100;
constexpr std::size_t kRowsRoom = 1 << 17;

// Rows share one copy of a repeated text. A lossy cache keeps lookups to one
// hash and one comparison: a text that collides is just not shared.
class SharedTexts {
public:
    const QString& get(const std::string& key, TextBlocks& blocks) {
        Slot& slot = slots_[std::hash<std::string_view>{}(key) & (kSlots - 1)];
        if (slot.text.isNull() || slot.key != key) {
            slot.key = key;
            slot.text = blocks.from_utf8(key);
        }
        return slot.text;
    }

private:
    // Small enough to stay in the processor's cache.
    static constexpr std::size_t kSlots = 1024;
    struct Slot {
        std::string key;
        QString text;  // null while the slot is unused
    };
    std::vector<Slot> slots_ = std::vector<Slot>(kSlots);
};

// The rows come ordered by name: a part kept in several places, or in
// several packages, has its name on neighbouring rows.
class PreviousText {
public:
    const QString& get(const std::string& key, TextBlocks& blocks) {
        if (text_.isNull() || key_ != key) {
            key_ = key;
            text_ = blocks.from_utf8(key);
        }
        return text_;
    }

private:
    std::string key_;
    QString text_;
};

// Places, paths, suppliers, packages and documents repeat from row to row;
// descriptions, IDs, quantities and prices mostly do not.
bool repeats(int column) {
    return column == db::kPlace || column == db::kSectionPath || column == db::kSupplier || column == db::kPackage ||
           column == db::kDatasheet;
}

// What a document's icon is cached by within one fill: the text after the
// last point, exactly as written (so PDF and pdf are looked up apart).
QString extension_of(const QString& name) {
    const qsizetype point = name.lastIndexOf('.');
    return point < 0 ? QString() : name.mid(point + 1);
}

}  // namespace

namespace {

// One read of a list's rows, a number of rows at a time. The statement stays
// open between reads; whoever drops the fill before its end closes it.
class ListFill {
public:
    ListFill(App& app, const ListSearch& search) : app_(app), search_(search) {}
    ~ListFill() {
        if (open_) close();
    }
    ListFill(const ListFill&) = delete;
    ListFill& operator=(const ListFill&) = delete;

    bool start() {
        open_ = app_.database.db_query(search_.statement);
        complete_ = open_;
        return open_;
    }
    // Up to `limit` rows read into `rows`; false once the last was read
    // (the parts found by value then follow the name's rows).
    bool read(std::size_t limit, std::vector<ItemListModel::Row>& rows);
    bool complete() const { return complete_; }

private:
    void close() {
        open_ = false;
        app_.database.set_unfinished_read({});
        app_.database.db_finish();
    }

    App& app_;
    ListSearch search_;
    bool open_ = false;
    bool complete_ = false;
    QHash<QString, QIcon> icons_;  // one look-up per extension and fill
    TextBlocks blocks_;
    std::vector<SharedTexts> shared_ = std::vector<SharedTexts>(kListColumns);
    PreviousText name_;
    std::string value_;
    std::string flag_;
    std::vector<ItemListModel::Row> behind_;  // found by value, shown after the name's rows
};

bool ListFill::read(std::size_t limit, std::vector<ItemListModel::Row>& rows) {
    const bool highlight = app_.highlight.on != 0;
    std::size_t read = 0;
    while (open_ && read < limit && app_.database.db_next_row()) {
        ++read;
        ItemListModel::Row& row = rows.emplace_back();
        for (int c = 0; c < kListColumns; ++c) {
            app_.database.db_text(c, value_);
            if (value_.empty()) continue;
            QString& cell = row.cells[static_cast<std::size_t>(c)];
            if (c == db::kName) {
                cell = name_.get(value_, blocks_);
            } else if (repeats(c)) {
                cell = shared_[static_cast<std::size_t>(c)].get(value_, blocks_);
            } else if (c == db::kPrice || c == db::kPurchasePrice) {
                cell = blocks_.copy(price_shown(blocks_.decode(value_)));
            } else {
                cell = blocks_.from_utf8(value_);
            }
        }
        ItemListModel::Row* kept = &row;
        if (search_.by_value) {
            app_.database.db_text(kListColumns, flag_);
            const SearchPlace place =
                search_place(search_, QString::fromStdString(flag_), row.cells[db::kName], row.cells[db::kPackage]);
            if (place != SearchPlace::in_front) {
                if (place == SearchPlace::behind) kept = &behind_.emplace_back(std::move(row));
                rows.pop_back();
                if (place == SearchPlace::left_out) continue;
            }
        }
        const QString& document = kept->cells[db::kDatasheet];
        const QString extension = extension_of(document);
        if (!extension.isEmpty()) {
            auto cached = icons_.constFind(extension);
            if (cached == icons_.constEnd()) cached = icons_.insert(extension, document_icon(app_, document));
            kept->icon = *cached;
        }
        if (highlight && is_low_stock(kept->cells[db::kQuantity], app_.highlight.minimum)) {
            kept->colour = app_.highlight.colour;
        }
    }
    if (open_ && read == limit) return true;
    // A fetch or a read that broke off leaves its reason behind; a
    // connection closed meanwhile took the rest with it.
    if (open_) complete_ = app_.database.is_open() && app_.database.last_diagnostic().empty();
    if (open_) close();
    rows.insert(rows.end(), std::make_move_iterator(behind_.begin()), std::make_move_iterator(behind_.end()));
    behind_.clear();
    return false;
}

// Room for the rows of a fill: room never written costs address space only,
// while growing copies every row read so far into fresh memory.
std::vector<ItemListModel::Row> rows_with_room(const ItemListModel& model) {
    std::vector<ItemListModel::Row> rows;
    rows.reserve(std::max(static_cast<std::size_t>(model.row_count()), kRowsRoom));
    return rows;
}

// Shows the first rows of a fill and leaves the rest to be read while the
// program waits. Anything that needs every row waits for them first: every
// other statement (the database layer), every command of the user's (the
// router), a touch of the list (its event filter) and a sort.
// `ended(complete)` is called once the last row is in.
void fill_in_background(App& app, std::shared_ptr<ListFill> fill, std::function<void(bool)> ended) {
    ItemListModel& model = app.main_window->list_model();
    std::vector<ItemListModel::Row> rows = rows_with_room(model);
    const bool more = fill->read(model.rows_at_once(), rows);
    model.replace_rows(std::move(rows));
    if (!more) {
        if (ended) ended(fill->complete());
        return;
    }
    QPointer<ItemListModel> shown(&model);
    model.set_more_rows([fill, shown, ended](std::size_t limit) {
        std::vector<ItemListModel::Row> rows;
        rows.reserve(std::min<std::size_t>(limit, kRowsRoom));
        const bool remain = fill->read(limit, rows);
        if (shown) shown->append_rows(std::move(rows));
        if (!remain && ended) ended(fill->complete());
        return remain;
    });
    app.database.set_unfinished_read([shown] {
        if (shown) shown->finish_rows();
    });
}

// Starts a fill: the rows still coming of an earlier one are given up and
// its statement closed before the new one is sent.
std::shared_ptr<ListFill> start_fill(App& app, const ListSearch& search) {
    ItemListModel& model = app.main_window->list_model();
    model.drop_more_rows();
    // Rows of an earlier list still waiting to be given back go first: the
    // new list would otherwise be read while both are held.
    model.give_back_now();
    auto fill = std::make_shared<ListFill>(app, search);
    fill->start();
    return fill;
}

}  // namespace

bool fill_item_list(App& app, const db::Statement& statement) { return fill_item_list(app, ListSearch{statement, {}}); }

bool fill_item_list(App& app, const ListSearch& search) {
    if (app.main_window == nullptr) return false;
    const std::shared_ptr<ListFill> fill = start_fill(app, search);
    ItemListModel& model = app.main_window->list_model();
    std::vector<ItemListModel::Row> rows = rows_with_room(model);
    while (fill->read(static_cast<std::size_t>(-1), rows)) {
    }
    // One reset: the view repaints once, whatever the number of rows.
    model.replace_rows(std::move(rows));
    return fill->complete();
}

void finish_list_fill(App& app) {
    if (app.main_window != nullptr) app.main_window->list_model().finish_rows();
}

namespace {

// A list that could not be read whole is not shown as if it were.
void report_unread_list(App& app, bool complete) {
    if (complete || !app.database.is_open()) return;
    // Without a connection the user was told at start-up, once.
    const db::Diagnostic& why = app.database.last_diagnostic();
    QString text = QString::fromUtf8("Список деталей не прочитан из базы данных полностью");
    text += why.empty() ? QStringLiteral(".") : ":\n" + QString::fromStdString(db::failure_text(why));
    text += QString::fromUtf8("\n\nВ списке только то, что удалось прочитать.");
    app.platform.message_box(app.main_window, QString::fromUtf8("Внимание!"), text, MessageButtons::ok,
                             MessageIcon::warning);
}

void show_list(App& app, const ListSearch& search) {
    if (app.main_window == nullptr) return;
    fill_in_background(app, start_fill(app, search), [&app](bool complete) { report_unread_list(app, complete); });
}

}  // namespace

void show_item_list(App& app, const db::Statement& statement) {
    app.list_search.reset();
    app.list_statement = statement;
    show_list(app, ListSearch{statement, {}});
}

void show_search(App& app, const QString& text) {
    const ListSearch search = list_search(text);
    app.list_statement = search.statement;
    app.list_search = text;
    show_list(app, search);
}

namespace {

// The role that parked the item on a team's server; empty when nobody is
// moving it, or on a file.
QString parking_role(App& app, const std::string& id) {
    QString role;
    if (!app.database.shares_trees() || !app.database.db_query(db::select_parking_role(id))) return role;
    if (app.database.db_first_row()) role = QString::fromStdString(app.database.db_text(0));
    app.database.db_finish();
    return role;
}

}  // namespace

QString moving_text(const QString& name, const QString& mover) {
    return QString::fromUtf8(
               "\nДеталь «%1» сейчас перемещается: её вырезал пользователь %2 и ещё не вставил. Повторите, когда "
               "она появится в списке (F5).")
        .arg(name, mover);
}

StoredRow show_stored_row(App& app, int row, QString* mover) {
    MainWindow* window = app.main_window;
    if (window == nullptr) return StoredRow::unread;
    ItemListModel& model = window->list_model();
    const QString id = model.cell(row, db::kId);
    if (id.isEmpty() || !app.database.db_query(db::select_item(id.toStdString()))) return StoredRow::unread;
    if (!app.database.db_first_row()) {
        const bool gone = app.database.last_diagnostic().empty();
        app.database.db_finish();
        if (!gone) return StoredRow::unread;
        if (const QString role = parking_role(app, id.toStdString()); !role.isEmpty()) {
            if (mover != nullptr) *mover = role;
            return StoredRow::moving;
        }
        model.remove_row(row);
        return StoredRow::gone;
    }
    for (int c = 0; c < kListColumns; ++c) {
        const QString text = QString::fromStdString(app.database.db_text(c));
        model.set_cell(row, c, c == db::kPrice || c == db::kPurchasePrice ? price_text(text) : text);
    }
    app.database.db_finish();
    const QString document = model.cell(row, db::kDatasheet);
    model.set_row_icon(row, document.isEmpty() ? QIcon() : document_icon(app, document));
    const bool low = app.highlight.on != 0 && is_low_stock(model.cell(row, db::kQuantity), app.highlight.minimum);
    model.set_row_colour(row, low ? app.highlight.colour : -1);
    return StoredRow::shown;
}

int column_shown(const App& app, int column) { return app.column_table.column_shown(column) ? 1 : 0; }

namespace {

// The list's header with the column table's order row read back from it
// first (the user may have dragged headers), or null without a window.
QHeaderView* header_in_step(App& app) {
    if (app.main_window == nullptr) return nullptr;
    read_column_order(app);
    return app.main_window->item_list()->header();
}

}  // namespace

void hide_column(App& app, int column) {
    QHeaderView* header = header_in_step(app);
    const int i = app.column_table.position_of(column);
    if (header == nullptr || i < 0) return;
    auto& order = app.column_table.order;
    auto& shown = app.column_table.shown;
    // Already counted hidden: only a width dragged open is taken back, so the
    // hidden positions stay exactly the first ones.
    if (shown[static_cast<std::size_t>(i)] == 1) {
        std::rotate(order.begin(), order.begin() + i, order.begin() + i + 1);
        std::rotate(shown.begin(), shown.end() - 1, shown.end());
        shown[0] = 0;
    }
    header->resizeSection(column, 0);
    apply_column_order(app);
}

void show_column(App& app, int column) {
    QHeaderView* header = header_in_step(app);
    const int i = app.column_table.position_of(column);
    if (header == nullptr || i < 0) return;
    auto& order = app.column_table.order;
    auto& shown = app.column_table.shown;
    if (shown[static_cast<std::size_t>(i)] == 1) {
        // Already counted shown (perhaps dragged to nothing): only its width
        // comes back; moving it would overwrite another column's position.
        if (header->sectionSize(column) == 0) header->resizeSection(column, kShownWidth);
        return;
    }
    const auto first_shown = std::find(shown.begin(), shown.end(), 1);
    const int j =
        std::max(i, first_shown == shown.end() ? kListColumns - 1 : static_cast<int>(first_shown - shown.begin()));
    // The column goes right of the leftmost shown one.
    std::rotate(order.begin() + i, order.begin() + i + 1, order.begin() + j + 1);
    std::rotate(shown.begin(), shown.begin() + 1, shown.end());
    shown[kListColumns - 1] = 1;
    apply_column_order(app);
    header->resizeSection(column, kShownWidth);
}

}  // namespace detalehran::itemlist
