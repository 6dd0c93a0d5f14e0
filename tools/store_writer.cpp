#include "store_writer.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>
#include <vector>

#include "inventory.h"
#include "store/store_schema.h"
#include "store/text_fold.h"

namespace detalehran::dbtool {

namespace {

// Package is keyed case-insensitively; deduplicate the same way so that
// "SOT-23" and "sot-23" cannot make the insert fail.
struct FoldedLess {
    bool operator()(const std::string& a, const std::string& b) const { return store::compare_folded(a, b) < 0; }
};

constexpr const char* kInsertPart =
    "INSERT INTO \"Store\" (\"Название\", \"Описание\", \"Расположение\", \"Количество\", \"Цена расходная\", "
    "\"Цена приходная\", \"Поставщик\", \"Путь\", \"Тип корпуса\", \"Datasheet\") "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)";

// Undoes a failed run: everything this run created is removed, nothing else.
class Cleanup {
public:
    explicit Cleanup(std::string store_path) : store_path_(std::move(store_path)) {}
    Cleanup(const Cleanup&) = delete;
    Cleanup& operator=(const Cleanup&) = delete;

    ~Cleanup() {
        if (done_) return;
        for (const std::string& file : files_) ::unlink(file.c_str());
        if (!folder_.empty()) ::rmdir(folder_.c_str());
        for (const char* suffix : {"", "-journal", "-wal", "-shm"}) ::unlink((store_path_ + suffix).c_str());
    }

    void created_folder(const std::string& path) { folder_ = path; }
    void created_file(const std::string& path) { files_.push_back(path); }
    void keep() { done_ = true; }

private:
    std::string store_path_;
    std::string folder_;
    std::vector<std::string> files_;
    bool done_ = false;
};

std::string errno_text(const std::string& what, const std::string& path, int err) {
    return what + " " + path + ": " + std::strerror(err);
}

bool write_new_file(const std::string& path, const std::string& content, bool* created, std::string* error) {
    *created = false;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        // A datasheet the user put there already is theirs: leave it as it is.
        if (errno == EEXIST) return true;
        *error = errno_text("Cannot create", path, errno);
        return false;
    }
    *created = true;
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            *error = errno_text("Cannot write", path, n < 0 ? errno : ENOSPC);
            ::close(fd);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) {
        *error = errno_text("Cannot write", path, errno);
        return false;
    }
    return true;
}

class Filler {
public:
    explicit Filler(std::string path) : path_(std::move(path)) {}
    Filler(const Filler&) = delete;
    Filler& operator=(const Filler&) = delete;

    ~Filler() {
        sqlite3_finalize(insert_);
        sqlite3_close(db_);
    }

    bool begin(std::string* error) {
        if (sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
            !store::register_text_functions(db_)) {
            return fail(error);
        }
        // A large cache keeps index pages of a 100k-row fill out of the file
        // until the commit.
        if (!exec("PRAGMA cache_size = -131072; BEGIN IMMEDIATE", error)) return false;
        if (sqlite3_prepare_v3(db_, kInsertPart, -1, SQLITE_PREPARE_PERSISTENT, &insert_, nullptr) != SQLITE_OK) {
            return fail(error);
        }
        return true;
    }

    bool add(const Part& part, std::string* error) {
        bind_text(1, part.name);
        bind_text(2, part.description);
        bind_text(3, part.place);
        sqlite3_bind_int(insert_, 4, part.quantity);
        sqlite3_bind_double(insert_, 5, static_cast<double>(part.selling_kopecks) / 100.0);
        sqlite3_bind_double(insert_, 6, static_cast<double>(part.purchase_kopecks) / 100.0);
        bind_text(7, part.supplier);
        bind_text(8, part.section);
        bind_text(9, part.package);
        bind_text(10, part.datasheet);
        const int rc = sqlite3_step(insert_);
        sqlite3_reset(insert_);
        if (rc != SQLITE_DONE) return fail(error);
        if (!part.package.empty()) packages_.insert(part.package);
        ++parts_;
        return true;
    }

