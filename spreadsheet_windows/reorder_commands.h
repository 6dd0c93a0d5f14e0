#pragma once
// The reorder list's commands: opening its window from the menu, saving it
// as CSV, and closing it.

#include "platform/event.h"

namespace detalehran {
struct App;
}

namespace detalehran::spreadsheet_windows {

void open_reorder_list(App& app, const Event& event);
void save_reorder_list(App& app, const Event& event);
// "Закрыть" or Esc.
void close_reorder_list(App& app, const Event& event);
void close_reorder_by_close_box(App& app, const Event& event);

}  // namespace detalehran::spreadsheet_windows
