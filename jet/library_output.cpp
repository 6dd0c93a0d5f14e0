#include "library_output.h"

#include <cstring>
#include <set>

namespace detalehran::jet {

namespace {

// Enough for every distinct warning of a damaged file; writes beyond it are
// dropped, however many rows repeat them.
constexpr std::size_t kBufferBytes = 64 * 1024;
constexpr std::size_t kKeptBytes = 2000;

}  // namespace

LibraryOutput::LibraryOutput() : buffer_(kBufferBytes + 1, '\0') {
    sink_ = ::fmemopen(buffer_.data(), kBufferBytes, "w");
    if (sink_ == nullptr) return;
    std::fflush(stdout);
    std::fflush(stderr);
    // glibc's standard streams are plain variables, meant to be set.
    saved_out_ = stdout;
    saved_err_ = stderr;
    stdout = sink_;
    stderr = sink_;
}

LibraryOutput::~LibraryOutput() { take(); }

std::string LibraryOutput::take() {
    if (sink_ == nullptr) return {};
    stdout = saved_out_;
    stderr = saved_err_;
    std::fclose(sink_);
    sink_ = nullptr;
    const std::string printed(buffer_.data(), ::strnlen(buffer_.data(), kBufferBytes));
    // A damaged file can make libmdb say the same thing for every row.
    std::string text;
    std::set<std::string> seen;
    std::size_t from = 0;
    while (from < printed.size()) {
        // Whole lines only: a cut line could end inside a character.
        const std::size_t end = printed.find('\n', from);
        if (end == std::string::npos) break;
        const std::string line = printed.substr(from, end - from);
        from = end + 1;
        if (line.find_first_not_of(" \t\r") == std::string::npos || !seen.insert(line).second) continue;
        if (text.size() + line.size() + 1 > kKeptBytes) return text + "\n…";
        text += (text.empty() ? "" : "\n") + line;
    }
    return text;
}

}  // namespace detalehran::jet
