#include "jet_reader.h"

#include <mdbtools.h>
#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>

#include "store/store_schema.h"
#include "store/text_fold.h"

namespace detalehran::jet {

namespace {

// Where a row's start in the offset table carries flags.
constexpr int kRowOffsetMask = 0x1fff;
constexpr std::uint32_t kLongValueLengthMask = 0x3fffffff;

struct MdbCloser {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct TableFreer {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
using MdbPtr = std::unique_ptr<MdbHandle, MdbCloser>;
using TablePtr = std::unique_ptr<MdbTableDef, TableFreer>;

// The columns of Store and Temp, in the order of JetItem's fields.
enum Field { kName, kDescription, kPlace, kQuantity, kSelling, kPurchase, kSupplier, kPath, kPackage, kId, kDatasheet };
constexpr std::array<const char*, 11> kItemColumns = {
    "Название",  "Описание", "Расположение", "Количество", "Цена расходная", "Цена приходная",
    "Поставщик", "Путь",     "Тип корпуса",  "ID",         "Datasheet"};

bool fail(std::string* error, std::string message) {
    if (error) *error = std::move(message);
    return false;
}

// Texts are decoded to UTF-8 whatever MDBICONV or MDB_JET3_CHARSET say. Jet 3
// stored the Windows code page of the machine that wrote the file; the old
// program ran on Russian Windows, so Windows-1251 unless the header names
// another Windows code page.
bool set_text_decoding(MdbHandle* mdb, std::string* error) {
    std::string source = "UCS-2LE";
    if (mdb->f->jet_version == MDB_VER_JET3) {
        const unsigned page = mdb->f->code_page;
        source = (page >= 1250 && page <= 1258) || page == 874 ? "CP" + std::to_string(page) : "CP1251";
    }
    mdb_iconv_close(mdb);
    mdb->iconv_in = iconv_open("UTF-8", source.c_str());
    mdb->iconv_out = iconv_open(source.c_str(), "UTF-8");
    if (mdb->iconv_in == reinterpret_cast<iconv_t>(-1) || mdb->iconv_out == reinterpret_cast<iconv_t>(-1)) {
        return fail(error, "cannot decode texts from " + source);
    }
    return true;
}

std::string decode_text(MdbHandle* mdb, const void* bytes, std::size_t size) {
    if (size == 0) return {};
    // UCS-2 doubles at most into UTF-8; one compressed byte at most doubles.
    std::string out(size * 2 + 8, '\0');
    const int n = mdb_unicode2ascii(mdb, static_cast<const char*>(bytes), size, out.data(), out.size());
    out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return out;
}

std::int64_t little_endian(const void* value, int size) {
    const auto* p = static_cast<const unsigned char*>(value);
    std::uint64_t v = 0;
    for (int k = size; k-- > 0;) v = (v << 8) | p[k];
    // Sign-extend from the field's width.
    const int shift = 64 - 8 * size;
    return static_cast<std::int64_t>(v << shift) >> shift;
}

class TableReader {
public:
    TableReader(MdbHandle* mdb, const std::string& table_name, std::size_t page_count)
        : mdb_(mdb), name_(table_name), page_count_(page_count) {}

    bool open(std::string* error) {
        MdbCatalogEntry* entry = nullptr;
        for (unsigned k = 0; k < mdb_->num_catalog; ++k) {
            auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb_->catalog, k));
            if (e->object_type == MDB_TABLE && store::compare_folded(e->object_name, name_) == 0) entry = e;
        }
        if (entry == nullptr && mdb_->num_catalog == 0) {
            return fail(error, "the file's catalog cannot be read; the file is cut short or damaged");
        }
        if (entry == nullptr) return fail(error, "the file has no table " + name_);
        if (!mdb_read_pg(mdb_, entry->table_pg) || mdb_->pg_buf[0] != MDB_PAGE_TABLE) return damaged(error);
        next_autonumber_ = mdb_get_int32(mdb_->pg_buf, mdb_->f->jet_version == MDB_VER_JET3 ? 16 : 20);
        table_.reset(mdb_read_table(entry));
        if (!table_ || !mdb_read_columns(table_.get()) || !usage_map_in_file()) return damaged(error);
        fields_.resize(table_->num_cols);
        return true;
    }

    // Index into the table's columns, or -1 when it has none of that name.
    int column(const char* name) const {
        for (unsigned k = 0; k < table_->num_cols; ++k) {
            const auto* c = static_cast<MdbColumn*>(g_ptr_array_index(table_->columns, k));
            if (store::compare_folded(c->name, name) == 0) return static_cast<int>(k);
        }
        return -1;
    }

