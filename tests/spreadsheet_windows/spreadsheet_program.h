#pragma once
// A started program with a real store, and the spreadsheet windows driven
// as a user drives them: files chosen through the scripted choosers, menus,
// buttons and drop-downs through the router.

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QTableWidget>
#include <fstream>

#include "spreadsheet_windows/import_dialog.h"
#include "spreadsheet_windows/reorder_window.h"
#include "trees/tree_test_fixture.h"

namespace detalehran::testing {

class SpreadsheetProgram : public TreeProgram {
protected:
    void start() {
        start_up(app_);
        app_.main_window->resize(1200, 700);
        settle();
    }
    std::string make_file(const std::string& name, const std::string& bytes) const {
        std::ofstream(folder_.file(name), std::ios::binary) << bytes;
        return folder_.file(name);
    }
    void menu(int item) {
        process_event(app_, Event{kMenuEvent, kMainWindow, item});
        settle();
    }
    void press(int window, int control, int type = kLeftClick) {
        process_event(app_, Event{kControlEvent, window, control, type});
        settle();
    }
    // Menu "Импорт из CSV…" with the file chosen.
    spreadsheet_windows::ImportDialog* open_import(const std::string& path) {
        services_.file_answers.push_back(QString::fromStdString(path));
        menu(kMenuImportCsv);
        return spreadsheet_windows::import_dialog(app_);
    }
    // The user picks another entry of one of the dialog's drop-downs.
    void choose(QComboBox* box, int index, int control) {
        box->setCurrentIndex(index);
        press(kImportWindow, control, kValueChanged);
    }
    // Runs the event loop until the import has ended (or ten seconds passed).
    void run_import() {
        QElapsedTimer clock;
        clock.start();
        while (spreadsheet_windows::import_dialog(app_) != nullptr &&
               spreadsheet_windows::import_dialog(app_)->job().run && clock.elapsed() < 10000) {
            QCoreApplication::processEvents();
        }
        settle();
    }
    QString cell(const QTableWidget* table, int row, int column) const {
        const QTableWidgetItem* item = table->item(row, column);
        return item == nullptr ? QString() : item->text();
    }
    long long stored_count() const { return static_cast<long long>(rows("SELECT ID FROM Store").size()); }
};

}  // namespace detalehran::testing
