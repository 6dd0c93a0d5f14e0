#pragma once
// The reorder list's window (window 160): every part below the minimum
// quantity, by supplier and name, with how many to order and what that
// costs, a total after each supplier's parts and one for all, and
// "Сохранить в CSV…". It holds its widgets and the list it shows.

#include "mainwindow/numbered_dialog.h"
#include "spreadsheet/reorder_list.h"

class QLabel;
class QTableWidget;

namespace detalehran::spreadsheet_windows {

class ReorderWindow : public NumberedDialog {
    Q_OBJECT

public:
    static constexpr const char* kObjectName = "reorder_window";

    explicit ReorderWindow(MainWindow& owner);

    QTableWidget* table() const { return table_; }
    QLabel* total() const { return total_; }
    const spreadsheet::ReorderList& list() const { return list_; }

    // Shows the list: a row per part, and a total row after each supplier's.
    void show_list(spreadsheet::ReorderList list, const QString& minimum);

private:
    spreadsheet::ReorderList list_;
    QTableWidget* table_ = nullptr;
    QLabel* total_ = nullptr;
};

// The list's table as this window shows it, so that other windows show an
// order list the same way: its columns, and a row per part with a total
// row after each supplier's and one for all.
void make_reorder_table(QTableWidget* table);
void show_reorder_rows(QTableWidget* table, const spreadsheet::ReorderList& list);

// The open window, or null.
inline ReorderWindow* reorder_window(const App& app) { return find_dialog<ReorderWindow>(app); }

}  // namespace detalehran::spreadsheet_windows
