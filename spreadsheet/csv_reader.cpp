#include "spreadsheet/csv_reader.h"

#include <csv.h>

#include <string>
#include <tuple>
#include <vector>

namespace detalehran::spreadsheet {

namespace {

// Blanks around an unquoted field are part of it, as RFC 4180 has it.
int no_blanks(unsigned char) { return 0; }

std::string at_line(int line) { return "Строка " + std::to_string(line); }

// Feeds libcsv one line of the file at a time, so that every callback knows
// the line it happens on: a record starts on the line after the one where
// the record (or blank line) before it ended.
class Reader {
public:
    Reader(char separator, const RecordVisitor& visit) : visit_(visit) {
        // CSV_REPALL_NL reports blank lines too, which keeps the start line
        // of the next record right.
        csv_init(&parser_, CSV_REPALL_NL);
        csv_set_delim(&parser_, static_cast<unsigned char>(separator));
        csv_set_space_func(&parser_, no_blanks);
    }
    ~Reader() { csv_free(&parser_); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    std::optional<Problem> run(std::string_view text) {
        std::size_t pos = 0;
        while (pos < text.size() && !stopped_) {
            // A plain loop: find_first_of calls memchr for every byte.
            std::size_t end = pos;
            while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
            if (end < text.size()) end += text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1;
            const std::string_view line = text.substr(pos, end - pos);
            if (record_bytes_ + line.size() >= kMaxRecordBytes) return too_long();
            record_bytes_ += line.size();
            if (csv_parse(&parser_, line.data(), line.size(), on_field, on_record, this) != line.size()) {
                return Problem{record_line_, at_line(line_) + ": не хватает памяти, чтобы прочесть файл."};
            }
            ++line_;
            pos = end;
        }
        if (stopped_) return std::nullopt;
        // Strict only for the end: a quote inside an unquoted field stays
        // literal as spreadsheets read it, but a quoted field left open
        // would swallow the rest of the file.
        csv_set_opts(&parser_, CSV_REPALL_NL | CSV_STRICT | CSV_STRICT_FINI);
        if (csv_fini(&parser_, on_field, on_record, this) != 0) {
            return Problem{record_line_, at_line(record_line_) + ": кавычка не закрыта до конца файла."};
        }
        return std::nullopt;
    }

private:
    static void on_field(void* data, std::size_t size, void* self) {
        static_cast<Reader*>(self)->field(static_cast<const char*>(data), size);
    }
    static void on_record(int, void* self) { static_cast<Reader*>(self)->record(); }

    void field(const char* data, std::size_t size) {
        if (stopped_) return;
        in_record_ = true;
        buffer_.append(data, size);
        ends_.push_back(buffer_.size());
    }

    void record() {
        if (stopped_) return;
        const int line = record_line_;
        // The line fed now ends here.
        record_line_ = line_ + 1;
        record_bytes_ = 0;
        if (!in_record_) return;
        in_record_ = false;
        views_.clear();
        std::size_t begin = 0;
        for (const std::size_t end : ends_) {
            views_.emplace_back(buffer_.data() + begin, end - begin);
            begin = end;
        }
        if (!visit_(line, views_)) stopped_ = true;
        buffer_.clear();
        ends_.clear();
    }

    Problem too_long() const {
        if (record_line_ == line_) return {line_, at_line(line_) + " длиннее 1 МБ: такой файл не загружается."};
        return {record_line_, at_line(record_line_) + ": запись длиннее 1 МБ; возможно, не закрыта кавычка."};
    }

    csv_parser parser_{};
    const RecordVisitor& visit_;
    std::string buffer_;
    std::vector<std::size_t> ends_;
    std::vector<std::string_view> views_;
    int line_ = 1;
    int record_line_ = 1;
    std::size_t record_bytes_ = 0;
    bool in_record_ = false;
    bool stopped_ = false;
};

constexpr int kRecordsToCompare = 20;

}  // namespace

std::optional<Problem> read_csv(std::string_view text, char separator, const RecordVisitor& visit) {
    Reader reader(separator, visit);
    return reader.run(text);
}

char detect_separator(std::string_view text) {
    // On a tie the separator least likely inside a text wins: ";" (a
    // Russian-locale spreadsheet's own), then tab, then ",".
    constexpr char kByLikelihood[] = {';', '\t', ','};
    char best = kByLikelihood[0];
    std::tuple<int, int> best_score{0, 0};
    for (const char candidate : kByLikelihood) {
        std::vector<std::size_t> counts;
        (void)read_csv(text, candidate, [&](int, std::span<const std::string_view> fields) {
            counts.push_back(fields.size());
            return counts.size() < kRecordsToCompare;
        });
        if (counts.empty() || counts.front() < 2) continue;
        int agreeing = 0;
        for (const std::size_t n : counts) agreeing += n == counts.front() ? 1 : 0;
        const std::tuple<int, int> score{agreeing, static_cast<int>(counts.front())};
        if (score > best_score) {
            best_score = score;
            best = candidate;
        }
    }
    return best;
}

const char* separator_name(char separator) {
    switch (separator) {
        case ';':
            return "точка с запятой";
        case ',':
            return "запятая";
        case '\t':
            return "табуляция";
        default:
            return "другой";
    }
}

}  // namespace detalehran::spreadsheet
