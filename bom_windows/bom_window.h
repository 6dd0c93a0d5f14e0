#pragma once
// The bill of materials window (window 200): a board's bill checked against
// the store for N boards. Tab "Проверка": a row per line with the part the
// user confirms or changes, what is short, the totals; "Что взять": the pick
// list in the place tree's order, to print or save; "Не хватает": what to
// order. It holds its widgets and what it checks; bom_commands.h fills it
// and acts on its buttons.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "bom/build_check.h"
#include "mainwindow/numbered_dialog.h"
#include "spreadsheet/reorder_list.h"

class QComboBox;
class QLabel;
class QSpinBox;
class QTableWidget;
class QTabWidget;

namespace detalehran::bom_windows {

// What the window checks: the bill, the store's parts as read, the check,
// and where the bill came from.
struct BomSession {
    bom::Bom bom;
    std::string source;                      // the file the bill was read from
    std::string project;                     // the project it was opened as or saved to; empty: none
    std::unique_ptr<bom::StockIndex> stock;  // never null once shown
    bom::BuildCheck check;
    std::vector<std::string> place_order;  // the place tree's paths in its order
    std::optional<long long> minimum;      // the list's minimum quantity
    std::string minimum_text;
    std::vector<bom::PickRow> pick;      // as last shown
    spreadsheet::ReorderList shortfall;  // as last shown
};

class BomWindow : public NumberedDialog {
    Q_OBJECT

public:
    static constexpr const char* kObjectName = "bom_window";
    // The check's columns.
    enum Column { designators, value, footprint, per_board, needed, part, in_stock, place, short_by, marks, columns };

    // `refusal`: why the role may not take builds nor save projects; empty
    // when it may.
    BomWindow(MainWindow& owner, const QString& refusal);

    BomSession& session() { return session_; }
    QSpinBox* boards() const { return boards_; }
    QTabWidget* tabs() const { return tabs_; }
    QTableWidget* check_table() const { return check_; }
    QTableWidget* pick_table() const { return pick_; }
    QTableWidget* short_table() const { return short_; }
    QLabel* totals() const { return totals_; }
    // The part chooser of a line's row.
    QComboBox* part_box(int row) const;

    // Everything shown again from the session: the rows of all three tabs,
    // the totals and the caption.
    void show_session();

    // The user changed the number of boards, or a line's part (`part` one of
    // its candidates, none: "нет на складе").
    void on_boards(std::function<void(long long)> changed) { on_boards_ = std::move(changed); }
    void on_part(std::function<void(std::size_t line, std::optional<std::size_t> part)> chosen) {
        on_part_ = std::move(chosen);
    }

private:
    QWidget* make_check_page();
    QWidget* make_pick_page();
    QWidget* make_short_page();
    void show_check_rows();
    void show_pick_rows();

    BomSession session_;
    QSpinBox* boards_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QTableWidget* check_ = nullptr;
    QTableWidget* pick_ = nullptr;
    QTableWidget* short_ = nullptr;
    QLabel* totals_ = nullptr;
    std::function<void(long long)> on_boards_;
    std::function<void(std::size_t, std::optional<std::size_t>)> on_part_;
};

inline BomWindow* bom_window(const App& app) { return find_dialog<BomWindow>(app); }

}  // namespace detalehran::bom_windows
