#pragma once
// A connection lost to a server that went away or restarted, or to a store
// file whose folder disappeared: opened again at the user's next action,
// with a notice in the status bar, and asked about while it cannot be.

#include <cstdint>

#include "platform/event.h"

namespace detalehran {

struct App;

// Before a command: a connection known to be lost is opened again; while
// that fails the user is asked "Сервер недоступен. Повторить?". The command
// then runs either way (and reports its own failure). Nothing that may have
// been applied is sent again: only the new command runs.
void reopen_before_command(App& app, const Event& event);
// After a command: when the connection was opened again meanwhile (a read
// that found it lost is sent again by the database layer), the status bar
// says so and the role's rights are shown anew.
void notice_reopened(App& app, std::uint64_t reconnections_before);

}  // namespace detalehran
