#include "jet_fixture_writer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <fstream>
#include <limits>
#include <map>

#include "store/text_fold.h"

namespace detalehran::jet::fixture {

namespace {

constexpr std::size_t kPage = 4096;
constexpr std::size_t kRowTable = 14;           // data page: row offsets start here
constexpr std::uint32_t kLvalTag = 0x4c41564c;  // "LVAL" where a data page names its table
constexpr std::size_t kMapBits = 59 * 8;        // pages a 64-byte inline usage map covers
constexpr std::uint32_t kTablesContainer = 0x0f000001;

using Page = std::array<unsigned char, kPage>;

void put16(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
void put32(unsigned char* p, std::uint32_t v) {
    put16(p, v);
    put16(p + 2, v >> 16);
}
void append16(std::string& s, std::uint32_t v) {
    s += static_cast<char>(v & 0xff);
    s += static_cast<char>((v >> 8) & 0xff);
}
void append32(std::string& s, std::uint32_t v) {
    append16(s, v);
    append16(s, v >> 16);
}

std::u16string utf16(const std::string& utf8) {
    std::u16string out;
    for (char32_t c : store::decode_utf8(utf8)) {
        if (c > 0xffff) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xd800 + (c >> 10));
            out += static_cast<char16_t>(0xdc00 + (c & 0x3ff));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

std::string ucs2(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) append16(out, c);
    return out;
}

// Jet 4's compressed form: 0xff 0xfe, then runs of one-byte characters and
// runs of two-byte ones, each switch marked by a zero byte. Kept only where
// it is shorter; a character with a zero low byte cannot be compressed.
std::string encode_text(const std::string& utf8, bool compress) {
    const std::u16string units = utf16(utf8);
    const std::string plain = ucs2(units);
    if (!compress || units.size() > 1024) return plain;
    std::string packed = "\xff\xfe";
    bool one_byte = true;
    for (char16_t c : units) {
        if ((c & 0xff) == 0) return plain;
        const bool want = (c >> 8) == 0;
        if (want != one_byte) {
            packed += '\0';
            one_byte = want;
        }
        packed += static_cast<char>(c & 0xff);
        if (!one_byte) packed += static_cast<char>(c >> 8);
    }
    return packed.size() < plain.size() ? packed : plain;
}

// Rows fill a data page from its end; their offsets follow the header.
class PageRows {
public:
    PageRows(Page* page, std::uint32_t owner) : page_(page) {
        page_->fill(0);
        (*page_)[0] = 0x01;
        (*page_)[1] = 0x01;
        put32(page_->data() + 4, owner);
        update();
    }
    bool fits(std::size_t size) const { return kRowTable + 2 * (rows_ + 1) + size <= high_; }
    std::uint32_t add(const std::string& row, std::uint32_t flags = 0) {
        high_ -= row.size();
        std::memcpy(page_->data() + high_, row.data(), row.size());
        put16(page_->data() + kRowTable + 2 * rows_, static_cast<std::uint32_t>(high_) | flags);
        ++rows_;
        update();
        return static_cast<std::uint32_t>(rows_ - 1);
    }

private:
    void update() {
        put16(page_->data() + 12, static_cast<std::uint32_t>(rows_));
        put16(page_->data() + 2, static_cast<std::uint32_t>(high_ - (kRowTable + 2 * rows_)));
    }
    Page* page_;
    std::size_t rows_ = 0;
    std::size_t high_ = kPage;
};

struct Layout {
    bool fixed = false;
    std::uint32_t size = 0;  // fixed size, or the text column's length in bytes
    std::uint32_t fixed_offset = 0;
    std::uint32_t var_index = 0;
};

std::vector<Layout> lay_out(const std::vector<Column>& columns, std::uint32_t* var_count) {
    std::vector<Layout> layout;
    std::uint32_t fixed_end = 0;
    *var_count = 0;
    for (const Column& c : columns) {
        Layout l;
        l.fixed = c.type == ColumnType::long_integer || c.type == ColumnType::currency;
        if (l.fixed) {
            l.size = c.type == ColumnType::currency ? 8 : 4;
            l.fixed_offset = fixed_end;
            fixed_end += l.size;
        } else {
            l.size = c.type == ColumnType::text ? 510 : 0;
            l.var_index = (*var_count)++;
        }
        layout.push_back(l);
    }
    return layout;
}

class FileBuilder {
public:
    std::uint32_t allocate() {
        pages_.emplace_back();
        pages_.back().fill(0);
        return static_cast<std::uint32_t>(pages_.size() - 1);
    }
    Page& page(std::uint32_t n) { return pages_[n]; }
    std::size_t count() const { return pages_.size(); }

    // Adds a row to the table's current data page (or a new one); returns
    // page << 8 | row.
    std::uint32_t add_row(std::uint32_t owner, const std::string& row, std::uint32_t* current,
                          std::vector<std::uint32_t>* owned, std::uint32_t flags = 0) {
        if (*current == 0 || !rows_of(*current, owner).fits(row.size())) {
            *current = allocate();
            open_.insert_or_assign(*current, PageRows(&pages_[*current], owner));
            if (owned) owned->push_back(*current);
        }
        return (*current << 8) | rows_of(*current, owner).add(row, flags);
    }

    // A long value: inline, in one long-value row, or in a chain of them.
    std::string memo_field(const std::string& raw) {
        std::string field;
        if (raw.size() <= 200) {
            append32(field, static_cast<std::uint32_t>(raw.size()) | 0x80000000u);
            append32(field, 0);
            append32(field, 0);
            return field + raw;
        }
        if (raw.size() <= 3000) {
            append32(field, static_cast<std::uint32_t>(raw.size()) | 0x40000000u);
            append32(field, add_row(kLvalTag, raw, &lval_, nullptr));
            append32(field, 0);
            return field;
        }
        // Chunks are written last first so that each knows its successor.
        constexpr std::size_t kChunk = 4000;
        std::uint32_t next = 0;
        const std::size_t chunks = (raw.size() + kChunk - 1) / kChunk;
        for (std::size_t k = chunks; k-- > 0;) {
            std::string row;
            append32(row, next);
            row += raw.substr(k * kChunk, kChunk);
            next = add_row(kLvalTag, row, &lval_, nullptr);
        }
        append32(field, static_cast<std::uint32_t>(raw.size()));
        append32(field, next);
        append32(field, 0);
        return field;
    }

    std::string bytes() const {
        std::string out;
        out.reserve(pages_.size() * kPage);
        for (const Page& p : pages_) out.append(reinterpret_cast<const char*>(p.data()), kPage);
        return out;
    }

private:
    PageRows& rows_of(std::uint32_t page, std::uint32_t) { return open_.at(page); }

    std::deque<Page> pages_;  // a deque keeps pages in place as it grows
    std::map<std::uint32_t, PageRows> open_;
    std::uint32_t lval_ = 0;
};

struct Written {
    std::uint32_t tdef = 0;
    std::vector<std::uint32_t> data_pages;
    std::uint32_t rows = 0;
    std::uint32_t next_autonumber = 0;
};

bool fail(std::string* error, const std::string& message) {
    *error = message;
    return false;
}

bool pack_row(FileBuilder& file, const Table& table, const std::vector<Layout>& layout, std::uint32_t var_count,
              const Row& row, bool compress, std::string* out, std::string* error) {
    const std::size_t n = table.columns.size();
    if (row.size() != n) return fail(error, table.name + ": a row has " + std::to_string(row.size()) + " values");
    std::uint32_t fixed_size = 0;
    for (const Layout& l : layout) fixed_size += l.fixed ? l.size : 0;
    std::string fixed(fixed_size, '\0');
    std::string var;
    std::vector<std::uint32_t> offsets;
    std::string mask((n + 7) / 8, '\0');
    const std::uint32_t var_start = 2 + fixed_size;
    for (std::size_t k = 0; k < n; ++k) {
        const Column& c = table.columns[k];
        const Value& v = row[k];
        if (!layout[k].fixed) offsets.push_back(var_start + static_cast<std::uint32_t>(var.size()));
        if (!v) continue;
        mask[k / 8] = static_cast<char>(mask[k / 8] | (1 << (k % 8)));
        const bool is_text = std::holds_alternative<std::string>(*v);
        if (c.type == ColumnType::long_binary ||
            is_text != (c.type == ColumnType::text || c.type == ColumnType::memo)) {
            return fail(error, table.name + "." + c.name + ": value of the wrong kind");
        }
        if (layout[k].fixed) {
            const std::int64_t number = std::get<std::int64_t>(*v);
            if (c.type == ColumnType::long_integer && (number < std::numeric_limits<std::int32_t>::min() ||
                                                       number > std::numeric_limits<std::int32_t>::max())) {
                return fail(error, table.name + "." + c.name + ": not a long integer");
            }
            auto* p = reinterpret_cast<unsigned char*>(fixed.data()) + layout[k].fixed_offset;
            put32(p, static_cast<std::uint32_t>(number));
            if (c.type == ColumnType::currency) put32(p + 4, static_cast<std::uint32_t>(number >> 32));
        } else if (c.type == ColumnType::text) {
            const std::string& text = std::get<std::string>(*v);
            if (utf16(text).size() > 255) return fail(error, table.name + "." + c.name + ": text over 255");
            var += encode_text(text, compress);
        } else {
            var += file.memo_field(encode_text(std::get<std::string>(*v), compress));
        }
    }
    std::string packed;
    append16(packed, static_cast<std::uint32_t>(n));
    packed += fixed;
    if (var_count > 0) {
        packed += var;
        append16(packed, static_cast<std::uint32_t>(packed.size()));  // end of data
        for (std::size_t k = offsets.size(); k-- > 0;) append16(packed, offsets[k]);
        append16(packed, var_count);
    }
    packed += mask;
    if (packed.size() > kPage - kRowTable - 2) return fail(error, table.name + ": a row does not fit a page");
    *out = std::move(packed);
    return true;
}

bool write_rows(FileBuilder& file, const Table& table, Written* written, std::string* error) {
    std::uint32_t var_count = 0;
    const std::vector<Layout> layout = lay_out(table.columns, &var_count);
    std::uint32_t current = 0;
    std::int64_t highest = 0;
    for (const Row& row : table.rows) {
        std::string packed;
        if (!pack_row(file, table, layout, var_count, row, table.compressed_text, &packed, error)) return false;
        file.add_row(written->tdef, packed, &current, &written->data_pages);
        for (std::size_t k = 0; k < table.columns.size(); ++k) {
            if (table.columns[k].autonumber && row[k]) highest = std::max(highest, std::get<std::int64_t>(*row[k]));
        }
    }
    constexpr std::uint32_t kDeletedRow = 0x4000;
    for (const Row& row : table.deleted_rows) {
        std::string packed;
        if (!pack_row(file, table, layout, var_count, row, table.compressed_text, &packed, error)) return false;
        file.add_row(written->tdef, packed, &current, &written->data_pages, kDeletedRow);
    }
    written->rows = static_cast<std::uint32_t>(table.rows.size());
    written->next_autonumber = table.next_autonumber ? table.next_autonumber : static_cast<std::uint32_t>(highest + 1);
    return true;
}

void write_definition(Page& page, const Table& table, const Written& written, std::uint32_t usage_map,
                      std::uint32_t free_map, bool system) {
    std::uint32_t var_count = 0;
    const std::vector<Layout> layout = lay_out(table.columns, &var_count);
    const bool has_autonumber =
        std::any_of(table.columns.begin(), table.columns.end(), [](const Column& c) { return c.autonumber; });
    std::string d(63, '\0');
    auto* h = reinterpret_cast<unsigned char*>(d.data());
    h[0] = 0x02;
    h[1] = 0x01;
    put32(h + 16, written.rows);
    put32(h + 20, has_autonumber ? written.next_autonumber : 0);
    h[24] = has_autonumber ? 1 : 0;
    h[40] = system ? 0x53 : 0x4e;
    const auto n = static_cast<std::uint32_t>(table.columns.size());
    put16(h + 41, n);
    put16(h + 43, var_count);
    put16(h + 45, n);
    put32(h + 55, usage_map);
    put32(h + 59, free_map);
    for (std::uint32_t k = 0; k < n; ++k) {
        const Column& c = table.columns[k];
        unsigned char e[25] = {};
        static constexpr unsigned char kType[] = {0x04, 0x05, 0x0a, 0x0c, 0x0b};
        e[0] = kType[static_cast<int>(c.type)];
        put16(e + 5, k);
        put16(e + 7, layout[k].fixed ? 0 : layout[k].var_index);
        put16(e + 9, k);
        if (c.type == ColumnType::text || c.type == ColumnType::memo) put16(e + 11, 0x0409);
        e[15] = static_cast<unsigned char>((layout[k].fixed ? 0x01 : 0) | 0x02 | (c.autonumber ? 0x04 : 0));
        e[16] = table.compressed_text && !layout[k].fixed ? 0x01 : 0;
        put16(e + 21, layout[k].fixed_offset);
        put16(e + 23, layout[k].size);
        d.append(reinterpret_cast<const char*>(e), sizeof e);
    }
    for (const Column& c : table.columns) {
        const std::string name = ucs2(utf16(c.name));
        append16(d, static_cast<std::uint32_t>(name.size()));
        d += name;
    }
    append16(d, 0xffff);
    put32(reinterpret_cast<unsigned char*>(d.data()) + 8, static_cast<std::uint32_t>(d.size() - 8));
    put16(reinterpret_cast<unsigned char*>(d.data()) + 2, static_cast<std::uint32_t>(kPage - d.size()));
    std::memcpy(page.data(), d.data(), d.size());
}

// An inline map (start page and bitmap) where the pages lie close together,
// otherwise a list of usage-map pages, each a bitmap of 32736 pages.
std::string usage_map(FileBuilder& file, const std::vector<std::uint32_t>& pages) {
    std::string map;
    const std::uint32_t first = pages.empty() ? 0 : pages.front();
    if (pages.empty() || pages.back() - first < kMapBits) {
        map += '\0';
        append32(map, first);
        map.append(59, '\0');
        for (std::uint32_t p : pages) map[5 + (p - first) / 8] |= static_cast<char>(1 << ((p - first) % 8));
        return map;
    }
    constexpr std::uint32_t kPerMapPage = (kPage - 4) * 8;
    std::vector<std::uint32_t> map_pages(pages.back() / kPerMapPage + 1, 0);
    map += '\x01';
    for (std::uint32_t p : pages) {
        std::uint32_t& holder = map_pages[p / kPerMapPage];
        if (holder == 0) {
            holder = file.allocate();
            file.page(holder)[0] = 0x05;
            file.page(holder)[1] = 0x01;
        }
        const std::uint32_t bit = p % kPerMapPage;
        file.page(holder)[4 + bit / 8] |= static_cast<unsigned char>(1 << (bit % 8));
    }
    for (std::uint32_t holder : map_pages) append32(map, holder);
    return map;
}

void rc4(const unsigned char* key, std::size_t key_size, unsigned char* data, std::size_t size) {
    unsigned char s[256];
    for (int i = 0; i < 256; ++i) s[i] = static_cast<unsigned char>(i);
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + key[i % key_size] + s[i]) & 0xff;
        std::swap(s[i], s[j]);
    }
    for (std::size_t k = 0, i = 0, j = 0; k < size; ++k) {
        i = (i + 1) & 0xff;
        j = (j + s[i]) & 0xff;
        std::swap(s[i], s[j]);
        data[k] ^= s[(s[i] + s[j]) & 0xff];
    }
}

// Page 0: the engine's name, version 1 (Jet 4), and the 128 bytes from 0x18
// masked with RC4 under the fixed key; inside them no database key, so the
// other pages are stored in clear, and the Russian sort order.
void write_header(Page& page) {
    page[1] = 0x01;
    std::memcpy(page.data() + 4, "Standard Jet DB", 16);
    page[0x14] = 0x01;
    put16(page.data() + 0x3c, 1251);
    put32(page.data() + 0x6e, 0x0419);
    const unsigned char key[4] = {0xc7, 0xda, 0x39, 0x6b};
    rc4(key, sizeof key, page.data() + 0x18, 128);
}

}  // namespace

