#pragma once
// The table settings dialog (window 81): which list columns are shown and the
// low-stock highlight. A plain top-level widget owned by the main window and
// registered with its window layer, so that its buttons and its close box
// reach the program as routed events; it holds widgets only.

#include "mainwindow/numbered_dialog.h"

class QCheckBox;
class QLineEdit;

namespace detalehran {

struct App;
class MainWindow;

namespace itemlist {

class DigitFilter;

// A column check box and the list column it shows, in the order they are applied.
struct ColumnBox {
    int control;
    int column;
};
inline constexpr ColumnBox kColumnBoxes[] = {{86, 8}, {87, 1}, {88, 3}, {89, 4}, {90, 5}, {91, 6}};

class TableSettingsDialog : public NumberedDialog {
    Q_OBJECT

public:
    static constexpr const char* kObjectName = "table_settings_dialog";

    // Builds the window and its controls, hidden, as a child of the main window.
    explicit TableSettingsDialog(MainWindow& owner);

    QCheckBox* check_box(int number) const;
    QLineEdit* minimum_field() const { return minimum_field_; }

    // The field accepts typed and pasted digits only; the program's own text
    // goes in as it is.
    void set_minimum_text(const QString& text);
    // Enables or disables the colour button, the minimum and its caption.
    void set_highlight_controls_enabled(bool enabled);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fit_to_font();
    void fit_highlight_frame();

    QWidget* page_ = nullptr;
    QLineEdit* minimum_field_ = nullptr;
    DigitFilter* filter_ = nullptr;
};

// The open dialog, or null.
inline TableSettingsDialog* table_settings_dialog(const App& app) { return find_dialog<TableSettingsDialog>(app); }

}  // namespace itemlist
}  // namespace detalehran
