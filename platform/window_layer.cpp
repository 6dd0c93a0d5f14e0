#include "platform/window_layer.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPoint>
#include <QWindowStateChangeEvent>
#include <utility>

namespace detalehran {

namespace {

const char* const kControlProperty = "control";
const char* const kWindowProperty = "window";
const char* const kMenuItemProperty = "menu_item";
// Window number of a control or menu item, for the events it causes.
const char* const kOwnerProperty = "owner_window";

int int_property(const QObject* object, const char* name, int fallback) {
    const QVariant value = object->property(name);
    return value.isValid() ? value.toInt() : fallback;
}

}  // namespace

WindowLayer::WindowLayer(QObject* parent) : QObject(parent) { qApp->installEventFilter(this); }

WindowLayer::~WindowLayer() {
    if (qApp != nullptr) qApp->removeEventFilter(this);
}

void WindowLayer::register_window(QWidget* window, int window_number) {
    window->setProperty(kWindowProperty, window_number);
    windows_.insert(window);
    connect(window, &QObject::destroyed, this, [this, window] { windows_.remove(window); });
}

void WindowLayer::register_control(QWidget* widget, int window_number, int control_number) {
    widget->setProperty(kControlProperty, control_number);
    widget->setProperty(kOwnerProperty, window_number);
    widget->setObjectName(QStringLiteral("control_%1").arg(control_number));
    // Item view clicks arrive through the application-wide filter.
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        connect(button, &QAbstractButton::clicked, this,
                [this, button] { deliver_later(control_event(button, kLeftClick)); });
    } else if (auto* box = qobject_cast<QComboBox*>(widget)) {
        // Only the user's choice: the program setting an entry is no event.
        connect(box, &QComboBox::activated, this, [this, box] { deliver_later(control_event(box, kValueChanged)); });
    }
}

void WindowLayer::register_menu_item(QAction* action, int window_number, int item_number) {
    action->setProperty(kMenuItemProperty, item_number);
    action->setProperty(kOwnerProperty, window_number);
    connect(action, &QAction::triggered, this, [this, window_number, item_number] {
        Event event;
        event.kind = kMenuEvent;
        event.window = window_number;
        event.control = item_number;
        deliver_later(event);
    });
}

bool WindowLayer::close_window(QWidget* window) {
    closing_ = window;
    const bool closed = window->close();
    closing_ = nullptr;
    return closed;
}

void WindowLayer::deliver(Event event) {
    event.focus_control = focus_control();
    event.active_window = active_window();
    if (sink_) sink_(event);
}

void WindowLayer::deliver_later(const Event& event) {
    QMetaObject::invokeMethod(
        this, [this, event] { deliver(event); }, Qt::QueuedConnection);
}

int WindowLayer::focus_control() { return control_of(QApplication::focusWidget()); }

int WindowLayer::active_window() {
    const QWidget* window = QApplication::activeWindow();
    return window == nullptr ? kNoWindow : int_property(window, kWindowProperty, kNoWindow);
}

int WindowLayer::control_of(const QWidget* widget) {
    for (; widget != nullptr; widget = widget->parentWidget()) {
        const QVariant number = widget->property(kControlProperty);
        if (number.isValid()) return number.toInt();
    }
    return -1;
}

int WindowLayer::virtual_key(int qt_key) {
    if (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) return qt_key;  // Qt uses the upper-case ASCII codes
    if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) return qt_key;
    if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24) return 112 + (qt_key - Qt::Key_F1);
    static constexpr std::pair<int, int> kKeys[] = {
        {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},       {Qt::Key_Backtab, 9},  {Qt::Key_Return, 13},
        {Qt::Key_Enter, 13},    {Qt::Key_Shift, 16},    {Qt::Key_Control, 17}, {Qt::Key_Alt, 18},
        {Qt::Key_Pause, 19},    {Qt::Key_CapsLock, 20}, {Qt::Key_Escape, 27},  {Qt::Key_Space, 32},
        {Qt::Key_PageUp, 33},   {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},     {Qt::Key_Home, 36},
        {Qt::Key_Left, 37},     {Qt::Key_Up, 38},       {Qt::Key_Right, 39},   {Qt::Key_Down, 40},
        {Qt::Key_Insert, 45},   {Qt::Key_Delete, 46},   {Qt::Key_Menu, 93}};
    for (const auto& [key, code] : kKeys) {
        if (key == qt_key) return code;
    }
    return 0;
}

int WindowLayer::character_code(const QKeyEvent& key) {
    switch (key.key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 13;
        case Qt::Key_Escape:
            return 27;
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Delete:
            return 0;  // Delete makes no character, though Qt gives it text
        default:
            break;
    }
    const QString text = key.text();
    return text.isEmpty() ? 0 : text.at(0).unicode();
}

bool WindowLayer::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            if (auto* view = qobject_cast<QAbstractItemView*>(watched->parent())) {
                if (view->viewport() == watched && view->property(kControlProperty).isValid()) {
                    return view_mouse_event(view, event);
                }
            }
            return false;
        case QEvent::KeyPress:
            if (watched->isWidgetType()) key_press(static_cast<QWidget*>(watched), static_cast<QKeyEvent*>(event));
            return false;
        case QEvent::Close:
        case QEvent::Resize:
        case QEvent::WindowStateChange:
            if (watched->isWidgetType() && windows_.contains(static_cast<QWidget*>(watched))) {
                return window_event(static_cast<QWidget*>(watched), event);
            }
            return false;
        default:
            return false;
    }
}

