#pragma once
// The main window (window 4): the path and location trees on the left, the
// item list on the right, the search field above, the menu bar and the three
// popup menus. It holds widgets only; App holds the program's state.

#include <QIcon>
#include <QMainWindow>
#include <map>

#include "platform/window_layer.h"

class QAbstractItemModel;
class QAction;
class QLineEdit;
class QMenu;
class QPushButton;
class QSplitter;
class QTreeView;
class QTreeWidget;

class QLabel;

namespace detalehran {

struct App;
class ItemListModel;

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(App& app);
    ~MainWindow() override;

    WindowLayer& layer() { return layer_; }
    // A numbered control of this window, or null.
    QWidget* control(int number) const;
    // Popup menu 6, 7 or 55, or null.
    QMenu* popup_menu(int number) const;
    // A menu item of the menu bar or of a popup, by its number, or null.
    QAction* menu_item(int number) const;
    void set_item_enabled(int number, bool enabled);

    QTreeWidget* path_tree() const { return path_tree_; }
    QTreeWidget* location_tree() const { return location_tree_; }
    QTreeView* item_list() const { return item_list_; }
    // The rows the list shows; given once, by the item list's module.
    ItemListModel& list_model() const { return *model_; }
    // Sets the list's model (the same object twice: as the view sees it and
    // as the program addresses its rows) and lays out the header's columns.
    void set_list_model(QAbstractItemModel* model, ItemListModel* rows);
    QLineEdit* search_field() const { return search_field_; }
    QPushButton* search_button() const { return search_button_; }
    QSplitter* tree_splitter() const { return tree_splitter_; }
    QSplitter* main_splitter() const { return main_splitter_; }
    // The embedded images, loaded when the window is built: 0 plus, 1 minus.
    QIcon image(int index) const { return index == 0 || index == 1 ? images_[index] : QIcon(); }
    // Row selected in the item list, or -1.
    int selected_row() const;
    void select_row(int row);

    // The status bar below the list, shown only while it has something to
    // say: a lasting line (what the role may not do; empty: nothing) and a
    // short notice that goes after a few seconds.
    void set_lasting_status(const QString& text);
    void show_notice(const QString& text);
    // What the bar says now: the notice while there is one, then the lasting line.
    QString status_text() const;

private:
    QTreeWidget* make_tree(int number);
    void make_item_list();
    void make_menus();
    QMenu* make_popup(int number, std::initializer_list<std::pair<int, const char*>> items);
    QAction* add_item(QMenu* menu, int number, const char* caption);

    App& app_;
    WindowLayer layer_;
    QTreeWidget* path_tree_ = nullptr;
    QTreeWidget* location_tree_ = nullptr;
    QTreeView* item_list_ = nullptr;
    ItemListModel* model_ = nullptr;
    QLineEdit* search_field_ = nullptr;
    QPushButton* search_button_ = nullptr;
    QSplitter* tree_splitter_ = nullptr;
    QSplitter* main_splitter_ = nullptr;
    std::map<int, QWidget*> controls_;
    std::map<int, QMenu*> popups_;
    std::map<int, QAction*> items_;
    QIcon images_[2];
    QLabel* lasting_status_ = nullptr;
};

// The embedded images: 0 a plus sign, 1 a minus sign, each 24 x 24 on a
// transparent ground; a null icon for any other index.
QIcon embedded_icon(int index);
// Fits the splitters to the window's size, keeping the trees' width and the
// path tree's height in pixels.
void layout_main_window(App& app);
// Shows popup 6, 7 or 55 at the mouse pointer and returns at once; the
// chosen item arrives later as a menu event.
void show_popup(App& app, int menu_number);
// Moves a splitter's divider: the height of the upper part or the width of
// the left one, in pixels.
void set_splitter_position(QSplitter* splitter, int position);
// The column table's display order onto the list header, and back.
void apply_column_order(App& app);
void read_column_order(App& app);

}  // namespace detalehran
