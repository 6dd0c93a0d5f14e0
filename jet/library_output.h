#pragma once
// libmdb prints its warnings with printf and fprintf(stderr). While one of
// these is alive, the process's stdout and stderr streams write into a
// buffer of its own instead of the terminal (the file descriptors stay as
// they are, so a crash report still reaches them), and what arrived can be
// taken as text.

#include <cstdio>
#include <string>
#include <vector>

namespace detalehran::jet {

class LibraryOutput {
public:
    LibraryOutput();
    ~LibraryOutput();
    LibraryOutput(const LibraryOutput&) = delete;
    LibraryOutput& operator=(const LibraryOutput&) = delete;

    // Puts the streams back and returns what was printed meanwhile, its
    // repeated lines once, cut after a few thousand bytes. Later calls
    // return nothing.
    std::string take();

private:
    std::vector<char> buffer_;
    std::FILE* sink_ = nullptr;
    std::FILE* saved_out_ = nullptr;
    std::FILE* saved_err_ = nullptr;
};

}  // namespace detalehran::jet
