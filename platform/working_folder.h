#pragma once
// The folder the program works in: the current directory at every call, so
// that paths always follow it, and the datasheet folder inside it.

#include <QString>
#include <string>

namespace detalehran {

// The current directory with a trailing "/", read afresh at every call.
std::string working_directory();
// The working directory's "Datasheet/" folder, read afresh.
QString datasheet_folder();

}  // namespace detalehran
