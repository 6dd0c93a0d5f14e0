#pragma once
// Glue between the settings file Store.ini and the running program.

namespace detalehran {
struct App;
}

namespace detalehran::settings {

// Start-up: the trees from Store.ini, or on a first run from the stored
// paths, with the defaults written; then the column order, hidden columns
// and highlight settings applied.
void restore_at_start_up(App& app);
// Writes Store.ini whole from the running program's state.
void save_settings(App& app);

}  // namespace detalehran::settings
