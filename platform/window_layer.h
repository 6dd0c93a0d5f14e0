#pragma once
// Turns what Qt reports (signals, mouse and key events, close boxes, window
// state changes) into the program's Events and hands each to one sink. It
// keeps no state of the program; it only knows which widget has which number.

#include <QObject>
#include <QPointer>
#include <QHash>
#include <QSet>
#include <functional>

#include "platform/event.h"

class QAction;
class QAbstractItemView;
class QKeyEvent;
class QMouseEvent;
class QPoint;
class QWidget;

namespace detalehran {

class WindowLayer : public QObject {
    Q_OBJECT

public:
    using Sink = std::function<void(const Event&)>;

    explicit WindowLayer(QObject* parent = nullptr);
    ~WindowLayer() override;

    void set_sink(Sink sink) { sink_ = std::move(sink); }

    // A top-level window: carries the "window" property; its close box,
    // size and maximize/restore changes become events. The close box never
    // closes it by itself: the program calls close_window. The close box of
    // a disabled window is refused and not reported.
    void register_window(QWidget* window, int window_number);
    // A control: carries the "control" property and the object name
    // "control_<n>". Clicks on item views and buttons, a choice in a
    // drop-down list and key presses in it (or in any unnumbered child)
    // become events.
    void register_control(QWidget* widget, int window_number, int control_number);
    // A menu item: carries the "menu_item" property; triggering it becomes a
    // menu event.
    void register_menu_item(QAction* action, int window_number, int item_number);

    // A view's own handling of a left double click, asked before the click
    // is reported; when it returns true the click is consumed and goes no
    // further (neither to the program's router nor to the view).
    using DoubleClickHandler = std::function<bool(QMouseEvent*)>;
    void set_double_click_handler(QAbstractItemView* view, DoubleClickHandler handler);

    // Shows a dialog window with its frame centred on a point, raised and active.
    static void show_centred(QWidget* window, const QPoint& centre);
    // Closes a dialog window for good: hidden now, deleted by the event loop.
    // It loses its object name at once so no one finds it meanwhile.
    void dispose_window(QWidget* window);

    // Closes (hides) a registered window for real; false when Qt refused.
    bool close_window(QWidget* window);

    // Fills in focus_control and active_window and hands the event to the
    // sink at once.
    void deliver(Event event);
    // The same, from the event loop once the current Qt event is processed.
    void deliver_later(const Event& event);

    // Control number of the widget with the keyboard focus, or -1.
    static int focus_control();
    // Window number of the application's active window, or kNoWindow.
    static int active_window();
    // Number of the widget or of its nearest numbered ancestor, or -1.
    static int control_of(const QWidget* widget);
    // Windows virtual key code of a Qt key, or 0 when it has none here.
    static int virtual_key(int qt_key);
    // Character code a key press produces, or 0 when it produces none.
    static int character_code(const QKeyEvent& key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool view_mouse_event(QAbstractItemView* view, QEvent* event);
    void key_press(QWidget* receiver, QKeyEvent* key);
    bool window_event(QWidget* window, QEvent* event);
    Event control_event(const QWidget* control, int type) const;

    Sink sink_;
    QSet<QWidget*> windows_;
    QHash<QAbstractItemView*, DoubleClickHandler> double_click_handlers_;
    QPointer<QWidget> closing_;  // the window close_window lets through
    QPointer<QAbstractItemView> left_pressed_;
    QPointer<QAbstractItemView> right_pressed_;
    // The key event being passed up the parents, so that it counts once.
    const QKeyEvent* key_in_flight_ = nullptr;
    QPointer<QWidget> key_receiver_;
};

}  // namespace detalehran
