// Commands of the about dialog; built with the dialog.

#include "app/app.h"
#include "app/commands.h"

namespace detalehran::dialogs {

void open_about_dialog(App&, const Event&) {}
void about_ok(App&, const Event&) {}
void copy_wallet_identifier(App&, const Event&) {}
void close_about_dialog(App&) {}

}  // namespace detalehran::dialogs
