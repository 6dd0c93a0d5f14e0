#include "jet_convert.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "jet_messages.h"
#include "jet_store_writer.h"
#include "store/store_schema.h"

namespace detalehran::jet {

namespace {

ConvertResult refusal(std::string reason, std::string details = {}) {
    ConvertResult result;
    result.reason = std::move(reason);
    result.details = std::move(details);
    return result;
}

std::string folder_prefix(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder == "/" ? folder : folder + "/";
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool sync_path(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// Renames without replacing anything; where the file system cannot do that
// in one step, a hard link and an unlink do it.
int rename_no_replace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    ::unlink(from.c_str());
    return 0;
}

std::string cannot(const std::string& what, const std::string& path, int err) {
    return what + " " + path + ": " + system_reason(err);
}

// The converted file under a name of its own beside the target, removed
// again unless it was moved into place. Its errors are clauses for "Файл …
// не преобразован: …".
class TemporaryStore {
public:
    explicit TemporaryStore(const std::string& prefix) : prefix_(prefix) {}
    TemporaryStore(const TemporaryStore&) = delete;
    TemporaryStore& operator=(const TemporaryStore&) = delete;
    ~TemporaryStore() {
        if (path_.empty()) return;
        for (const char* suffix : {"", "-journal", "-wal", "-shm"}) ::unlink((path_ + suffix).c_str());
    }

    bool write(const JetStore& content, WriteCounts* counts, std::string* error, std::string* details) {
        if (::access(prefix_.c_str(), W_OK | X_OK) != 0) {
            *error = cannot("не записать в папку", prefix_, errno);
            return false;
        }
        for (int attempt = 0; path_.empty(); ++attempt) {
            const std::string candidate = prefix_ + "." + kStoreFileName + "." + std::to_string(::getpid()) + "-" +
                                          std::to_string(attempt) + ".converting";
            std::string why;
            if (store::create_store_file(candidate, &why)) {
                path_ = candidate;
            } else if (!exists(candidate) || attempt > 100) {
                *error = "не создать файл " + candidate;
                *details = why;
                return false;
            }
        }
        if (!write_converted_store(path_, content, counts, error)) return false;
        if (!sync_path(path_, O_RDONLY)) {
            *error = cannot("не записать файл", path_, errno);
            return false;
        }
        return true;
    }

    const std::string& path() const { return path_; }
    void moved() { path_.clear(); }

private:
    std::string prefix_;
    std::string path_;
};

// Reads the old file and writes the new one under its temporary name; the
// result says converted when that file is whole and waits to be moved.
ConvertResult read_and_write(const std::string& jet_path, const std::string& prefix, const ConvertOptions& options,
                             TemporaryStore* temporary) {
    ConvertResult result;
    JetStore content;
    if (!read_jet_store(jet_path, &content, &result.reason, &result.details)) return result;
    if (!content.missing_columns.empty()) {
        result.missing = content.missing_columns;
        if (!options.convert_without) {
            result.reason =
                "Файл " + jet_path + " не преобразован: в нём " + missing_column_text(content.missing_columns[0]) + ".";
            return result;
        }
        if (!options.convert_without(content.missing_columns)) {
            result.outcome = Outcome::declined;
            return result;
        }
    }
    WriteCounts counts;
    std::string why;
    if (!temporary->write(content, &counts, &why, &result.details)) {
        result.reason = "Файл " + jet_path + " не преобразован: " + why + ".";
        return result;
    }
    ConvertReport& report = result.report;
    report.store_path = prefix + kStoreFileName;
    report.jet_version = content.jet_version;
    report.items = counts.items;
    report.packages = counts.packages;
    report.parked_returned = counts.parked_returned;
    report.parked_dropped = counts.parked_dropped;
    report.new_ids = counts.new_ids;
    report.next_id = counts.next_id;
    report.converted_without = std::move(content.missing_columns);
    result.missing.clear();
    result.outcome = Outcome::converted;
    return result;
}

ConvertResult convert_to(const std::string& jet_path, const std::string& target_dir, const ConvertOptions& options) {
    struct stat st {};
    if (::stat(target_dir.c_str(), &st) != 0) return refusal(cannot("Нет доступа к папке", target_dir, errno) + ".");
    if (!S_ISDIR(st.st_mode)) return refusal(target_dir + " — не папка.");
    const std::string prefix = folder_prefix(target_dir);
    const std::string target = prefix + kStoreFileName;
    if (options.existing == ExistingTarget::refuse && exists(target)) {
        return refusal("Файл " + target + " уже есть: преобразование его не заменяет.");
    }
    TemporaryStore temporary(prefix);
    ConvertResult result = read_and_write(jet_path, prefix, options, &temporary);
    if (result.outcome != Outcome::converted) return result;
    const int err = options.existing == ExistingTarget::replace
                        ? (::rename(temporary.path().c_str(), target.c_str()) == 0 ? 0 : errno)
                        : rename_no_replace(temporary.path(), target);
    if (err == EEXIST) return refusal("Файл " + target + " уже есть: преобразование его не заменяет.");
    if (err != 0) return refusal(cannot("Не создать файл", target, err) + ".");
    temporary.moved();
    sync_path(prefix, O_RDONLY | O_DIRECTORY);
    return result;
}

ConvertResult convert_in_place(const std::string& folder, const ConvertOptions& options) {
    const std::string prefix = folder_prefix(folder);
    const std::string store = prefix + kStoreFileName;
    const std::string kept = prefix + kKeptOriginalName;
    if (!is_jet_file(store)) return refusal("Файл " + store + " — не база данных Access (Jet).");
    if (exists(kept)) {
        return refusal("Файл " + kept + " уже есть: уберите его из папки, чтобы преобразовать Store.mdb снова.");
    }
    TemporaryStore temporary(prefix);
    ConvertResult result = read_and_write(store, prefix, options, &temporary);
    if (result.outcome != Outcome::converted) return result;
    // A second name for the original first, then the new file over the old
    // name in one step: no moment without a Store.mdb.
    if (::link(store.c_str(), kept.c_str()) == 0) {
        if (::rename(temporary.path().c_str(), store.c_str()) != 0) {
            const int err = errno;
            ::unlink(kept.c_str());
            return refusal(cannot("Не заменить файл", store, err) + ".");
        }
    } else {
        // No hard links here (a FAT stick): move the original aside, then
        // the new file in; put the original back if that fails.
        if (const int err = rename_no_replace(store, kept); err != 0) {
            return refusal(cannot("Не переименовать файл", store, err) + ".");
        }
        if (const int err = rename_no_replace(temporary.path(), store); err != 0) {
            rename_no_replace(kept, store);
            return refusal(cannot("Не создать файл", store, err) + ".");
        }
    }
    temporary.moved();
    sync_path(prefix, O_RDONLY | O_DIRECTORY);
    result.report.kept_original = kept;
    return result;
}

// No exception leaves the conversion: the caller may be the program's
// start-up, which must go on whatever the old file holds.
template <typename Convert>
ConvertResult guarded(const std::string& file, Convert&& convert) {
    try {
        return convert();
    } catch (const std::bad_alloc&) {
        return refusal("Файл " + file + " не преобразован: не хватило памяти.");
    } catch (const std::exception& e) {
        return refusal("Файл " + file + " не преобразован: внутренняя ошибка (" + e.what() + ").");
    } catch (...) {
        return refusal("Файл " + file + " не преобразован: внутренняя ошибка.");
    }
}

}  // namespace

ConvertResult convert_jet_store(const std::string& jet_path, const std::string& target_dir,
                                const ConvertOptions& options) {
    return guarded(jet_path, [&] { return convert_to(jet_path, target_dir, options); });
}

ConvertResult convert_jet_store_in_place(const std::string& folder, const ConvertOptions& options) {
    return guarded(folder_prefix(folder) + kStoreFileName, [&] { return convert_in_place(folder, options); });
}

}  // namespace detalehran::jet
