#pragma once
// Saving CSV files from the program: the item list as it is shown, and the
// file a save chooser names.

#include <QString>
#include <cstddef>
#include <string>

#include "platform/event.h"

class QWidget;

namespace detalehran {
struct App;
}

namespace detalehran::spreadsheet_windows {

// The list's rows in their order and its shown columns in theirs, as CSV.
// The column table takes the header's order first (columns may have been
// dragged since it was last read).
std::string shown_list_csv(App& app);
// Menu "Экспорт списка в CSV…".
void export_list(App& app, const Event& event);

// Asks where to save, offering `suggested`, and writes the bytes there whole
// or not at all; the user hears how it went. False when nothing was saved.
bool save_csv_file(App& app, QWidget* parent, const QString& title, const QString& suggested, const std::string& bytes,
                   std::size_t rows);

}  // namespace detalehran::spreadsheet_windows
