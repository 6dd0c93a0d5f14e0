#pragma once
// Store.ini on disk: its size as the existence test, reading it whole, and
// replacing it so that a crash or a full disk never leaves half a file.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <string>

namespace detalehran::settings {

inline constexpr const char* kSettingsFile = "Store.ini";
// Where a settings file that could not be read is kept instead of being
// overwritten.
inline constexpr const char* kUnreadableSuffix = ".unreadable";

// Size in bytes of whatever is at the path, -1 when nothing is there.
std::int64_t file_size_or_missing(const std::string& path);

struct FileResult {
    bool ok = true;
    QString reason;  // what failed, for the user; empty on success
};

// The file's bytes; ok is false when it is missing or cannot be read.
FileResult read_whole_file(const std::string& path, QByteArray& bytes);

// Whether something is at the path that cannot be read as a file.
bool exists_but_unreadable(const std::string& path);

// Writes the bytes to path + ".tmp", flushes them to the disk and renames the
// copy over the path. On any failure the old file is left as it was and the
// partial copy removed. An old file that cannot be read is first moved aside
// to path + ".unreadable" (numbered when that name is taken), so what it may
// still hold is never lost.
FileResult replace_file(const std::string& path, const QByteArray& bytes);

}  // namespace detalehran::settings
