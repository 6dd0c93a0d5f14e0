#include "store_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "inventory.h"
#include "store/store_file_writer.h"
#include "store/store_schema.h"

namespace detalehran::dbtool {

namespace {

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
        *error = errno_text("Не удалось создать", path, errno);
        return false;
    }
    *created = true;
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            *error = errno_text("Не удалось записать", path, n < 0 ? errno : ENOSPC);
            ::close(fd);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) {
        *error = errno_text("Не удалось записать", path, errno);
        return false;
    }
    return true;
}

// Parts go into the new file through the store's one writer; the package
// types they name follow them.
class Filler {
public:
    explicit Filler(const std::string& path) : writer_(path) {}

    bool begin(std::string* error) { return writer_.begin(error); }

    bool add(const Part& part, std::string* error) {
        auto text = [](const std::string& t) { return t.empty() ? store::Field() : store::Field(std::string_view(t)); };
        store::ItemFields f;
        f[schema::kName] = text(part.name);
        f[schema::kDescription] = text(part.description);
        f[schema::kPlace] = text(part.place);
        f[schema::kQuantity] = static_cast<std::int64_t>(part.quantity);
        f[schema::kPrice] = part.selling_price;
        f[schema::kPurchasePrice] = part.purchase_price;
        f[schema::kSupplier] = text(part.supplier);
        f[schema::kSectionPath] = text(part.section);
        f[schema::kPackage] = text(part.package);
        f[schema::kDatasheet] = text(part.datasheet);
        if (!writer_.insert(f, schema::WithId::no, "детали «" + part.name + "»", error)) return false;
        if (!part.package.empty()) packages_.insert(part.package);
        ++parts_;
        return true;
    }

    bool finish(std::string* error) {
        for (const std::string& package : packages_) {
            if (!writer_.insert_package(package, error)) return false;
        }
        return writer_.commit(error);
    }

    std::size_t parts() const { return parts_; }
    std::size_t packages() const { return packages_.size(); }

private:
    store::StoreFileWriter writer_;
    store::PackageSet packages_;
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
    *error = err == EEXIST ? folder + " уже есть, и это не папка" : errno_text("Не удалось создать папку", folder, err);
    return false;
}

}  // namespace

bool create_database(const CreateRequest& request, CreateReport* report, std::string* error) {
    std::string scratch;
    if (error == nullptr) error = &scratch;
    struct stat st {};
    if (::stat(request.folder.c_str(), &st) != 0) {
        *error = errno == ENOENT ? "Папка не найдена: " + request.folder
                                 : errno_text("Нет доступа к папке", request.folder, errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        *error = "Это не папка: " + request.folder;
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
        if (!filler.finish(error)) return false;
        result.parts = filler.parts();
        result.packages = filler.packages();
    }
    cleanup.keep();
    if (report) *report = std::move(result);
    return true;
}

}  // namespace detalehran::dbtool
