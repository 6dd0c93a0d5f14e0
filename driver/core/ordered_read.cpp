#include "ordered_read.h"

#include <sqlite3.h>
#include <sys/mman.h>

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "cursor.h"

namespace detalehran::odbc {

namespace {

// One SQLite statement, finalized when it goes.
class Prepared {
public:
    Prepared(sqlite3* db, const std::string& sql) {
        if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &ps_, nullptr) != SQLITE_OK) {
            sqlite3_finalize(ps_);
            ps_ = nullptr;
        }
    }
    ~Prepared() { sqlite3_finalize(ps_); }
    Prepared(const Prepared&) = delete;
    Prepared& operator=(const Prepared&) = delete;
    sqlite3_stmt* get() const { return ps_; }

private:
    sqlite3_stmt* ps_ = nullptr;
};

// The index SQLite walks for a statement whose whole plan is one walk of
// one index ("SCAN t USING INDEX i", or "USING COVERING INDEX i" when the
// index alone answers); empty for any other plan.
std::string walked_index(sqlite3* db, const char* sql, bool covering) {
    Prepared plan(db, std::string("EXPLAIN QUERY PLAN ") + sql);
    if (plan.get() == nullptr) return {};
    const std::string using_index = covering ? " USING COVERING INDEX " : " USING INDEX ";
    std::string index;
    int steps = 0;
    while (sqlite3_step(plan.get()) == SQLITE_ROW) {
        const auto* detail = reinterpret_cast<const char*>(sqlite3_column_text(plan.get(), 3));
        const std::string text = detail != nullptr ? detail : "";
        const std::size_t at = text.find(using_index);
        if (++steps > 1 || text.rfind("SCAN ", 0) != 0 || at == std::string::npos) return {};
        index = text.substr(at + using_index.size());
    }
    return index;
}

bool is_word(const Token* t, const char* word) { return t != nullptr && same_word(*t, word); }

// A column or table name that is not one of the words of the shape.
bool plain_name(const Token* t) {
    return t != nullptr && names_something(*t) &&
           !(t->kind == Token::word && (same_word(*t, "FROM") || same_word(*t, "ORDER") || same_word(*t, "SELECT")));
}

// Each value is its size, then its text. Most values are short: a size
// below kLongerSize takes one byte; kNullCell marks NULL; kLongerSize is
// followed by the size in four bytes.
constexpr unsigned char kLongerSize = 254;
constexpr unsigned char kNullCell = 255;

bool append_cell(MappedBytes& bytes, CellView cell) {
    if (cell.null) return bytes.append(&kNullCell, 1);
    const std::size_t size = cell.text.size();
    if (size < kLongerSize) {
        const auto small = static_cast<unsigned char>(size);
        if (!bytes.append(&small, 1)) return false;
    } else {
        const auto large = static_cast<std::uint32_t>(size);
        if (!bytes.append(&kLongerSize, 1) || !bytes.append(&large, sizeof large)) return false;
    }
    return bytes.append(cell.text.data(), size);
}

constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t in_huge_pages(std::size_t count) { return (count + kHugePage - 1) / kHugePage * kHugePage; }

}  // namespace

MappedBytes::~MappedBytes() {
    if (data_ != nullptr) ::munmap(data_, capacity_);
}

bool MappedBytes::reserve(std::size_t count) {
    if (count <= capacity_) return true;
    const std::size_t capacity = in_huge_pages(count);
    void* grown = nullptr;
    if (data_ == nullptr) {
        // One huge page more than needed, to begin on a huge page's edge.
        const std::size_t mapped = capacity + kHugePage;
        void* at = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (at == MAP_FAILED) return false;
        const auto start = reinterpret_cast<std::uintptr_t>(at);
        const std::uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
        if (aligned > start) ::munmap(at, aligned - start);
        const std::size_t tail = start + mapped - (aligned + capacity);
        if (tail > 0) ::munmap(reinterpret_cast<char*>(aligned + capacity), tail);
        grown = reinterpret_cast<void*>(aligned);
    } else {
        grown = ::mremap(data_, capacity_, capacity, MREMAP_MAYMOVE);
        if (grown == MAP_FAILED) return false;
    }
    ::madvise(grown, capacity, MADV_HUGEPAGE);
    data_ = static_cast<char*>(grown);
    capacity_ = capacity;
    return true;
}

