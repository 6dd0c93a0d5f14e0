#pragma once
// The column sorter: sorts the item list by a header click.

namespace detalehran {
struct App;
}

namespace detalehran::sorter {

void sorter_init(App& app);
// 1 attached; 2 no such control.
int sorter_attach(App& app, int control, int arrow_style);
// The item list's per-column flags and types, given after a successful attach.
void configure_item_list_columns(App& app);
void sorter_shutdown(App& app);

}  // namespace detalehran::sorter