    bool finish(std::string* error) {
        sqlite3_stmt* insert_package = nullptr;
        if (sqlite3_prepare_v2(db_, "INSERT INTO \"Package\" (\"Тип корпуса\") VALUES (?1)", -1, &insert_package,
                               nullptr) != SQLITE_OK) {
            return fail(error);
        }
        for (const std::string& package : packages_) {
            sqlite3_bind_text(insert_package, 1, package.data(), static_cast<int>(package.size()), SQLITE_STATIC);
            const int rc = sqlite3_step(insert_package);
            sqlite3_reset(insert_package);
            if (rc != SQLITE_DONE) {
                sqlite3_finalize(insert_package);
                return fail(error);
            }
        }
        sqlite3_finalize(insert_package);
        return exec("COMMIT", error);
    }

    // Closes the connection; a failure here can still lose written pages.
    bool close(std::string* error) {
        sqlite3_finalize(insert_);
        insert_ = nullptr;
        if (sqlite3_close(db_) != SQLITE_OK) return fail(error);
        db_ = nullptr;
        return true;
    }

    std::size_t parts() const { return parts_; }
    std::size_t packages() const { return packages_.size(); }

private:
    void bind_text(int index, const std::string& text) {
        if (text.empty()) {
            sqlite3_bind_null(insert_, index);
        } else {
            sqlite3_bind_text(insert_, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
        }
    }

    bool exec(const char* sql, std::string* error) {
        return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK || fail(error);
    }

    bool fail(std::string* error) {
        *error = "Cannot fill " + path_ + ": " + (db_ ? sqlite3_errmsg(db_) : "out of memory");
        // "disk I/O error" alone does not tell a full disk from a broken one.
        if (const int err = db_ ? sqlite3_system_errno(db_) : 0; err != 0)
            *error += std::string(" (") + std::strerror(err) + ")";
        return false;
    }

    std::string path_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
    std::set<std::string, FoldedLess> packages_;
    std::size_t parts_ = 0;
};

bool prepare_datasheet_folder(const std::string& folder, Cleanup& cleanup, std::string* error) {
    if (::mkdir(folder.c_str(), 0755) == 0) {
        cleanup.created_folder(folder);
        return true;
    }
    const int err = errno;
    struct stat st {};
    if (err == EEXIST && ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
    *error = err == EEXIST ? folder + " exists and is not a folder" : errno_text("Cannot create folder", folder, err);
    return false;
}

}  // namespace

bool create_database(const CreateRequest& request, CreateReport* report, std::string* error) {
    std::string scratch;
    if (error == nullptr) error = &scratch;
    struct stat st {};
    if (::stat(request.folder.c_str(), &st) != 0) {
        *error = errno == ENOENT ? "Folder not found: " + request.folder
                                 : errno_text("Cannot reach folder", request.folder, errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        *error = "Not a folder: " + request.folder;
        return false;
    }
    std::string folder = request.folder;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    const std::string prefix = folder == "/" ? folder : folder + "/";
    const std::string store_path = prefix + kStoreFileName;
    const std::string datasheet_folder = prefix + kDatasheetFolderName;

    if (!store::create_store_file(store_path, error)) return false;
    Cleanup cleanup(store_path);
    if (!prepare_datasheet_folder(datasheet_folder, cleanup, error)) return false;

    CreateReport result;
    result.store_path = store_path;
    if (request.content != Content::empty) {
        Filler filler(store_path);
        if (!filler.begin(error)) return false;
        if (request.content == Content::demo) {
            const DemoInventory demo = make_demo_inventory();
            for (const Part& part : demo.parts) {
                if (!filler.add(part, error)) return false;
            }
            for (const DatasheetFile& file : demo.datasheets) {
                const std::string path = datasheet_folder + "/" + file.name;
                bool created = false;
                if (!write_new_file(path, file.content, &created, error)) {
                    if (created) cleanup.created_file(path);
                    return false;
                }
                if (created) {
                    cleanup.created_file(path);
                    ++result.datasheets;
                }
            }
        } else {
            BulkGenerator generator;
            Part part;
            for (std::size_t k = 0; k < request.part_count; ++k) {
                generator.next(&part);
                if (!filler.add(part, error)) return false;
            }
        }
        if (!filler.finish(error) || !filler.close(error)) return false;
        result.parts = filler.parts();
        result.packages = filler.packages();
    }
    cleanup.keep();
    if (report) *report = std::move(result);
    return true;
}

}  // namespace detalehran::dbtool
