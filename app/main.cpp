// Деталехран: the inventory of electronic components. Works on the files of
// the current directory; takes no options.

#include <QApplication>
#include <cstdlib>

#include "state/app.h"
#include "app/lifecycle.h"
#include "platform/qt_services.h"
#include "platform/translations.h"

int main(int argc, char** argv) {
    detalehran::use_huge_page_heap();
    QApplication application(argc, argv);
    // No display name: Qt would append it to every window title.
    QApplication::setApplicationName("detalehran");
    detalehran::install_qt_translation(application);

    detalehran::QtPlatformServices services;
    detalehran::App app(services);
    // "Выход" ends the process at once, as the menu promises.
    app.end_process = [](int code) { std::_Exit(code); };

    detalehran::route_termination_signals(app);
    try {
        detalehran::start_up(app);
    } catch (...) {
        // Whatever start-up did not finish, the window shows what there is.
        detalehran::report_last_resort(app, std::current_exception());
        if (app.main_window == nullptr) return 1;
    }
    detalehran::run_event_loop(app);
    detalehran::shut_down(app);
    // The main window goes with the QApplication, as every top-level widget.
    return 0;
}