std::vector<Column> item_columns() {
    return {{"Название"},
            {"Описание", ColumnType::memo},
            {"Расположение"},
            {"Количество", ColumnType::long_integer},
            {"Цена расходная", ColumnType::currency},
            {"Цена приходная", ColumnType::currency},
            {"Поставщик"},
            {"Путь"},
            {"Тип корпуса"},
            {"ID", ColumnType::long_integer, true},
            {"Datasheet"}};
}

Table package_table(const std::vector<std::string>& packages) {
    Table table{"Package", {{"Тип корпуса"}}, {}};
    for (const std::string& p : packages) table.rows.push_back({Value(p)});
    return table;
}

bool build_jet4_file(const std::vector<Table>& tables, std::string* bytes, std::string* error) {
    FileBuilder file;
    file.allocate();  // header
    file.allocate();  // usage maps of every table
    const std::uint32_t catalog_tdef = file.allocate();
    std::vector<Written> written(tables.size());
    for (std::size_t t = 0; t < tables.size(); ++t) {
        written[t].tdef = file.allocate();
        if (!write_rows(file, tables[t], &written[t], error)) return false;
    }
    Table catalog{"MSysObjects",
                  {{"Id", ColumnType::long_integer},
                   {"ParentId", ColumnType::long_integer},
                   {"Name"},
                   {"Type", ColumnType::long_integer},
                   {"Flags", ColumnType::long_integer},
                   {"LvProp", ColumnType::long_binary}},
                  {}};
    catalog.rows.push_back({Value(std::int64_t{catalog_tdef}), Value(std::int64_t{kTablesContainer}),
                            Value(std::string("MSysObjects")), Value(std::int64_t{1}),
                            Value(std::int64_t{static_cast<std::int32_t>(0x80000002u)}), std::nullopt});
    for (std::size_t t = 0; t < tables.size(); ++t) {
        catalog.rows.push_back({Value(std::int64_t{written[t].tdef}), Value(std::int64_t{kTablesContainer}),
                                Value(tables[t].name), Value(std::int64_t{1}), Value(std::int64_t{0}), std::nullopt});
    }
    Written catalog_written;
    catalog_written.tdef = catalog_tdef;
    if (!write_rows(file, catalog, &catalog_written, error)) return false;

    Page maps_page{};
    PageRows maps(&maps_page, 0);
    const std::string no_free_pages = usage_map(file, {});
    auto add_maps = [&](const Table& table, const Written& w, bool system) {
        const std::uint32_t used = (1u << 8) | maps.add(usage_map(file, w.data_pages));
        const std::uint32_t free = (1u << 8) | maps.add(no_free_pages);
        write_definition(file.page(w.tdef), table, w, used, free, system);
    };
    add_maps(catalog, catalog_written, true);
    for (std::size_t t = 0; t < tables.size(); ++t) add_maps(tables[t], written[t], false);
    file.page(1) = maps_page;
    write_header(file.page(0));
    *bytes = file.bytes();
    return true;
}

