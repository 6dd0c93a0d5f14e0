#pragma once
// Another program holding Store.mdb: this test executable started again as
// a separate process, which opens the file with SQLite, takes a lock with a
// write held open in its transaction, and keeps it until told to let go
// (then it rolls the write back and exits).

#include <sys/types.h>

#include <string>

namespace detalehran::testing {

class OtherProgram {
public:
    enum class Lock {
        // BEGIN IMMEDIATE and an uncommitted write: others may still read.
        write,
        // BEGIN EXCLUSIVE and an uncommitted write: others can neither write
        // nor read.
        exclusive,
    };

    OtherProgram() = default;
    ~OtherProgram() { release(); }
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;

    // Starts the other program and returns once it holds the lock; false,
    // with the reason in error(), when it could not take it.
    bool hold(const std::string& database, Lock lock);
    // Lets the lock go and waits until the other program has ended; true
    // when it ended cleanly.
    bool release();
    const std::string& error() const { return error_; }

private:
    pid_t pid_ = -1;
    int to_child_ = -1;
    std::string error_;
};

}  // namespace detalehran::testing