    // Moves to the next row and splits it into fields; false at the end.
    bool next(std::string* error) {
        if (!mdb_fetch_row(table_.get())) return false;
        int start = 0;
        std::size_t size = 0;
        if (mdb_find_row(mdb_, static_cast<int>(table_->cur_row) - 1, &start, &size) != 0 ||
            mdb_crack_row(table_.get(), start & kRowOffsetMask, size, fields_.data()) < 0) {
            damaged(error);
            return false;
        }
        ++rows_;
        return true;
    }

    // Every row the table definition counts was read: nothing was lost to a
    // page missing at the end of the file or a row libmdb skipped.
    bool complete(std::string* error) const {
        if (rows_ == table_->num_rows) return true;
        return fail(error, "table " + name_ + " is incomplete: " + std::to_string(rows_) + " of " +
                               std::to_string(table_->num_rows) +
                               " rows could be read; the file is cut short or "
                               "damaged");
    }

    bool text(int k, Text* out, std::string* error) {
        if (k < 0 || fields_[k].is_null) return *out = std::nullopt, true;
        const MdbColumn* c = col(k);
        if (c->col_type == MDB_TEXT) return *out = decode_text(mdb_, fields_[k].value, fields_[k].siz), true;
        if (c->col_type == MDB_MEMO) return long_text(k, out, error);
        return wrong_type(k, "text", error);
    }

    bool integer(int k, std::optional<std::int32_t>* out, std::string* error) {
        if (k < 0 || fields_[k].is_null) return *out = std::nullopt, true;
        switch (col(k)->col_type) {
            case MDB_BYTE:
                return *out = static_cast<const unsigned char*>(fields_[k].value)[0], true;
            case MDB_INT:
                return *out = static_cast<std::int32_t>(little_endian(fields_[k].value, 2)), true;
            case MDB_LONGINT:
                return *out = static_cast<std::int32_t>(little_endian(fields_[k].value, 4)), true;
            default:
                return wrong_type(k, "whole number", error);
        }
    }

    // Currency is a 64-bit count of ten-thousandths: taken as it is, never
    // through a floating-point number.
    bool money(int k, std::optional<std::int64_t>* out, std::string* error) {
        if (k < 0 || fields_[k].is_null) return *out = std::nullopt, true;
        if (col(k)->col_type != MDB_MONEY) {
            std::optional<std::int32_t> whole;
            if (!integer(k, &whole, nullptr)) return wrong_type(k, "currency", error);
            return *out = std::int64_t{*whole} * 10000, true;
        }
        return *out = little_endian(fields_[k].value, 8), true;
    }

    // The table's next auto-number where the column is an auto-number and
    // the counter is one the program's IDs can reach; 0 otherwise.
    std::int64_t next_autonumber(int k) const {
        if (k < 0 || !col(k)->is_long_auto || next_autonumber_ <= 0 || next_autonumber_ > INT32_MAX) return 0;
        return next_autonumber_;
    }
    const std::string& name() const { return name_; }

private:
    MdbColumn* col(int k) const { return static_cast<MdbColumn*>(g_ptr_array_index(table_->columns, k)); }

    bool damaged(std::string* error) const {
        return fail(error, "table " + name_ + " cannot be read; the file is cut short or damaged");
    }

    bool wrong_type(int k, const char* wanted, std::string* error) const {
        return fail(error, "column " + name_ + "." + col(k)->name + " is not a " + wanted + " column (Jet type " +
                               std::to_string(col(k)->col_type) + ")");
    }

    // A type-1 usage map names the pages holding the map; libmdb ends the
    // process when one of them lies beyond the end of the file.
    bool usage_map_in_file() const {
        const unsigned char* map = table_->usage_map;
        if (map == nullptr || table_->map_sz < 1) return false;
        if (map[0] != 1) return true;
        for (std::size_t at = 1; at + 4 <= table_->map_sz; at += 4) {
            const auto page =
                static_cast<std::uint32_t>(mdb_get_int32(const_cast<unsigned char*>(map), static_cast<int>(at)));
            if (page >= page_count_) return false;
        }
        return true;
    }

    // A memo: its 12-byte head holds the length and where the text lies,
    // inline or in a chain of long-value rows; all of it must be there.
    bool long_text(int k, Text* out, std::string* error) {
        const MdbField& f = fields_[k];
        if (f.siz < MDB_MEMO_OVERHEAD) return damaged(error);
        unsigned char head[MDB_MEMO_OVERHEAD];
        std::memcpy(head, f.value, sizeof head);
        const std::uint32_t expected = static_cast<std::uint32_t>(mdb_get_int32(head, 0)) & kLongValueLengthMask;
        MdbColumn* c = col(k);
        std::string chunk(static_cast<std::size_t>(mdb_->fmt->pg_size), '\0');
        c->bind_ptr = chunk.data();
        c->cur_value_start = f.start;
        c->cur_value_len = f.siz;
        std::string raw;
        std::size_t got = mdb_ole_read(mdb_, c, head, chunk.size());
        while (got > 0 && raw.size() + got <= expected) {
            raw.append(chunk.data(), got);
            got = mdb_ole_read_next(mdb_, c, head);
        }
        c->bind_ptr = nullptr;
        if (raw.size() != expected) {
            return fail(error, "a long text in table " + name_ + " is incomplete (" + std::to_string(raw.size()) +
                                   " of " + std::to_string(expected) + " bytes); the file is cut short or damaged");
        }
        *out = decode_text(mdb_, raw.data(), raw.size());
        return true;
    }