bool MappedBytes::append(const void* bytes, std::size_t count) {
    if (size_ + count > capacity_ && !reserve(std::max(size_ + count, 2 * capacity_))) return false;
    std::memcpy(data_ + size_, bytes, count);
    size_ += count;
    return true;
}

std::optional<OrderedStatements> ordered_statements(const std::vector<Token>& tokens) {
    std::vector<std::size_t> solid;  // positions of the tokens that are not blanks
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind != Token::space) solid.push_back(i);
    }
    auto at = [&](std::size_t k) -> const Token* { return k < solid.size() ? &tokens[solid[k]] : nullptr; };
    if (!is_word(at(0), "SELECT")) return std::nullopt;
    // Items: *, name, t.name or t.*, separated by commas. Anything else (a
    // quantifier, TOP, an expression) may depend on the order of the rows.
    std::size_t k = 1;
    for (;;) {
        const Token* t = at(k);
        if (t != nullptr && is_char(*t, '*')) {
            ++k;
        } else if (plain_name(t)) {
            ++k;
            const Token* dot = at(k);
            if (dot != nullptr && is_char(*dot, '.')) {
                const Token* after = at(k + 1);
                if (!(plain_name(after) || (after != nullptr && is_char(*after, '*')))) return std::nullopt;
                k += 2;
            }
        } else {
            return std::nullopt;
        }
        const Token* next = at(k);
        if (next != nullptr && is_char(*next, ',')) {
            ++k;
            continue;
        }
        if (!is_word(next, "FROM")) return std::nullopt;
        break;
    }
    const std::size_t from = k;
    const bool ascending = is_word(at(from + 5), "ASC");
    if (!plain_name(at(from + 1)) || !is_word(at(from + 2), "ORDER") || !is_word(at(from + 3), "BY") ||
        !plain_name(at(from + 4)) || solid.size() != from + (ascending ? 6 : 5)) {
        return std::nullopt;
    }
    OrderedStatements out;
    out.scan = "SELECT _rowid_,";
    for (std::size_t i = solid[0] + 1; i < solid[from + 2]; ++i) out.scan += tokens[i].text;
    out.order = "SELECT _rowid_ FROM " + at(from + 1)->text + " ORDER BY " + at(from + 4)->text;
    return out;
}

