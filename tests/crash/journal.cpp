#include "crash/journal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace detalehran::crash {

std::string escape_field(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string unescape_field(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return out;
}

std::string join_record(const Record& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += '\t';
        line += escape_field(fields[i]);
    }
    return line;
}

Record split_record(std::string_view line) {
    Record out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        out.push_back(unescape_field(line.substr(start, tab == std::string_view::npos ? line.npos : tab - start)));
        if (tab == std::string_view::npos) break;
        start = tab + 1;
    }
    return out;
}

JournalWriter::JournalWriter(const std::string& path) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd_ < 0) return;
    // A session killed inside a write may have left half a line: end it, so
    // that the next record starts on a line of its own.
    const off_t size = ::lseek(fd_, 0, SEEK_END);
    if (size > 0) {
        const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        char last = '\n';
        if (in >= 0) {
            if (::pread(in, &last, 1, size - 1) != 1) last = '\n';
            ::close(in);
        }
        if (last != '\n') write({"torn"});
    }
}

JournalWriter::~JournalWriter() {
    if (fd_ >= 0) ::close(fd_);
}

void JournalWriter::write(const Record& fields) {
    if (fd_ < 0) return;
    const std::string line = (fields.size() == 1 && fields[0] == "torn" ? "\n" : "") + join_record(fields) + "\n";
    const char* data = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, data, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            std::perror("journal");
            std::abort();
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::fsync(fd_) != 0) {
        std::perror("journal fsync");
        std::abort();
    }
}

std::vector<Record> read_new_records(const std::string& path, std::size_t& offset) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    const std::string text = all.str();
    std::vector<Record> out;
    while (offset < text.size()) {
        const std::size_t end = text.find('\n', offset);
        if (end == std::string::npos) break;
        const std::string_view line(text.data() + offset, end - offset);
        if (!line.empty()) out.push_back(split_record(line));
        offset = end + 1;
    }
    return out;
}

}  // namespace detalehran::crash
