#pragma once
// The table settings dialog's commands: opening it, "ОК", "Отмена", the
// colour chooser, the highlight check box and its close box.

#include "platform/event.h"

namespace detalehran {
struct App;
}

namespace detalehran::itemlist {

void open_table_settings(App& app, const Event& event);
void table_settings_ok(App& app, const Event& event);
void table_settings_cancel(App& app, const Event& event);
void choose_highlight_colour(App& app, const Event& event);
void toggle_highlight_controls(App& app, const Event& event);
// Its close box: the main window enabled again, nothing applied.
void close_table_settings(App& app, const Event& event);

}  // namespace detalehran::itemlist
