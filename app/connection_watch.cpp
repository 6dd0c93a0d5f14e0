#include "app/connection_watch.h"

#include "db/failure_text.h"
#include "mainwindow/access.h"
#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "platform/services.h"
#include "state/app.h"

namespace detalehran {

namespace {

// Closing a window or leaving the program needs no database: the user who
// answered "Нет" may still quit without being asked again.
bool needs_database(const Event& event) {
    if (event.kind == kCloseEvent || event.kind == kSizeEvent || event.kind == kMaximizeEvent ||
        event.kind == kRestoreEvent) {
        return false;
    }
    return !(event.kind == kMenuEvent && (event.control == kMenuExit || event.control == kMenuAbout));
}

}  // namespace

void reopen_before_command(App& app, const Event& event) {
    if (!app.database.connection_lost() || !needs_database(event)) return;
    const std::uint64_t before = app.database.reconnections();
    while (!app.database.reconnect()) {
        // Store set up for another driver than ours is a server's.
        const bool server = app.database.names_other_driver(db::kDataSourceName);
        const QString what =
            server ? QString::fromUtf8("Сервер недоступен.") : QString::fromUtf8("Папка с базой данных недоступна.");
        const QString text =
            QString::fromUtf8("%1 Повторить?\n\n%2")
                .arg(what, QString::fromStdString(server ? db::connection_failure_text(app.database.last_diagnostic())
                                                         : db::failure_text(app.database.last_diagnostic())));
        if (app.platform.message_box(app.main_window, QString::fromUtf8("Внимание!"), text, MessageButtons::yes_no,
                                     MessageIcon::warning) != MessageAnswer::yes) {
            return;
        }
    }
    notice_reopened(app, before);
}

void notice_reopened(App& app, std::uint64_t reconnections_before) {
    if (app.database.reconnections() == reconnections_before || app.main_window == nullptr) return;
    show_access(app);
    app.main_window->show_notice(app.database.serves_file()
                                     ? QString::fromUtf8("Соединение с базой данных восстановлено.")
                                     : QString::fromUtf8("Соединение с сервером восстановлено."));
}

}  // namespace detalehran
