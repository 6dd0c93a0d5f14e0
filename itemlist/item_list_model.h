#pragma once
// The item list's rows: the only place they are kept. Each row has eleven
// text cells, a check box (shown in column 0), a text colour and an icon.

#include <QAbstractTableModel>
#include <QIcon>
#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <array>
#include <functional>
#include <vector>

#include "state/column_table.h"

namespace detalehran {

class ItemListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    // One row as the list keeps it.
    struct Row {
        std::array<QString, kListColumns> cells;
        QIcon icon;
        int colour = -1;  // 0x00BBGGRR, or -1 for the default text colour
        bool checked = false;
    };

    explicit ItemListModel(QObject* parent = nullptr);

    // Replaces every row at once (one reset, however many rows). A long list
    // left behind is given back while the program waits for the user, a
    // slice at a time (see rows_leaving).
    void replace_rows(std::vector<Row> rows);
    // Rows still to come from a read that goes on while the program waits
    // for the user: `more(limit)` appends up to `limit` rows (append_rows)
    // and says whether any remain. They come a slice at a time from the
    // event loop; finish_rows reads all the rest (a sort must call it before
    // it takes the rows' keys).
    using MoreRows = std::function<bool(std::size_t limit)>;
    void set_more_rows(MoreRows more);
    bool rows_pending() const { return static_cast<bool>(more_); }
    // How many rows a list shows before the rest comes while the program
    // waits: a list up to this long is read whole at once.
    std::size_t rows_at_once() const { return rows_at_once_; }
    void set_rows_at_once(std::size_t rows) { rows_at_once_ = std::max<std::size_t>(rows, 1); }
    // Reads every row still to come, now.
    void finish_rows();
    // Gives up the rows still to come (the reader goes).
    void drop_more_rows();
    // Adds rows after the last one (one insertion for all of them).
    void append_rows(std::vector<Row> rows);
    // Rows of lists left behind that are not yet given back.
    std::size_t rows_leaving() const;
    // Gives back at once every row still waiting.
    void give_back_now();
    // Reorders the rows, stably, by a comparison of their indexes before the
    // sort; the selection and the current row move with their rows.
    void sort_rows(const std::function<bool(int, int)>& less);
    // An image shown left of a column's caption (the sort arrow), or none.
    void set_header_icon(int column, const QIcon& icon);

    void clear();
    // Cells past the eleventh are ignored; missing cells stay empty.
    void append_row(const QStringList& cells, const QIcon& icon = QIcon());
    int row_count() const { return static_cast<int>(rows_.size()); }
    // Empty text for a row or column out of range.
    QString cell(int row, int column) const;
    void set_cell(int row, int column, const QString& text);
    bool is_checked(int row) const;
    void set_checked(int row, bool checked);
    // 0x00BBGGRR, or -1 for the list's default text colour.
    int row_colour(int row) const;
    void set_row_colour(int row, int bgr);
    QIcon row_icon(int row) const;
    void set_row_icon(int row, const QIcon& icon);
    void remove_row(int row);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    bool valid(int row) const { return row >= 0 && row < row_count(); }
    void row_changed(int row, int first_column, int last_column, const QList<int>& roles);

    void leave(std::vector<Row> rows);
    void give_back_slice();
    void read_more(std::size_t limit);

    std::vector<Row> rows_;
    std::array<QIcon, kListColumns> header_icons_;
    // Lists left behind: destroying a million rows at once would keep the
    // new list from showing for a tenth of a second.
    std::vector<std::vector<Row>> leaving_;
    QTimer give_back_;
    MoreRows more_;
    // Well above a hundred thousand parts, whose list is read in a few
    // tenths of a second; a million parts show this many at once.
    std::size_t rows_at_once_ = 150000;
    bool reading_more_ = false;  // inside more_: a nested call waits for it
    QTimer more_slice_;
};

}  // namespace detalehran
