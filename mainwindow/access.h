#pragma once
// What the connected role may do, shown: the menu items of changes it may
// not make are disabled, and the status bar says why.

#include <QString>

#include "db/database.h"

namespace detalehran {

struct App;

// The reason shown for a role that may not make some changes; empty when it
// may make them all.
QString access_reason(const db::Rights& rights, const std::string& role);

// Disables the menu items the role's rights do not allow (after the menus
// were prepared for a click) and shows the reason in the status bar.
void show_access(App& app);

}  // namespace detalehran