bool write_jet4_file(const std::string& path, const std::vector<Table>& tables, std::string* error) {
    std::string bytes;
    if (!build_jet4_file(tables, &bytes, error)) return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) return fail(error, "cannot write " + path);
    return true;
}

std::string field_size_flipped(std::string bytes) {
    // Store's definition is page 3, its first data page the next one owned
    // by it; its first row lies at that page's end: ... data, end of data,
    // the offsets of its variable columns, their count, the null mask.
    std::size_t page = 4;
    while ((page + 1) * kPage <= bytes.size() &&
           !(bytes[page * kPage] == 0x01 && bytes.compare(page * kPage + 4, 4, std::string("\x03\0\0\0", 4)) == 0)) {
        ++page;
    }
    const std::size_t row_end = (page + 1) * kPage;
    const std::size_t mask = (item_columns().size() + 7) / 8;
    const auto variable = static_cast<unsigned char>(bytes.at(row_end - mask - 2));
    // Its highest bit set: the end comes before the last field's start.
    auto& end_of_data = reinterpret_cast<unsigned char&>(bytes.at(row_end - mask - 2 - 2 * variable - 2));
    unsigned char bit = 0x80;
    while (bit > 1 && (end_of_data & bit) == 0) bit >>= 1;
    end_of_data ^= bit;
    return bytes;
}

std::string column_name_flipped(std::string bytes, const std::string& column) {
    const std::size_t at = bytes.find(ucs2(utf16(column)));
    if (at != std::string::npos) bytes[at] ^= 0x01;
    return bytes;
}

}  // namespace detalehran::jet::fixture
