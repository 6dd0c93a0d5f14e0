#include "mainwindow/numbered_dialog.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTreeView>

namespace detalehran {

NumberedDialog::NumberedDialog(MainWindow& owner, int window_number, const char* object_name, const QString& title,
                               Qt::WindowFlags flags, Placement placement)
    : QWidget(&owner, flags), owner_(owner), window_number_(window_number), placement_(placement) {
    setObjectName(QString::fromLatin1(object_name));
    setWindowTitle(title);
    owner.layer().register_window(this, window_number);
}

QWidget* NumberedDialog::control(int number) const {
    const auto found = controls_.find(number);
    return found == controls_.end() ? nullptr : found->second;
}

void NumberedDialog::register_control(QWidget* widget, int number) {
    owner_.layer().register_control(widget, window_number_, number);
    controls_[number] = widget;
}

void NumberedDialog::show_centred() {
    QPoint centre = owner_.frameGeometry().center();
    if (placement_ == Placement::on_screen) {
        const QScreen* screen = owner_.screen() != nullptr ? owner_.screen() : QGuiApplication::primaryScreen();
        centre = screen != nullptr ? screen->availableGeometry().center() : QPoint();
    }
    WindowLayer::show_centred(this, centre);
}

void NumberedDialog::close_window() { owner_.layer().dispose_window(this); }

void leave_dialog(App& app, NumberedDialog& dialog) {
    dialog.close_window();
    if (app.main_window == nullptr) return;
    app.main_window->setEnabled(true);
    app.main_window->item_list()->setFocus();
}

void close_by_close_box(App& app, NumberedDialog* dialog) {
    if (app.main_window != nullptr) app.main_window->setEnabled(true);
    if (dialog != nullptr) dialog->close_window();
}

}  // namespace detalehran
