#pragma once
// The column sorter: sorts the item list by a header click. Each attached
// list keeps a type and flags per column; the sorted column shows an arrow
// image left of its caption.

#include <QCollator>
#include <QIcon>
#include <QImage>
#include <QLocale>
#include <QObject>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "itemlist/sorter/row_order.h"

class QTreeView;

namespace detalehran {
struct App;
class ItemListModel;
}  // namespace detalehran

namespace detalehran::sorter {

// Column flags, OR-ed together.
enum ColumnFlag : int {
    kWidthLocked = 1,  // the user cannot change the column's width
    kKeptHidden = 2,   // the column stays at width 0
};

// Results of the operations below.
enum SorterResult : int {
    kDone = 1,
    kNoSuchControl = 2,
    kColumnOutOfRange = 3,
    kNotAttached = 4,
};

inline constexpr int kSorterColumns = 256;

// The 12 x 12 arrow images: +1 ascending (up), -1 descending (down).
QImage arrow_image(int direction);

class ColumnSorter : public QObject {
    Q_OBJECT

public:
    explicit ColumnSorter(QObject* parent = nullptr);
    ~ColumnSorter() override;

    // The alphabet order of text columns; the system's locale by default.
    void set_locale(const QLocale& locale);
    QLocale locale() const { return collator_.locale(); }

    const QIcon& up_arrow() const { return up_arrow_; }
    const QIcon& down_arrow() const { return down_arrow_; }

    // Attaches a list shown by the view over the model, under a control
    // number; attaching again keeps the columns' settings and forgets the
    // last sort.
    void attach(int control, QTreeView* view, ItemListModel* model, int arrow_style);
    // The list attached under the number, if it is still that view's.
    bool is_attached(int control, const QTreeView* view) const;
    // kDone, kColumnOutOfRange or kNotAttached.
    int set_column_flags(int control, int column, int flags);
    int set_column_type(int control, int column, int type);
    // The sort the header's arrow shows (column and direction), if any.
    std::optional<std::pair<int, int>> shown_sort(int control) const;
    // Sorts again by a column and direction and shows the arrow, as after
    // the clicks that made that sort.
    void sort_again(int control, int column, int direction);

private:
    struct ListRecord;

    ListRecord* record(int control) const;
    // A header click: sorts the rows and moves the arrow, unless the list is
    // empty or the column unsorted.
    void click(ListRecord& list, int column);
    void sort(ListRecord& list, int column, int direction);
    void rows_gone(ListRecord& list);
    void section_resized(ListRecord& list, int column, int new_size);
    void show_arrow(ListRecord& list, int column, int direction);

    std::map<int, std::unique_ptr<ListRecord>> lists_;
    QCollator collator_;
    QIcon up_arrow_;
    QIcon down_arrow_;
};

// A column of the list's rows as a sort reads it.
SortColumn sort_column(const ItemListModel& model, int column);

// Creates the sorter (app.sorter) with its arrow images.
void sorter_init(App& app);
// 1 attached; 2 no such control. Watches the list's header and rows.
int sorter_attach(App& app, int control, int arrow_style);
// Flags are OR-ed into the column's; 1 done, 2 no such control, 3 column
// outside 0..255, 4 list not attached.
int sorter_set_column_flags(App& app, int control, int column, int flags);
// Replaces the column's type; results as for the flags.
int sorter_set_column_type(App& app, int control, int column, int type);
// The item list's per-column flags and types, given after a successful attach.
void configure_item_list_columns(App& app);
void sorter_shutdown(App& app);

}  // namespace detalehran::sorter
