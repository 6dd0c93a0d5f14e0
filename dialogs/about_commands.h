#pragma once
// The about dialog's commands: opening it, copying a wallet identifier and
// its two ways of closing.

#include "platform/event.h"

namespace detalehran {
struct App;
}

namespace detalehran::dialogs {

struct AboutTexts;

void open_about_dialog(App& app, const Event& event);
// Opens the dialog with these details; the menu command opens it with the
// build's.
void open_about_dialog(App& app, const AboutTexts& texts);
void about_ok(App& app, const Event& event);
void copy_wallet_identifier(App& app, const Event& event);
// Its close box: the main window enabled again, the focus left where it is.
void close_about_dialog(App& app, const Event& event);

}  // namespace detalehran::dialogs
