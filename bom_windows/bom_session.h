#pragma once
// What the bill of materials commands share: reading the store's parts and
// checking the bill against them, and the lists counted again after a change.

#include <QString>

#include "bom/bom.h"
#include "bom_windows/bom_window.h"
#include "platform/services.h"

namespace detalehran {
struct App;
}

namespace detalehran::bom_windows {

// The parts read from the store and the bill checked against them for
// `boards`, the `chosen` parts first; the pick list and the shortfall made.
// False when the parts could not be read (the user was told).
bool read_and_check(App& app, QWidget* parent, BomSession& session, long long boards, const bom::Choices& chosen);
// The takes, shortfalls and lists counted again after the user changed
// boards or parts.
void recount_session(BomSession& session);

// A message box of the program's kind ("Внимание!").
void tell(App& app, QWidget* parent, const QString& text, MessageIcon icon = MessageIcon::warning);
// Why the database refused the last statement, for the user.
QString failure(App& app);

}  // namespace detalehran::bom_windows
