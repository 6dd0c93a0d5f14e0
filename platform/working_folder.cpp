#include "platform/working_folder.h"

#include <filesystem>

namespace detalehran {

std::string working_directory() {
    std::error_code error;
    std::string dir = std::filesystem::current_path(error).string();
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

QString datasheet_folder() { return QString::fromStdString(working_directory()) + "Datasheet/"; }

}  // namespace detalehran
