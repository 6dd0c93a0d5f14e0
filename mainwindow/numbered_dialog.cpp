#include "mainwindow/numbered_dialog.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTableWidget>
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

namespace {

// Another of the main window's dialogs still open beneath `closing` (one
// dialog may open another over itself), or null.
NumberedDialog* dialog_beneath(const App& app, const NumberedDialog* closing) {
    if (app.main_window == nullptr) return nullptr;
    for (NumberedDialog* open : app.main_window->findChildren<NumberedDialog*>(Qt::FindDirectChildrenOnly)) {
        if (open != closing && !open->objectName().isEmpty() && open->isVisible()) return open;
    }
    return nullptr;
}

// The dialog beneath takes the keyboard again and the main window stays
// disabled; with none, the main window is enabled. True when one was there.
bool return_to_dialog_beneath(App& app, const NumberedDialog* closing) {
    NumberedDialog* beneath = dialog_beneath(app, closing);
    if (beneath == nullptr) return false;
    beneath->setEnabled(true);
    beneath->raise();
    beneath->activateWindow();
    return true;
}

}  // namespace

void leave_dialog(App& app, NumberedDialog& dialog) {
    const bool beneath = return_to_dialog_beneath(app, &dialog);
    dialog.close_window();
    if (app.main_window == nullptr || beneath) return;
    app.main_window->setEnabled(true);
    app.main_window->item_list()->setFocus();
}

void close_by_close_box(App& app, NumberedDialog* dialog) {
    const bool beneath = return_to_dialog_beneath(app, dialog);
    if (app.main_window != nullptr && !beneath) app.main_window->setEnabled(true);
    if (dialog != nullptr) dialog->close_window();
}

QTableWidget* make_read_only_table(QTableWidget* table, const QStringList& captions) {
    table->setColumnCount(static_cast<int>(captions.size()));
    table->setHorizontalHeaderLabels(captions);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setWordWrap(false);
    table->setTabKeyNavigation(false);
    table->verticalHeader()->setVisible(false);
    table->horizontalHeader()->setStretchLastSection(true);
    return table;
}

}  // namespace detalehran