bool read_rest_in_order(Stmt& stmt, std::size_t row_bytes) {
    if (!stmt.ordered_statements || stmt.max_rows != 0 || stmt.prepared == nullptr) return false;
    sqlite3* db = stmt.dbc->db;
    const std::string index = walked_index(db, sqlite3_sql(stmt.prepared), false);
    if (index.empty() || walked_index(db, stmt.ordered_statements->order.c_str(), true) != index) return false;

    // The row numbers of the rows not yet read, in the result's order. The
    // cursor's statement is still reading, so this read and the next see
    // the same rows as it: one read transaction holds all three.
    Prepared order(db, stmt.ordered_statements->order);
    if (order.get() == nullptr) return false;
    std::vector<sqlite3_int64> numbers;
    std::size_t skipped = 0;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(order.get())) == SQLITE_ROW) {
        if (skipped < stmt.rows_read) {
            ++skipped;
        } else {
            numbers.push_back(sqlite3_column_int64(order.get(), 0));
        }
    }
    if (rc != SQLITE_DONE || skipped < stmt.rows_read || numbers.empty()) return false;

    // Each row's place, by its number. Auto-numbers are dense; a table
    // whose numbers are scattered far apart keeps its rows in SQLite.
    sqlite3_int64 lowest = numbers[0], highest = numbers[0];
    for (const sqlite3_int64 n : numbers) {
        lowest = std::min(lowest, n);
        highest = std::max(highest, n);
    }
    const auto span = static_cast<std::uint64_t>(highest) - static_cast<std::uint64_t>(lowest);
    if (span > 4 * numbers.size() + (std::size_t{1} << 20)) return false;
    constexpr std::uint32_t kNoPlace = std::numeric_limits<std::uint32_t>::max();
    if (numbers.size() >= kNoPlace) return false;
    std::vector<std::uint32_t> place(static_cast<std::size_t>(span) + 1, kNoPlace);
    for (std::size_t r = 0; r < numbers.size(); ++r) place[static_cast<std::size_t>(numbers[r] - lowest)] =
        static_cast<std::uint32_t>(r);

    // The table straight through, each row kept where its place says.
    Prepared scan(db, stmt.ordered_statements->scan);
    const std::size_t n = stmt.columns.size();
    if (scan.get() == nullptr || sqlite3_column_count(scan.get()) != static_cast<int>(n) + 1) return false;
    auto rows = std::make_unique<Stmt::RowsInOrder>();
    rows->starts.assign(numbers.size(), Stmt::RowsInOrder::kNoRow);
    if (!rows->bytes.reserve(numbers.size() * (row_bytes + n) / 8 * 9)) return false;
    std::size_t placed = 0;
    std::string scratch;
    while ((rc = sqlite3_step(scan.get())) == SQLITE_ROW) {
        const sqlite3_int64 number = sqlite3_column_int64(scan.get(), 0);
        if (number < lowest || number > highest) continue;  // a row read before
        const std::uint32_t r = place[static_cast<std::size_t>(number - lowest)];
        if (r == kNoPlace) continue;
        if (rows->starts[r] != Stmt::RowsInOrder::kNoRow) return false;  // the number names two rows
        rows->starts[r] = rows->bytes.size();
        for (std::size_t i = 0; i < n; ++i) {
            if (!append_cell(rows->bytes,
                             view_of_live(scan.get(), static_cast<int>(i) + 1, stmt.columns[i].kind, scratch))) {
                return false;
            }
        }
        ++placed;
    }
    if (rc != SQLITE_DONE || placed != numbers.size()) return false;

    // Every row is in memory: the cursor's statement ends, and with it the
    // read transaction, so that other programs may write while the client
    // reads on.
    sqlite3_reset(stmt.prepared);
    stmt.prefetched = false;
    stmt.ahead.sqlite_done = true;
    stmt.rows_in_order = std::move(rows);
    return true;
}

bool next_row_in_order(Stmt& stmt) {
    Stmt::RowsInOrder* rows = stmt.rows_in_order.get();
    if (rows == nullptr || rows->next >= rows->starts.size()) return false;
    // The rows lie in the table's order: each one taken is a jump through
    // memory. The rows a few places on are asked for now, so that they
    // are in the cache by the time they are taken.
    constexpr std::size_t kAhead = 16;
    if (rows->next + kAhead < rows->starts.size()) {
        const char* later = rows->bytes.data() + rows->starts[rows->next + kAhead];
        for (int line = 0; line < 6; ++line) __builtin_prefetch(later + 64 * line);
    }
    const char* p = rows->bytes.data() + rows->starts[rows->next++];
    std::vector<CellView>& cells = rows->current;
    cells.resize(stmt.columns.size());
    for (CellView& cell : cells) {
        const auto mark = static_cast<unsigned char>(*p++);
        if (mark == kNullCell) {
            cell = {};
            continue;
        }
        std::uint32_t size = mark;
        if (mark == kLongerSize) {
            std::memcpy(&size, p, sizeof size);
            p += sizeof size;
        }
        cell = {false, std::string_view(p, size)};
        p += size;
    }
    ++stmt.rows_read;
    return true;
}

}  // namespace detalehran::odbc
