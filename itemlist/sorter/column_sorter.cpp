#include "itemlist/sorter/column_sorter.h"

#include <QHeaderView>
#include <QPixmap>
#include <QPointer>
#include <QScrollBar>
#include <QTreeView>
#include <array>
#include <vector>

#include "state/app.h"
#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "itemlist/item_list_model.h"

namespace detalehran::sorter {

struct ColumnSorter::ListRecord {
    QPointer<QTreeView> view;
    QPointer<ItemListModel> model;
    int arrow_style = 2;
    std::array<int, kSorterColumns> types{};
    std::array<int, kSorterColumns> flags{};
    int last_sorted = -1;  // column whose header shows the arrow, or -1
    int next_direction = 1;
    bool arrow_shown = false;    // the rows are in the order the arrow shows
    bool snapping_back = false;  // inside our own resize of a kept-hidden column
    std::vector<QMetaObject::Connection> connections;

    void disconnect_all() {
        for (const QMetaObject::Connection& connection : connections) QObject::disconnect(connection);
        connections.clear();
    }
};

SortColumn sort_column(const ItemListModel& model, int column) {
    return {model.row_count(), [&model, column](int row) { return model.cell(row, column); }};
}

namespace {

bool column_in_range(int column) { return column >= 0 && column < kSorterColumns; }

// The numbered control as a list view, or null.
QTreeView* list_view(const App& app, int control) {
    return app.main_window == nullptr ? nullptr : qobject_cast<QTreeView*>(app.main_window->control(control));
}

}  // namespace

QImage arrow_image(int direction) {
    QImage image(12, 12, QImage::Format_RGB32);
    image.fill(qRgb(255, 255, 255));
    const QRgb black = qRgb(0, 0, 0);
    for (int i = 0; i < 12; ++i) {
        image.setPixel(i, 0, black);
        image.setPixel(i, 11, black);
        image.setPixel(0, i, black);
        image.setPixel(11, i, black);
    }
    // The up arrow by rows: head widening downwards, then the shaft.
    struct Span {
        int row, first, last;
    };
    static constexpr Span up[] = {{2, 5, 6}, {3, 4, 7}, {4, 3, 8}, {5, 2, 9},
                                  {6, 5, 6}, {7, 5, 6}, {8, 5, 6}, {9, 5, 6}};
    for (const Span& span : up) {
        const int row = direction < 0 ? 11 - span.row : span.row;
        for (int x = span.first; x <= span.last; ++x) image.setPixel(x, row, black);
    }
    return image;
}

ColumnSorter::ColumnSorter(QObject* parent)
    : QObject(parent),
      collator_(text_collator(QLocale::system())),
      up_arrow_(QPixmap::fromImage(arrow_image(1))),
      down_arrow_(QPixmap::fromImage(arrow_image(-1))) {}

ColumnSorter::~ColumnSorter() {
    for (auto& [control, list] : lists_) {
        list->disconnect_all();
        if (list->model && list->last_sorted >= 0) list->model->set_header_icon(list->last_sorted, QIcon());
    }
}

void ColumnSorter::set_locale(const QLocale& locale) { collator_ = text_collator(locale); }

ColumnSorter::ListRecord* ColumnSorter::record(int control) const {
    const auto found = lists_.find(control);
    return found == lists_.end() ? nullptr : found->second.get();
}

bool ColumnSorter::is_attached(int control, const QTreeView* view) const {
    const ListRecord* list = record(control);
    return list != nullptr && list->view != nullptr && list->view == view && list->model != nullptr;
}

void ColumnSorter::attach(int control, QTreeView* view, ItemListModel* model, int arrow_style) {
    std::unique_ptr<ListRecord>& slot = lists_[control];
    if (slot != nullptr) {
        slot->disconnect_all();
        if (slot->model && slot->last_sorted >= 0) slot->model->set_header_icon(slot->last_sorted, QIcon());
    }
    // The settings belong to the widget: another list under the same number starts afresh.
    if (slot == nullptr || slot->view != view || slot->model != model) slot = std::make_unique<ListRecord>();
    ListRecord& list = *slot;
    list.view = view;
    list.model = model;
    list.arrow_style = arrow_style;
    list.last_sorted = -1;
    list.next_direction = 1;

    QHeaderView* header = view->header();
    header->setSectionsClickable(true);
    ListRecord* watched = &list;
    list.connections.push_back(
        connect(header, &QHeaderView::sectionClicked, this, [this, watched](int column) { click(*watched, column); }));
    list.connections.push_back(
        connect(header, &QHeaderView::sectionResized, this,
                [this, watched](int column, int, int new_size) { section_resized(*watched, column, new_size); }));
    // Every fill resets the model: its rows are all gone.
    list.connections.push_back(
        connect(model, &QAbstractItemModel::modelReset, this, [this, watched]() { rows_gone(*watched); }));
    list.connections.push_back(connect(model, &QAbstractItemModel::rowsRemoved, this, [this, watched]() {
        if (watched->model && watched->model->row_count() == 0) rows_gone(*watched);
    }));
}

int ColumnSorter::set_column_flags(int control, int column, int flags) {
    if (!column_in_range(column)) return kColumnOutOfRange;
    ListRecord* list = record(control);
    if (list == nullptr || !list->view || !list->model) return kNotAttached;
    int& kept = list->flags[static_cast<std::size_t>(column)];
    kept |= flags;
    QHeaderView* header = list->view->header();
    if (column < header->count()) {
        if (kept & kWidthLocked) header->setSectionResizeMode(column, QHeaderView::Fixed);
        if (flags & kKeptHidden) header->resizeSection(column, 0);
    }
    return kDone;
}

int ColumnSorter::set_column_type(int control, int column, int type) {
    if (!column_in_range(column)) return kColumnOutOfRange;
    ListRecord* list = record(control);
    if (list == nullptr || !list->view || !list->model) return kNotAttached;
    list->types[static_cast<std::size_t>(column)] = type;
    return kDone;
}

void ColumnSorter::click(ListRecord& list, int column) {
    if (!list.view || !list.model || !column_in_range(column)) return;
    list.model->finish_rows();  // every row is sorted, also those still coming
    if (list.model->row_count() == 0) return;
    if (list.types[static_cast<std::size_t>(column)] == kUnsortedColumn) return;
    if (column != list.last_sorted) {
        list.next_direction = 1;
        if (list.last_sorted >= 0) list.model->set_header_icon(list.last_sorted, QIcon());
    }
    sort(list, column, list.next_direction);
}

void ColumnSorter::sort(ListRecord& list, int column, int direction) {
    ItemListModel& model = *list.model;
    const int type = list.types[static_cast<std::size_t>(column)];
    const std::function<bool(int, int)> less = row_order(sort_column(model, column), type, direction, collator_);

    // The rows change places under a still picture, and the view stays where it was scrolled.
    QTreeView& view = *list.view;
    const bool updates = view.updatesEnabled();
    const int vertical = view.verticalScrollBar()->value();
    const int horizontal = view.horizontalScrollBar()->value();
    view.setUpdatesEnabled(false);
    model.sort_rows(less);
    view.verticalScrollBar()->setValue(vertical);
    view.horizontalScrollBar()->setValue(horizontal);
    view.setUpdatesEnabled(updates);

    list.last_sorted = column;
    list.next_direction = -direction;
    show_arrow(list, column, direction);
}

std::optional<std::pair<int, int>> ColumnSorter::shown_sort(int control) const {
    const ListRecord* list = record(control);
    if (list == nullptr || !list->arrow_shown || list->last_sorted < 0) return std::nullopt;
    return std::make_pair(list->last_sorted, -list->next_direction);
}

void ColumnSorter::sort_again(int control, int column, int direction) {
    ListRecord* list = record(control);
    if (list == nullptr || !list->view || !list->model || !column_in_range(column)) return;
    list->model->finish_rows();
    if (list->model->row_count() == 0) return;
    sort(*list, column, direction);
}

void ColumnSorter::rows_gone(ListRecord& list) {
    // The sort is remembered so that the next click continues it; only the arrow goes.
    if (list.model && list.last_sorted >= 0) list.model->set_header_icon(list.last_sorted, QIcon());
    list.arrow_shown = false;
}

void ColumnSorter::section_resized(ListRecord& list, int column, int new_size) {
    if (!column_in_range(column) || new_size == 0 || list.snapping_back || !list.view) return;
    if ((list.flags[static_cast<std::size_t>(column)] & kKeptHidden) == 0) return;
    list.snapping_back = true;
    list.view->header()->resizeSection(column, 0);
    list.snapping_back = false;
}

void ColumnSorter::show_arrow(ListRecord& list, int column, int direction) {
    list.arrow_shown = true;
    if (list.model) list.model->set_header_icon(column, direction > 0 ? up_arrow_ : down_arrow_);
}

void sorter_init(App& app) {
    if (app.sorter == nullptr) app.sorter = App::SorterHandle(new ColumnSorter(), [](ColumnSorter* s) { delete s; });
}

int sorter_attach(App& app, int control, int arrow_style) {
    QTreeView* view = list_view(app, control);
    auto* model = view == nullptr ? nullptr : qobject_cast<ItemListModel*>(view->model());
    if (model == nullptr || app.sorter == nullptr) return kNoSuchControl;
    app.sorter->attach(control, view, model, arrow_style);
    return kDone;
}

int sorter_set_column_flags(App& app, int control, int column, int flags) {
    QTreeView* view = list_view(app, control);
    if (view == nullptr) return kNoSuchControl;
    if (!column_in_range(column)) return kColumnOutOfRange;
    if (app.sorter == nullptr || !app.sorter->is_attached(control, view)) return kNotAttached;
    return app.sorter->set_column_flags(control, column, flags);
}

int sorter_set_column_type(App& app, int control, int column, int type) {
    QTreeView* view = list_view(app, control);
    if (view == nullptr) return kNoSuchControl;
    if (!column_in_range(column)) return kColumnOutOfRange;
    if (app.sorter == nullptr || !app.sorter->is_attached(control, view)) return kNotAttached;
    return app.sorter->set_column_type(control, column, type);
}

void configure_item_list_columns(App& app) {
    // Location, path, ID and datasheet are the program's own columns, never shown.
    for (const int column : {2, 7, 9, 10}) sorter_set_column_flags(app, kItemList, column, kKeptHidden);
    // Both prices are amounts of money, so both sort as numbers.
    static constexpr int types[kListColumns] = {kTextColumn,    kTextColumn,    kTextColumn, kIntegerColumn,
                                                kDecimalColumn, kDecimalColumn, kTextColumn, kTextColumn,
                                                kTextColumn,    kIntegerColumn, kTextColumn};
    for (int column = 0; column < kListColumns; ++column) sorter_set_column_type(app, kItemList, column, types[column]);
    if (app.order_by_value) sorter_set_column_type(app, kItemList, 0, kValueTextColumn);
}

void sorter_shutdown(App& app) {
    app.sorter.reset();
}

}  // namespace detalehran::sorter
