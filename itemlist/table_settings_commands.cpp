// Commands of the table settings dialog; built with the dialog.

#include "app/app.h"
#include "app/commands.h"

namespace detalehran::itemlist {

void open_table_settings(App&, const Event&) {}
void table_settings_ok(App&, const Event&) {}
void table_settings_cancel(App&, const Event&) {}
void choose_highlight_colour(App&, const Event&) {}
void toggle_highlight_controls(App&, const Event&) {}
void close_table_settings(App&) {}

}  // namespace detalehran::itemlist
