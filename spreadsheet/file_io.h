#pragma once
// A spreadsheet's file read in one piece, and an export's file written in
// pieces as its rows come, whole or not at all.

#include <cstddef>
#include <string>
#include <string_view>

namespace detalehran::spreadsheet {

// A file's bytes in one block of memory that is not cleared before the file
// fills it, and that a large file gets in huge pages: the import of a large
// file spends its time on the file, not on the memory for it.
class FileBytes {
public:
    FileBytes() = default;
    ~FileBytes();
    FileBytes(FileBytes&& other) noexcept;
    FileBytes& operator=(FileBytes&& other) noexcept;

    std::string_view view() const { return {data_, size_}; }

    // Room for `capacity` bytes, the old ones kept; false when there is none.
    bool reserve(std::size_t capacity);
    char* data() { return data_; }
    std::size_t capacity() const { return capacity_; }
    void set_size(std::size_t size) { size_ = size; }

private:
    void release();

    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

// Reads the whole file (its size is known first); false with the reason in
// words. Files over `max_bytes` are refused before they are read.
bool read_file_bytes(const std::string& path, FileBytes& bytes, std::string* why, long long max_bytes = 1LL << 31);

// A file written beside its place (path + ".tmp") and renamed over it once
// it is whole: a failure, or giving up, leaves an old file as it was.
class FileReplacement {
public:
    explicit FileReplacement(std::string path);
    // Whatever was not committed is removed.
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    bool open();
    bool write(std::string_view bytes);
    // Flushes the bytes to the disk and renames the file into place.
    bool commit();
    // What failed, in words.
    const std::string& failure() const { return failure_; }

private:
    bool fail(const char* what, const std::string& path, int error);

    std::string path_;
    std::string temporary_;
    int fd_ = -1;
    std::string failure_;
};

}  // namespace detalehran::spreadsheet
