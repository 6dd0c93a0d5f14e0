#pragma once
// Saving CSV files from the program: the item list as it is shown, and the
// file a save chooser names, written as the chooser's check boxes say.

#include <QList>
#include <QString>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "platform/event.h"
#include "spreadsheet/csv_writer.h"

class QWidget;

namespace detalehran {
struct App;
}

namespace detalehran::spreadsheet_windows {

// The columns the list's export adds when the list does not show them: the
// section (under the header "Раздел") and the storage place.
struct ExtraColumns {
    bool section = false;
    bool place = false;
};

// The list's rows in their order and its shown columns in theirs, then the
// extra columns it does not show, as CSV. The column table takes the
// header's order first (columns may have been dragged since it was last
// read).
std::string shown_list_csv(App& app, ExtraColumns extra = {}, spreadsheet::CsvStyle style = spreadsheet::kCommaStyle);
// Menu "Экспорт списка в CSV…".
void export_list(App& app, const Event& event);

// The file's bytes as the check boxes the chooser offered were left: one
// state per extra option given, then the style.
using CsvMaker = std::function<std::string(const std::vector<bool>& extra, spreadsheet::CsvStyle style)>;

// Asks where to save, offering `suggested`, the extra options and the
// choice of the decimal point for other locales, and writes the bytes made
// for those choices there, whole or not at all; the user hears how it went.
// False when nothing was saved.
bool save_csv_file(App& app, QWidget* parent, const QString& title, const QString& suggested,
                   const QStringList& extra_options, const CsvMaker& make, std::size_t rows);

}  // namespace detalehran::spreadsheet_windows
