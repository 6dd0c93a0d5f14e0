#include "jet_convert.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "jet_reader.h"
#include "jet_store_writer.h"
#include "store/store_schema.h"

namespace detalehran::jet {

namespace {

std::string errno_text(const std::string& what, const std::string& path, int err) {
    return what + " " + path + ": " + std::strerror(err);
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

// The converted file under a name of its own beside the target, removed
// again unless it was moved into place.
class TemporaryStore {
public:
    explicit TemporaryStore(const std::string& prefix) : prefix_(prefix) {}
    TemporaryStore(const TemporaryStore&) = delete;
    TemporaryStore& operator=(const TemporaryStore&) = delete;
    ~TemporaryStore() {
        if (path_.empty()) return;
        for (const char* suffix : {"", "-journal", "-wal", "-shm"}) ::unlink((path_ + suffix).c_str());
    }

    bool write(const JetStore& content, WriteCounts* counts, std::string* error) {
        for (int attempt = 0; path_.empty(); ++attempt) {
            const std::string candidate = prefix_ + "." + kStoreFileName + "." + std::to_string(::getpid()) + "-" +
                                          std::to_string(attempt) + ".converting";
            if (store::create_store_file(candidate, error)) {
                path_ = candidate;
            } else if (!exists(candidate) || attempt > 100) {
                return false;
            }
        }
        if (!write_converted_store(path_, content, counts, error)) return false;
        if (!sync_path(path_, O_RDONLY)) {
            *error = errno_text("Cannot write", path_, errno);
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

bool read_and_write(const std::string& jet_path, const std::string& prefix, TemporaryStore* temporary,
                    ConvertReport* report, std::string* error) {
    JetStore content;
    if (!read_jet_store(jet_path, &content, error)) return false;
    WriteCounts counts;
    if (!temporary->write(content, &counts, error)) return false;
    report->store_path = prefix + kStoreFileName;
    report->jet_version = content.jet_version;
    report->items = counts.items;
    report->packages = counts.packages;
    report->parked_returned = counts.parked_returned;
    report->parked_dropped = counts.parked_dropped;
    report->new_ids = counts.new_ids;
    report->next_id = counts.next_id;
    report->missing_columns = std::move(content.missing_columns);
    return true;
}

}  // namespace

bool convert_jet_store(const std::string& jet_path, const std::string& target_dir, ConvertReport* report,
                       std::string* error, ExistingTarget existing) {
    std::string scratch;
    if (error == nullptr) error = &scratch;
    struct stat st {};
    if (::stat(target_dir.c_str(), &st) != 0)
        return *error = errno_text("Cannot reach folder", target_dir, errno), false;
    if (!S_ISDIR(st.st_mode)) return *error = "Not a folder: " + target_dir, false;
    const std::string prefix = folder_prefix(target_dir);
    const std::string target = prefix + kStoreFileName;
    if (existing == ExistingTarget::refuse && exists(target)) return *error = "File already exists: " + target, false;

    ConvertReport result;
    TemporaryStore temporary(prefix);
    if (!read_and_write(jet_path, prefix, &temporary, &result, error)) return false;
    const int err = existing == ExistingTarget::replace
                        ? (::rename(temporary.path().c_str(), target.c_str()) == 0 ? 0 : errno)
                        : rename_no_replace(temporary.path(), target);
    if (err != 0) {
        *error = err == EEXIST ? "File already exists: " + target : errno_text("Cannot create", target, err);
        return false;
    }
    temporary.moved();
    sync_path(prefix, O_RDONLY | O_DIRECTORY);
    if (report) *report = std::move(result);
    return true;
}

bool convert_jet_store_in_place(const std::string& folder, ConvertReport* report, std::string* error) {
    std::string scratch;
    if (error == nullptr) error = &scratch;
    const std::string prefix = folder_prefix(folder);
    const std::string store = prefix + kStoreFileName;
    const std::string kept = prefix + kKeptOriginalName;
    if (!is_jet_file(store)) return *error = "File " + store + " is not an Access (Jet) database", false;
    if (exists(kept)) return *error = "File already exists: " + kept + "; move it away to convert again", false;

    ConvertReport result;
    TemporaryStore temporary(prefix);
    if (!read_and_write(store, prefix, &temporary, &result, error)) return false;
    // A second name for the original first, then the new file over the old
    // name in one step: no moment without a Store.mdb.
    if (::link(store.c_str(), kept.c_str()) == 0) {
        if (::rename(temporary.path().c_str(), store.c_str()) != 0) {
            *error = errno_text("Cannot replace", store, errno);
            ::unlink(kept.c_str());
            return false;
        }
    } else {
        // No hard links here (a FAT stick): move the original aside, then
        // the new file in; put the original back if that fails.
        if (const int err = rename_no_replace(store, kept); err != 0) {
            *error = errno_text("Cannot rename", store, err);
            return false;
        }
        if (const int err = rename_no_replace(temporary.path(), store); err != 0) {
            *error = errno_text("Cannot create", store, err);
            rename_no_replace(kept, store);
            return false;
        }
    }
    temporary.moved();
    sync_path(prefix, O_RDONLY | O_DIRECTORY);
    result.kept_original = kept;
    if (report) *report = std::move(result);
    return true;
}

}  // namespace detalehran::jet