void WindowLayer::show_centred(QWidget* window, const QPoint& centre) {
    window->move(centre - QPoint(window->width() / 2, window->height() / 2));
    window->show();
    // A window's position is that of its frame, known only once it is shown.
    const QSize frame = window->frameGeometry().size();
    if (frame != window->size()) window->move(centre - QPoint(frame.width() / 2, frame.height() / 2));
    window->raise();
    window->activateWindow();
}

void WindowLayer::dispose_window(QWidget* window) {
    close_window(window);
    window->setObjectName(QString());
    window->deleteLater();
}

void WindowLayer::set_double_click_handler(QAbstractItemView* view, DoubleClickHandler handler) {
    double_click_handlers_.insert(view, std::move(handler));
    connect(view, &QObject::destroyed, this, [this, view] { double_click_handlers_.remove(view); });
}

bool WindowLayer::view_mouse_event(QAbstractItemView* view, QEvent* event) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const Qt::MouseButton button = mouse->button();
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (button == Qt::LeftButton) left_pressed_ = view;
            if (button == Qt::RightButton) {
                // The node under the pointer becomes the selected one before the
                // click is reported, so the popup acts on what was clicked.
                const QModelIndex index = view->indexAt(mouse->position().toPoint());
                if (index.isValid()) view->setCurrentIndex(index);
                right_pressed_ = view;
            }
            break;
        case QEvent::MouseButtonRelease:
            if (button == Qt::LeftButton && left_pressed_ == view) {
                left_pressed_ = nullptr;
                deliver_later(control_event(view, kLeftClick));
            } else if (button == Qt::RightButton && right_pressed_ == view) {
                right_pressed_ = nullptr;
                deliver_later(control_event(view, kRightClick));
            }
            break;
        case QEvent::MouseButtonDblClick:
            if (button == Qt::LeftButton) {
                const auto own = double_click_handlers_.constFind(view);
                if (own != double_click_handlers_.constEnd() && (*own)(const_cast<QMouseEvent*>(mouse))) {
                    left_pressed_ = nullptr;
                    return true;
                }
                // Where a press comes before the double click, the release after
                // it is no click of its own.
                left_pressed_ = nullptr;
                deliver_later(control_event(view, kLeftDoubleClick));
            }
            break;
        default:
            break;
    }
    return false;
}

void WindowLayer::key_press(QWidget* receiver, QKeyEvent* key) {
    // Qt offers a key the focused widget ignored to its parents, one by one;
    // only its first receiver counts.
    if (key == key_in_flight_ && key_receiver_ != nullptr && receiver != key_receiver_ &&
        receiver->isAncestorOf(key_receiver_)) {
        key_receiver_ = receiver;
        return;
    }
    key_in_flight_ = key;
    key_receiver_ = receiver;

    QWidget* control = receiver;
    while (control != nullptr && !control->property(kControlProperty).isValid()) control = control->parentWidget();
    if (control == nullptr) return;

    Event down = control_event(control, 0);
    down.kind = kKeyDownMessage;
    down.code = virtual_key(key->key());
    Event character = down;
    character.kind = kCharacterMessage;
    character.code = character_code(*key);
    const bool has_down = down.code != 0;
    const bool has_character = character.code != 0;
    if (!has_down && !has_character) return;
    // Delivered once the focused control has handled the key, so that the
    // router sees its effect (a moved selection, an edited text). The key
    // still belongs to the control that had the focus when it was pressed:
    // Enter that closes the quantity field hands the focus back to the list,
    // and must not reach the list as its own Enter (which opens the editor).
    const int focus = focus_control();
    QMetaObject::invokeMethod(
        this,
        [this, down, character, has_down, has_character, focus] {
            for (Event event : {down, character}) {
                if (!(event.kind == kKeyDownMessage ? has_down : has_character)) continue;
                event.focus_control = focus;
                event.active_window = active_window();
                if (sink_) sink_(event);
            }
        },
        Qt::QueuedConnection);
}

bool WindowLayer::window_event(QWidget* window, QEvent* event) {
    Event reported;
    reported.window = int_property(window, kWindowProperty, kNoWindow);
    switch (event->type()) {
        case QEvent::Close:
            if (closing_ == window) return false;
            event->ignore();
            // A disabled window takes no input, its close box included: the
            // main window stays while a dialog of it is open.
            if (!window->isEnabled()) return true;
            reported.kind = kCloseEvent;
            deliver_later(reported);
            return true;
        case QEvent::Resize:
            reported.kind = kSizeEvent;
            deliver(reported);
            return false;
        case QEvent::WindowStateChange: {
            const Qt::WindowStates before = static_cast<QWindowStateChangeEvent*>(event)->oldState();
            const Qt::WindowStates now = window->windowState();
            const Qt::WindowStates sized = Qt::WindowMaximized | Qt::WindowMinimized;
            if ((now & Qt::WindowMaximized) && !(before & Qt::WindowMaximized)) {
                reported.kind = kMaximizeEvent;
            } else if ((before & sized) && !(now & sized)) {
                reported.kind = kRestoreEvent;
            } else {
                return false;
            }
            deliver(reported);
            return false;
        }
        default:
            return false;
    }
}

Event WindowLayer::control_event(const QWidget* control, int type) const {
    Event event;
    event.kind = kControlEvent;
    event.window = int_property(control, kOwnerProperty, kNoWindow);
    event.control = int_property(control, kControlProperty, -1);
    event.type = type;
    return event;
}

}  // namespace detalehran
