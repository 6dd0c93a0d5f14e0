#pragma once
// The journal a crash session keeps of what the program did: one record a
// line, tab-separated fields with tabs, line breaks and backslashes escaped.
// A session writes "begin" before it asks the program for something and
// "done" (or "fail") once the program has answered, each line pushed to the
// disk before the session goes on, so the journal never claims more than the
// program reported and is never behind it.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace detalehran::crash {

// One item as the program's list shows it, in list column order
// (db::StoreColumn): name, description, place, quantity, prices, supplier,
// section path, package, ID, datasheet.
using Values = std::array<std::string, 11>;

using Record = std::vector<std::string>;

std::string escape_field(std::string_view text);
std::string unescape_field(std::string_view text);
// The line without its end, fields joined by tabs.
std::string join_record(const Record& fields);
Record split_record(std::string_view line);

// Appends records to a journal file, each with write() and fsync().
class JournalWriter {
public:
    explicit JournalWriter(const std::string& path);
    ~JournalWriter();
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;

    bool is_open() const { return fd_ >= 0; }
    void write(const Record& fields);

private:
    int fd_ = -1;
};

// Reads the complete lines of a journal from byte offset on and moves the
// offset past them; a last line without its end stays unread.
std::vector<Record> read_new_records(const std::string& path, std::size_t& offset);

}  // namespace detalehran::crash
