#pragma once
// The item editor's window (window 5): a plain top-level widget owned by the
// main window and registered with its window layer, so that its buttons, its
// tree and its close box reach the program as routed events. It holds
// widgets, the tree's node list and the chosen file; the commands live in
// the editor's other files.

#include <QString>

#include "mainwindow/numbered_dialog.h"
#include "state/node_list.h"

class QComboBox;
class QLineEdit;
class QTreeWidget;

namespace detalehran {

struct App;
class MainWindow;

namespace editor {

// Typed-character rules of the number fields. `text` is the field without
// its selection, `pos` where the character goes.
bool price_accepts(const QString& text, int pos, QChar c);
bool quantity_accepts(const QString& text, int pos, QChar c);

class ItemEditorWindow : public NumberedDialog {
    Q_OBJECT

public:
    static constexpr const char* kObjectName = "item_editor_window";

    explicit ItemEditorWindow(MainWindow& owner);

    QTreeWidget* location_tree() const { return tree_; }
    QComboBox* package_box() const { return package_; }
    QComboBox* supplier_box() const { return supplier_; }

    // Text of value control 0..10 (item list column order); setting it
    // bypasses the typed-character filters.
    QString value(int column) const;
    void set_value(int column, const QString& text);

    NodeList& nodes() { return nodes_; }
    // The file picked with the add-document button; empty for none.
    QString chosen_file;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void label(int number, int y, int width, const QString& text);

    QLineEdit* fields_[11] = {};
    QComboBox* package_ = nullptr;
    QComboBox* supplier_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    NodeList nodes_;
};

// The open editor, or null.
inline ItemEditorWindow* item_editor_window(const App& app) { return find_dialog<ItemEditorWindow>(app); }

}  // namespace editor
}  // namespace detalehran
