// Commands of the item list and its table settings dialog; built with the
// item list's filling, search, font and settings.

#include "app/app.h"
#include "app/commands.h"

namespace detalehran::itemlist {

void search_by_name(App&, const Event&) {}
void choose_list_font(App&, const Event&) {}
void open_table_settings(App&, const Event&) {}
void table_settings_ok(App&, const Event&) {}
void table_settings_cancel(App&, const Event&) {}
void choose_highlight_colour(App&, const Event&) {}
void toggle_highlight_controls(App&, const Event&) {}
void close_table_settings(App&) {}

}  // namespace detalehran::itemlist
