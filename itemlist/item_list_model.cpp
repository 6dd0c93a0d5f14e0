#include "itemlist/item_list_model.h"

#include <QColor>
#include <algorithm>

// Resources of a static library are only linked in when referenced; this
// must sit outside any namespace.

namespace detalehran {

namespace {

// A list this short is destroyed at once: it costs less than a millisecond.
constexpr std::size_t kLeftAtOnce = 20000;
// Rows destroyed in one turn of the event loop, a few milliseconds' work.
constexpr std::size_t kRowsPerSlice = 20000;
// Rows read in one turn of the event loop while the program waits: a few
// tens of milliseconds, short enough for scrolling to stay smooth.
constexpr std::size_t kRowsPerRead = 8000;

}  // namespace

ItemListModel::ItemListModel(QObject* parent) : QAbstractTableModel(parent) {
    give_back_.setInterval(0);
    connect(&give_back_, &QTimer::timeout, this, &ItemListModel::give_back_slice);
    more_slice_.setInterval(0);
    connect(&more_slice_, &QTimer::timeout, this, [this] { read_more(kRowsPerRead); });
}

void ItemListModel::set_more_rows(MoreRows more) {
    drop_more_rows();
    more_ = std::move(more);
    if (more_) more_slice_.start();
}

void ItemListModel::drop_more_rows() {
    more_slice_.stop();
    more_ = {};
}

void ItemListModel::finish_rows() {
    while (more_ && !reading_more_) read_more(static_cast<std::size_t>(-1));
}

void ItemListModel::read_more(std::size_t limit) {
    if (!more_ || reading_more_) return;
    reading_more_ = true;
    const bool remain = more_(limit);
    reading_more_ = false;
    if (!remain) drop_more_rows();
}

void ItemListModel::append_rows(std::vector<Row> rows) {
    if (rows.empty()) return;
    const int first = row_count();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(rows.size()) - 1);
    rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    endInsertRows();
}

void ItemListModel::clear() {
    drop_more_rows();
    if (rows_.empty()) return;
    replace_rows({});
}

void ItemListModel::replace_rows(std::vector<Row> rows) {
    drop_more_rows();
    beginResetModel();
    std::swap(rows_, rows);
    endResetModel();
    leave(std::move(rows));
}

std::size_t ItemListModel::rows_leaving() const {
    std::size_t count = 0;
    for (const std::vector<Row>& list : leaving_) count += list.size();
    return count;
}

void ItemListModel::leave(std::vector<Row> rows) {
    if (rows.size() < kLeftAtOnce) return;
    leaving_.push_back(std::move(rows));
    give_back_.start();
}

void ItemListModel::give_back_now() {
    leaving_.clear();
    give_back_.stop();
}

void ItemListModel::give_back_slice() {
    if (leaving_.empty()) {
        give_back_.stop();
        return;
    }
    std::vector<Row>& list = leaving_.back();
    list.erase(list.end() - static_cast<std::ptrdiff_t>(std::min(list.size(), kRowsPerSlice)), list.end());
    if (list.empty()) leaving_.pop_back();
    if (leaving_.empty()) give_back_.stop();
}

void ItemListModel::sort_rows(const std::function<bool(int, int)>& less) {
    if (rows_.size() < 2) return;
    std::vector<int> order(rows_.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), less);

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> new_position(order.size());
    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        new_position[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
        sorted.push_back(std::move(rows_[static_cast<std::size_t>(order[i])]));
    }
    rows_ = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before) {
        after.append(index.isValid() ? this->index(new_position[static_cast<std::size_t>(index.row())], index.column())
                                     : QModelIndex());
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ItemListModel::set_header_icon(int column, const QIcon& icon) {
    if (column < 0 || column >= kListColumns) return;
    header_icons_[static_cast<std::size_t>(column)] = icon;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void ItemListModel::append_row(const QStringList& cells, const QIcon& icon) {
    const int row = row_count();
    beginInsertRows(QModelIndex(), row, row);
    Row& added = rows_.emplace_back();
    const int count = std::min<int>(static_cast<int>(cells.size()), kListColumns);
    for (int c = 0; c < count; ++c) added.cells[static_cast<std::size_t>(c)] = cells[c];
    added.icon = icon;
    endInsertRows();
}

QString ItemListModel::cell(int row, int column) const {
    if (!valid(row) || column < 0 || column >= kListColumns) return QString();
    return rows_[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)];
}

void ItemListModel::set_cell(int row, int column, const QString& text) {
    if (!valid(row) || column < 0 || column >= kListColumns) return;
    rows_[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)] = text;
    row_changed(row, column, column, {Qt::DisplayRole});
}

bool ItemListModel::is_checked(int row) const { return valid(row) && rows_[static_cast<std::size_t>(row)].checked; }

void ItemListModel::set_checked(int row, bool checked) {
    if (!valid(row)) return;
    rows_[static_cast<std::size_t>(row)].checked = checked;
    row_changed(row, 0, 0, {Qt::CheckStateRole});
}

int ItemListModel::row_colour(int row) const { return valid(row) ? rows_[static_cast<std::size_t>(row)].colour : -1; }

void ItemListModel::set_row_colour(int row, int bgr) {
    if (!valid(row)) return;
    rows_[static_cast<std::size_t>(row)].colour = bgr;
    row_changed(row, 0, kListColumns - 1, {Qt::ForegroundRole});
}

QIcon ItemListModel::row_icon(int row) const {
    return valid(row) ? rows_[static_cast<std::size_t>(row)].icon : QIcon();
}

void ItemListModel::set_row_icon(int row, const QIcon& icon) {
    if (!valid(row)) return;
    rows_[static_cast<std::size_t>(row)].icon = icon;
    row_changed(row, 0, 0, {Qt::DecorationRole});
}

void ItemListModel::remove_row(int row) {
    if (!valid(row)) return;
    beginRemoveRows(QModelIndex(), row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

int ItemListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : row_count(); }

int ItemListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kListColumns; }

QVariant ItemListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !valid(index.row())) return QVariant();
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    const int column = index.column();
    switch (role) {
        case Qt::DisplayRole:
            return row.cells[static_cast<std::size_t>(column)];
        case Qt::CheckStateRole:
            if (column == 0) return row.checked ? Qt::Checked : Qt::Unchecked;
            break;
        case Qt::DecorationRole:
            if (column == 0 && !row.icon.isNull()) return row.icon;
            break;
        case Qt::ForegroundRole:
            if (row.colour >= 0) return QColor(row.colour & 0xFF, (row.colour >> 8) & 0xFF, (row.colour >> 16) & 0xFF);
            break;
        default:
            break;
    }
    return QVariant();
}

bool ItemListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    // Only the check box is changed through the view; cells change through set_cell.
    if (role != Qt::CheckStateRole || index.column() != 0 || !valid(index.row())) return false;
    set_checked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags ItemListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == 0) result |= Qt::ItemIsUserCheckable;
    return result;
}

QVariant ItemListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section >= 0 && section < kListColumns) {
        if (role == Qt::DisplayRole) return QString::fromUtf8(kColumnCaptions[section]);
        if (role == Qt::DecorationRole && !header_icons_[static_cast<std::size_t>(section)].isNull()) {
            return header_icons_[static_cast<std::size_t>(section)];
        }
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

void ItemListModel::row_changed(int row, int first_column, int last_column, const QList<int>& roles) {
    emit dataChanged(index(row, first_column), index(row, last_column), roles);
}

}  // namespace detalehran
