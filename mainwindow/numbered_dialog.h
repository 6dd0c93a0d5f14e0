#pragma once
// What the main window's dialogs (the item editor, the table settings and
// the about dialog) share: a top-level window of the main window with a
// window number, registered with its window layer, whose controls carry
// their numbers and are placed at drawn rectangles; and the steps that make
// one modal the program's way: the main window is disabled while it is open,
// a second opening raises the open one, and every way out enables the main
// window again.

#include <QWidget>
#include <map>
#include <utility>

#include "mainwindow/main_window.h"
#include "state/app.h"

class QTableWidget;

namespace detalehran {

class NumberedDialog : public QWidget {
    Q_OBJECT

public:
    // Where the dialog opens: centred on the main window or on its screen.
    enum class Placement { on_owner, on_screen };

    // A numbered control of this window, or null.
    QWidget* control(int number) const;
    int window_number() const { return window_number_; }
    // Shown centred, raised and active.
    void show_centred();
    // Closes the window for real, through the window layer, and lets it go.
    void close_window();

protected:
    // Hidden, as a child window of the main window, with its object name
    // (the dialog's kObjectName, by which find_dialog finds it) and title.
    NumberedDialog(MainWindow& owner, int window_number, const char* object_name, const QString& title,
                   Qt::WindowFlags flags, Placement placement);

    // A control at its drawn place, numbered and registered, on this window
    // or on a page of it.
    template <typename W, typename... Args>
    W* add(QWidget* parent, int number, int x, int y, int width, int height, Args&&... args) {
        auto* widget = new W(std::forward<Args>(args)..., parent);
        widget->setGeometry(x, y, width, height);
        register_control(widget, number);
        return widget;
    }
    MainWindow& owner() const { return owner_; }

private:
    void register_control(QWidget* widget, int number);

    MainWindow& owner_;
    int window_number_;
    Placement placement_;
    std::map<int, QWidget*> controls_;
};

// The open dialog of type D, or null. A disposed one is not found, although
// it lingers until the event loop deletes it.
template <typename D>
D* find_dialog(const App& app) {
    if (app.main_window == nullptr) return nullptr;
    return app.main_window->findChild<D*>(QString::fromLatin1(D::kObjectName), Qt::FindDirectChildrenOnly);
}

// Makes a dialog of type D with make(main window) and opens it modal: the
// main window is disabled, the dialog stays enabled. When one is open
// already it is raised instead. Returns the new dialog for the caller to
// fill and show, or null (one was open, there is no main window, or the
// window system gave the dialog no window).
template <typename D, typename Make>
D* open_modal(App& app, Make make) {
    MainWindow* main = app.main_window;
    if (main == nullptr) return nullptr;
    if (D* open = find_dialog<D>(app)) {
        open->raise();
        open->activateWindow();
        return nullptr;
    }
    main->setEnabled(false);
    D* dialog = make(*main);
    dialog->winId();
    if (dialog->windowHandle() == nullptr) {
        delete dialog;
        main->setEnabled(true);
        return nullptr;
    }
    // Disabling the main window reaches its child windows too.
    dialog->setEnabled(true);
    return dialog;
}

// "ОК", "Отмена" or Esc: the dialog closes, the main window is enabled
// again and the item list takes the keyboard focus.
void leave_dialog(App& app, NumberedDialog& dialog);
// The close box: the main window is enabled again and the dialog closes;
// the focus is not moved.
void close_by_close_box(App& app, NumberedDialog* dialog);

// A table of rows to read, not to edit, with these column captions: whole
// rows selected one at a time, no row numbers, the last column stretched,
// and Tab leaving it for the window's buttons rather than walking its cells.
QTableWidget* make_read_only_table(QTableWidget* table, const QStringList& captions);

}  // namespace detalehran
