#include "spreadsheet/file_io.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>
#include <cerrno>
#include <cstring>
#include <utility>

namespace detalehran::spreadsheet {

namespace {

std::string reason(const char* what, const std::string& path, int error) {
    return std::string(what) + " " + path + ": " + QString::fromLocal8Bit(std::strerror(error)).toStdString();
}

std::string too_large(const std::string& path, long long max_bytes) {
    return "файл " + path + " больше " + std::to_string(max_bytes / (1024 * 1024)) + " МБ, это не список деталей";
}

}  // namespace

FileBytes::~FileBytes() { release(); }

FileBytes::FileBytes(FileBytes&& other) noexcept { *this = std::move(other); }

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept {
    if (this == &other) return *this;
    release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
    return *this;
}

void FileBytes::release() {
    if (data_ != nullptr) ::munmap(data_, capacity_);
    data_ = nullptr;
    size_ = capacity_ = 0;
}

bool FileBytes::reserve(std::size_t capacity) {
    if (capacity <= capacity_) return true;
    // Whole huge pages: a block of them is given in one step, not page by page.
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    const std::size_t rounded = (capacity + kHugePage - 1) / kHugePage * kHugePage;
    void* block = ::mmap(nullptr, rounded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) return false;
    // Only a hint: without huge pages the block is as good, if slower to fill.
    (void)::madvise(block, rounded, MADV_HUGEPAGE);
    if (size_ > 0) std::memcpy(block, data_, size_);
    const std::size_t size = size_;
    release();
    data_ = static_cast<char*>(block);
    capacity_ = rounded;
    size_ = size;
    return true;
}

bool read_file_bytes(const std::string& path, FileBytes& bytes, std::string* why, long long max_bytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        *why = reason("не удалось открыть", path, errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        *why = reason("не удалось прочитать", path, error);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        *why = path + " — не файл";
        return false;
    }
    if (info.st_size > max_bytes) {
        ::close(fd);
        *why = too_large(path, max_bytes);
        return false;
    }
    bytes = FileBytes();
    auto give_up = [&](std::string reason_text) {
        ::close(fd);
        bytes = FileBytes();
        *why = std::move(reason_text);
        return false;
    };
    // One byte more than the file has: reading it tells the end.
    if (!bytes.reserve(static_cast<std::size_t>(info.st_size) + 1)) {
        return give_up(reason("не удалось прочитать", path, ENOMEM));
    }
    std::size_t filled = 0;
    for (;;) {
        // A file may still grow while it is read: the rest is appended.
        if (filled == bytes.capacity() && !bytes.reserve(2 * bytes.capacity())) {
            return give_up(reason("не удалось прочитать", path, ENOMEM));
        }
        const ssize_t n = ::read(fd, bytes.data() + filled, bytes.capacity() - filled);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            return give_up(reason("не удалось прочитать", path, errno));
        }
        filled += static_cast<std::size_t>(n);
        bytes.set_size(filled);
        if (static_cast<long long>(filled) > max_bytes) return give_up(too_large(path, max_bytes));
    }
    ::close(fd);
    return true;
}

FileReplacement::FileReplacement(std::string path) : path_(std::move(path)), temporary_(path_ + ".tmp") {}

FileReplacement::~FileReplacement() {
    if (fd_ < 0) return;
    ::close(fd_);
    ::unlink(temporary_.c_str());
}

bool FileReplacement::fail(const char* what, const std::string& path, int error) {
    failure_ = reason(what, path, error);
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(temporary_.c_str());
        fd_ = -1;
    }
    return false;
}

bool FileReplacement::open() {
    fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) return fail("не удалось создать", temporary_, errno);
    return true;
}

bool FileReplacement::write(std::string_view bytes) {
    if (fd_ < 0) return false;
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail("не удалось записать", temporary_, errno);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool FileReplacement::commit() {
    if (fd_ < 0) return false;
    if (::fsync(fd_) != 0) return fail("не удалось записать", temporary_, errno);
    if (::rename(temporary_.c_str(), path_.c_str()) != 0) return fail("не удалось заменить", path_, errno);
    ::close(fd_);
    fd_ = -1;
    return true;
}

}  // namespace detalehran::spreadsheet
