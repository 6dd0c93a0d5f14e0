#include "crash/session_import.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QProgressBar>

#include "app/lifecycle.h"
#include "mainwindow/control_numbers.h"
#include "spreadsheet_windows/import_dialog.h"
#include "state/app.h"
#include "support/scripted_services.h"

namespace detalehran::crash {

namespace {

void settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

}  // namespace

bool import_through_dialog(App& app, testing::ScriptedServices& services, JournalWriter& journal,
                           const std::string& path, long stall_at) {
    services.file_answers.push_back(QString::fromStdString(path));
    process_event(app, Event{kMenuEvent, kMainWindow, kMenuImportCsv});
    settle();
    auto* dialog = spreadsheet_windows::import_dialog(app);
    if (dialog == nullptr) {
        journal.write({"fault", "import", "no import dialog"});
        return false;
    }
    services.message_answers.push_back(MessageAnswer::yes);
    journal.write({"begin", "import", path});
    process_event(app, Event{kControlEvent, kImportWindow, kImportStart, kLeftClick});
    int shown = -1;
    while (spreadsheet_windows::import_dialog(app) == dialog && dialog->job().run) {
        QCoreApplication::processEvents();
        if (dialog->progress()->value() == shown) continue;
        shown = dialog->progress()->value();
        journal.write({"step", std::to_string(shown), std::to_string(dialog->progress()->maximum())});
        if (stall_at >= 0 && shown >= stall_at) {
            journal.write({"stalled", std::to_string(shown)});
            for (;;) ::pause();
        }
    }
    settle();
    return spreadsheet_windows::import_dialog(app) == nullptr;
}

}  // namespace detalehran::crash
