#include "settings/settings_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace detalehran::settings {

namespace {

QString system_reason(const QString& what, const std::string& path, int error) {
    return QStringLiteral("%1 %2: %3")
        .arg(what, QString::fromStdString(path), QString::fromLocal8Bit(std::strerror(error)));
}

FileResult failure(const QString& what, const std::string& path, int error) {
    return FileResult{false, system_reason(what, path, error)};
}

bool write_all(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

std::string folder_of(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

// The rename itself reaches the disk only with its folder.
void sync_folder(const std::string& path) {
    const int fd = ::open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

FileResult move_aside(const std::string& path) {
    std::string target = path + kUnreadableSuffix;
    struct stat info {};
    for (int n = 1; ::lstat(target.c_str(), &info) == 0; ++n) {
        if (n > 999)
            return FileResult{false,
                              QStringLiteral("нет свободного имени рядом с %1").arg(QString::fromStdString(path))};
        target = path + kUnreadableSuffix + "." + std::to_string(n);
    }
    if (::rename(path.c_str(), target.c_str()) != 0) return failure(QStringLiteral("не удалось отложить"), path, errno);
    return {};
}

}  // namespace

std::int64_t file_size_or_missing(const std::string& path) {
    struct stat info {};
    // Only a file known to be absent counts as missing: anything else must
    // not start the first-run branch, which writes over the file.
    if (::stat(path.c_str(), &info) != 0) return errno == ENOENT || errno == ENOTDIR ? -1 : 0;
    return static_cast<std::int64_t>(info.st_size);
}

FileResult read_whole_file(const std::string& path, QByteArray& bytes) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return failure(QStringLiteral("не удалось открыть"), path, errno);
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            ::close(fd);
            bytes.clear();
            return failure(QStringLiteral("не удалось прочитать"), path, error);
        }
        bytes.append(buffer, n);
    }
    ::close(fd);
    return {};
}

bool exists_but_unreadable(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return true;
    char byte = 0;
    const bool readable = ::read(fd, &byte, 1) >= 0;
    ::close(fd);
    return !readable;
}

namespace {

// Opens the temporary copy and holds its lock. Another program saving into
// the same folder uses the same name: it must neither truncate nor rename a
// copy this one is writing, so the copy is emptied only under the lock, and
// one that was renamed away while this program waited for it is left alone.
int open_locked_temporary(const std::string& temporary) {
    for (;;) {
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) return -1;
        if (::flock(fd, LOCK_EX) != 0) {
            if (errno == EINTR) {
                ::close(fd);
                continue;
            }
            return fd;  // no locks on this file system: as before, alone
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) == 0 && ::stat(temporary.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino) {
            return fd;
        }
        ::close(fd);
    }
}

}  // namespace

FileResult replace_file(const std::string& path, const QByteArray& bytes) {
    const std::string temporary = path + ".tmp";
    const int fd = open_locked_temporary(temporary);
    if (fd < 0) return failure(QStringLiteral("не удалось создать"), temporary, errno);
    int error = 0;
    if (::ftruncate(fd, 0) != 0 || !write_all(fd, bytes) || ::fsync(fd) != 0) error = errno;
    auto give_up = [&](const FileResult& result) {
        ::unlink(temporary.c_str());
        ::close(fd);
        return result;
    };
    if (error != 0) return give_up(failure(QStringLiteral("не удалось записать"), temporary, error));
    if (exists_but_unreadable(path)) {
        const FileResult moved = move_aside(path);
        if (!moved.ok) return give_up(moved);
    }
    // Renamed while still locked: a program waiting for the lock then finds
    // the name free and makes a copy of its own.
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        return give_up(failure(QStringLiteral("не удалось заменить"), path, errno));
    }
    ::close(fd);  // the bytes reached the disk with the fsync above
    sync_folder(path);
    return {};
}

}  // namespace detalehran::settings
