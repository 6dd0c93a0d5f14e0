#pragma once
// A crash session's import: a file chosen in "Импорт из CSV…" and stored
// with "Загрузить" (lines with errors left out), each step of the progress
// journaled, optionally stopping dead half-way to be killed there.

#include <string>

#include "crash/journal.h"

namespace detalehran {
struct App;
namespace testing {
class ScriptedServices;
}
}  // namespace detalehran

namespace detalehran::crash {

// Journals "begin import", the steps and, once stalled, "stalled". True when
// the import ended with the dialog closed; the caller journals the end.
bool import_through_dialog(App& app, testing::ScriptedServices& services, JournalWriter& journal,
                           const std::string& path, long stall_at);

}  // namespace detalehran::crash