    MdbHandle* mdb_;
    std::string name_;
    std::size_t page_count_;
    TablePtr table_;
    std::vector<MdbField> fields_;
    unsigned rows_ = 0;
    std::int64_t next_autonumber_ = 0;
};

bool read_items(TableReader& table, std::vector<JetItem>* items, std::vector<std::string>* missing,
                std::string* error) {
    std::array<int, kItemColumns.size()> at{};
    for (std::size_t k = 0; k < kItemColumns.size(); ++k) {
        at[k] = table.column(kItemColumns[k]);
        if (at[k] >= 0) continue;
        if (k == kId) return fail(error, "table " + table.name() + " has no column ID");
        missing->push_back(table.name() + "." + kItemColumns[k]);
    }
    while (table.next(error)) {
        JetItem item;
        if (!table.text(at[kName], &item.name, error) || !table.text(at[kDescription], &item.description, error) ||
            !table.text(at[kPlace], &item.place, error) || !table.integer(at[kQuantity], &item.quantity, error) ||
            !table.money(at[kSelling], &item.selling_price, error) ||
            !table.money(at[kPurchase], &item.purchase_price, error) ||
            !table.text(at[kSupplier], &item.supplier, error) || !table.text(at[kPath], &item.section_path, error) ||
            !table.text(at[kPackage], &item.package, error) || !table.integer(at[kId], &item.id, error) ||
            !table.text(at[kDatasheet], &item.datasheet, error)) {
            return false;
        }
        items->push_back(std::move(item));
    }
    if (error && !error->empty()) return false;
    return table.complete(error);
}

bool read_packages(TableReader& table, std::vector<Text>* packages, std::string* error) {
    const int at = table.column("Тип корпуса");
    if (at < 0) return fail(error, "table Package has no column Тип корпуса");
    while (table.next(error)) {
        Text package;
        if (!table.text(at, &package, error)) return false;
        packages->push_back(std::move(package));
    }
    if (error && !error->empty()) return false;
    return table.complete(error);
}

}  // namespace

bool is_jet_file(const std::string& path) { return store::probe_file(path) == store::FileKind::access_jet; }

bool read_jet_store(const std::string& path, JetStore* store, std::string* error) {
    std::string scratch;
    if (error == nullptr) error = &scratch;
    error->clear();
    std::string detail;
    const store::FileKind kind = store::probe_file(path, &detail);
    if (kind != store::FileKind::access_jet) {
        if (kind == store::FileKind::missing || kind == store::FileKind::unreadable) {
            return fail(error, store::describe_refusal(kind, path) + " (" + detail + ")");
        }
        return fail(error, "File " + path + " is not an Access (Jet 3 or Jet 4) database");
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return fail(error, "Cannot read " + path + ": " + std::strerror(errno));
    MdbPtr mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
    if (!mdb) return fail(error, "File " + path + " cannot be opened as an Access database");
    const int version = static_cast<int>(mdb->f->jet_version);
    if (version != MDB_VER_JET3 && version != MDB_VER_JET4) {
        return fail(error, "File " + path + " is of an Access version this conversion does not read");
    }
    const auto page_size = static_cast<std::size_t>(mdb->fmt->pg_size);
    if (static_cast<std::size_t>(st.st_size) % page_size != 0 || static_cast<std::size_t>(st.st_size) < 3 * page_size) {
        return fail(error, "File " + path + " is cut short: its size is not a whole number of pages");
    }
    if (!set_text_decoding(mdb.get(), error)) return false;
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE)) return fail(error, "File " + path + ": its catalog cannot be read");

    JetStore result;
    result.jet_version = version == MDB_VER_JET3 ? 3 : 4;
    const std::size_t pages = static_cast<std::size_t>(st.st_size) / page_size;
    TableReader items(mdb.get(), "Store", pages);
    if (!items.open(error) || !read_items(items, &result.items, &result.missing_columns, error)) return false;
    result.next_autonumber = items.next_autonumber(items.column("ID"));
    TableReader packages(mdb.get(), "Package", pages);
    if (!packages.open(error) || !read_packages(packages, &result.packages, error)) return false;
    TableReader parked(mdb.get(), "Temp", pages);
    if (!parked.open(error) || !read_items(parked, &result.parked, &result.missing_columns, error)) return false;
    *store = std::move(result);
    return true;
}

}  // namespace detalehran::jet
