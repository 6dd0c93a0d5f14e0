#pragma once
// The import's commands: choosing the file and opening the dialog, a changed
// encoding, separator or column field, "Загрузить" with its steps, and the
// ways out of the dialog, which give up an import under way.

#include <cstddef>

#include "platform/event.h"

namespace detalehran {
struct App;
}

namespace detalehran::spreadsheet_windows {

// Statements stored in one step: few enough that the window answers between
// two steps, so that the progress moves and "Отмена" is heard.
inline constexpr std::size_t kStatementsPerStep = 500;
// A file beyond this is no parts list; it is refused before it is read.
inline constexpr long long kMaxImportBytes = 512LL * 1024 * 1024;

void open_import(App& app, const Event& event);
void import_choice_changed(App& app, const Event& event);
void start_import(App& app, const Event& event);
// "Отмена" or Esc: stops an import under way, or closes the dialog.
void cancel_import(App& app, const Event& event);
void close_import(App& app, const Event& event);
// One step of a running import, from the dialog's timer.
void import_step(App& app);

}  // namespace detalehran::spreadsheet_windows
