#pragma once
// The item list's own double-click handling and the in-place quantity field
// (control 80) that a double click on a quantity cell opens.

#include <QPointer>
#include <QSpinBox>
#include <string>

namespace detalehran {
struct App;
}

namespace detalehran::itemlist {

// A spin box over one quantity cell: digits and Backspace only, the arrows
// step within 0 to 1000, Enter or losing the focus commits, Esc cancels.
class QuantityField : public QSpinBox {
    Q_OBJECT

public:
    QuantityField(App& app, int row, QWidget* parent);

    int row() const { return row_; }
    bool finished() const { return finished_; }
    QString text() const;
    void set_text(const QString& text);
    // Writes the text to the database and, when stored, to the cell; an
    // empty text writes nothing. Either way the field goes away.
    void commit();
    // Goes away without writing anything.
    void cancel();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    QValidator::State validate(QString& input, int& pos) const override;
    // The field shows its own text, not a number within the arrows' range:
    // a cell may hold more than 1000, or nothing.
    QString textFromValue(int value) const override;
    int valueFromText(const QString& text) const override;
    void fixup(QString& input) const override;
    void stepBy(int steps) override;
    StepEnabled stepEnabled() const override;

private:
    void finish();
    // After the item's quantity was found changed meanwhile: offers to add
    // the user's change to the stored quantity and stores the sum when
    // asked to. False when no sum was offered (the caller tells `why`).
    bool add_to_stored(const QString& why, long long shown, long long typed);
    // The quantity written as one operation of the history; false with the
    // reason in the database's last diagnostic.
    bool save_quantity(const QString& name, const QString& was, const QString& quantity, const std::string& id);

    App& app_;
    int row_;
    bool finished_ = false;
    QString text_;
};

// Installs the list's double-click rules: a quantity cell opens the field,
// the icon band of column 0 opens the row's document; other cells go on to
// the program (which opens the item editor).
void install_list_behaviour(App& app);
// The open quantity field, or null.
QuantityField* open_quantity_field(App& app);

}  // namespace detalehran::itemlist
