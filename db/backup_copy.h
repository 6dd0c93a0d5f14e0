#pragma once
// The backup copy of a store file, made while the program goes on. A
// connection of the copy's own holds the file still while its bytes are
// copied: a write, of another program or of this one, waits for the copy
// to end (as for any reader), so the copy is whole and is the file as it
// was when the copy began.

#include <functional>
#include <string>
#include <thread>

namespace detalehran::db {

class BackupCopy {
public:
    BackupCopy() = default;
    ~BackupCopy();
    BackupCopy(const BackupCopy&) = delete;
    BackupCopy& operator=(const BackupCopy&) = delete;

    // Copies source to target; true when the copy is made.
    using Copier = std::function<bool(const std::string& source, const std::string& target)>;

    // Holds the file at `source` and starts copying it to `target`, which
    // is replaced only once the new copy is complete. Nothing is copied
    // when the source is missing; a file the driver does not open (not a
    // store), or one another program is writing for longer than a moment,
    // is copied without being held. `copy` replaces the copying itself.
    void start(const std::string& source, const std::string& target, Copier copy = {});
    // Waits for the copy to end; true when it was made.
    bool wait();

private:
    std::thread copying_;
    bool made_ = false;
};

}  // namespace detalehran::db
