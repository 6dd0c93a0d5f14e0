#pragma once
// Helpers of the spreadsheet tests: files as spreadsheet programs write them
// and the records read back from them.

#include <iconv.h>

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/csv_reader.h"

namespace detalehran::spreadsheet::test {

// UTF-8 text in another encoding ("WINDOWS-1251", "UTF-16LE"), converted
// by the C library (not by the code under test).
inline std::string converted(std::string_view utf8, const char* encoding) {
    iconv_t cd = iconv_open(encoding, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error(std::string("no ") + encoding + " in iconv");
    std::string in(utf8), out(utf8.size() * 4 + 4, '\0');
    char* src = in.data();
    char* dst = out.data();
    std::size_t src_left = in.size(), dst_left = out.size();
    const std::size_t done = iconv(cd, &src, &src_left, &dst, &dst_left);
    iconv_close(cd);
    if (done == static_cast<std::size_t>(-1)) throw std::runtime_error(std::string("not convertible to ") + encoding);
    out.resize(out.size() - dst_left);
    return out;
}

inline std::string windows_1251(std::string_view utf8) { return converted(utf8, "WINDOWS-1251"); }

struct Record {
    int line = 0;
    std::vector<std::string> fields;
    bool operator==(const Record&) const = default;
};

inline std::vector<Record> records_of(std::string_view text, char separator) {
    std::vector<Record> records;
    const auto problem = read_csv(text, separator, [&](int line, std::span<const std::string_view> fields) {
        records.push_back({line, std::vector<std::string>(fields.begin(), fields.end())});
        return true;
    });
    if (problem) records.push_back({-1, {problem->reason}});
    return records;
}

}  // namespace detalehran::spreadsheet::test
