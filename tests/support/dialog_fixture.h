#pragma once
// One fixture for the main window's dialogs: a main window without a
// database whose events go the program's way, and the dialog of type D
// opened through its menu item and driven like a user.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>

#include "app/lifecycle.h"
#include "mainwindow/main_window.h"
#include "mainwindow/numbered_dialog.h"
#include "state/app.h"
#include "support/scripted_services.h"
#include "support/test_environment.h"

namespace detalehran::testing {

template <typename D>
class DialogTest : public ::testing::Test {
protected:
    DialogTest() {
        window_ = build_main_window(app_);
        window_->layer().set_sink([this](const Event& event) { process_event(app_, event); });
    }
    ~DialogTest() override { delete app_.main_window; }

    static void settle() {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }
    D* dialog() { return find_dialog<D>(app_); }
    D* open_by_menu(int menu_item) {
        window_->menu_item(menu_item)->trigger();
        settle();
        return dialog();
    }
    QWidget* control(int number) { return dialog() != nullptr ? dialog()->control(number) : nullptr; }
    void click(QWidget* widget) {
        auto* button = qobject_cast<QAbstractButton*>(widget);
        ASSERT_NE(button, nullptr);
        button->click();
        settle();
    }
    void click(int number) { click(control(number)); }
    // The window system's close request, as the close box sends it; the
    // loop takes it up once events are processed.
    void press_close_box() {
        QCloseEvent close;
        QCoreApplication::sendEvent(dialog()->windowHandle(), &close);
    }
    int messages() const { return services_.count(ServiceKind::message_box); }

    QApplication& application_ = test_application();  // before any widget
    ScriptedServices services_;
    App app_{services_};
    MainWindow* window_ = nullptr;
};

}  // namespace detalehran::testing
