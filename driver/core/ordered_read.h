#pragma once
// A long read of a whole table in the order of one of its columns, taken
// into memory. SQLite answers "SELECT ... FROM t ORDER BY c" by walking the
// index of c and looking up each row in the table: one lookup per row,
// scattered over the whole file. Once the file outgrows the processor's
// caches those lookups cost more than the rows themselves (a million parts
// read 14 times slower than a hundred thousand). Read instead the index
// alone for the order of the row numbers, then the table straight through,
// putting each row in its place: the same rows in the same order, within
// the same read transaction, with no lookups.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "sql_tokens.h"

namespace detalehran::odbc {

struct Stmt;

// Bytes mapped apart from the heap: they go back to the system whole when
// the read ends, and lie in huge pages where the system gives them (a
// million rows would touch 80,000 small pages, each a fault). Growing moves
// the pages, it does not copy them.
class MappedBytes {
public:
    MappedBytes() = default;
    ~MappedBytes();
    MappedBytes(const MappedBytes&) = delete;
    MappedBytes& operator=(const MappedBytes&) = delete;
    // False where the system refuses the memory.
    bool append(const void* bytes, std::size_t count);
    bool reserve(std::size_t count);
    const char* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

// The two statements that read a result of the shape
//   SELECT <columns> FROM <table> ORDER BY <column> [ASC]
// where every selected item is a column or a star.
struct OrderedStatements {
    std::string order;  // the row numbers in the result's order
    std::string scan;   // the row number, then the result's columns
};
std::optional<OrderedStatements> ordered_statements(const std::vector<Token>& tokens);

// A live cursor this many rows into its result reads the rest into memory:
// a client that looks at the first rows only does not pay for the table.
inline constexpr std::size_t kRowsBeforeMemory = 4096;

// Reads the rest of a live cursor's rows into memory in the result's order
// and ends SQLite's statement, when SQLite walks an index for the order and
// the same index gives the row numbers. False, with the cursor as it was,
// where it does not or anything fails; the rows then come from SQLite.
// `row_bytes` is the text a row took so far, to size the memory by.
bool read_rest_in_order(Stmt& stmt, std::size_t row_bytes);

// Moves to the next row held in memory, whose values current_cell then
// gives; false at the end, or where no rows are held.
bool next_row_in_order(Stmt& stmt);

}  // namespace detalehran::odbc
