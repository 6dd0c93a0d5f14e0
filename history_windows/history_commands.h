#pragma once
// The history's commands: the window from "Файл" (the whole store) or from
// the list's menu (the checked or selected parts), its filters, pages and
// revert; "Правка" → "Отменить последнее изменение" (Ctrl+Z); and the
// notice of a store that keeps no history.

#include "platform/event.h"

namespace detalehran {
struct App;
}

namespace detalehran::history_windows {

void open_store_history(App& app, const Event& event);
void open_items_history(App& app, const Event& event);
// "Показать", or Enter in a filter field: the first page by the filters.
void show_history(App& app, const Event& event);
void show_more_history(App& app, const Event& event);
void revert_chosen_operation(App& app, const Event& event);
void close_history(App& app, const Event& event);
void close_history_by_close_box(App& app, const Event& event);

void undo_last_change(App& app, const Event& event);

// Once a store is open: says in the status bar when it keeps no history.
void announce_missing_history(App& app);

}  // namespace detalehran::history_windows
