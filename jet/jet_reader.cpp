#include "schema/store_columns.h"
#include "jet_reader.h"

#include <fcntl.h>
#include <mdbtools.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "jet_messages.h"
#include "library_output.h"
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

// The columns of Store and Temp: the old file's have the names of ours, in
// the order of JetItem's fields.
enum Field { kName, kDescription, kPlace, kQuantity, kSelling, kPurchase, kSupplier, kPath, kPackage, kId, kDatasheet };
constexpr std::array<std::string_view, schema::kItemColumnCount> kItemColumns = [] {
    std::array<std::string_view, schema::kItemColumnCount> names{};
    for (std::size_t k = 0; k < names.size(); ++k) names[k] = schema::kItemColumns[k].name;
    return names;
}();

// What a column must hold to be read exactly.
enum class Kind { text, whole, money };
constexpr std::array<Kind, schema::kItemColumnCount> kItemKinds = [] {
    std::array<Kind, schema::kItemColumnCount> kinds{};
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        const schema::Kind kind = schema::kItemColumns[k].kind;
        kinds[k] = kind == schema::Kind::money ? Kind::money : kind == schema::Kind::text ? Kind::text : Kind::whole;
    }
    return kinds;
}();

bool fail(std::string* error, std::string message) {
    if (error) *error = std::move(message);
    return false;
}

// Texts are decoded to UTF-8 whatever MDBICONV or MDB_JET3_CHARSET say. Jet 3
// stored the Windows code page of the machine that wrote the file; the old
// program ran on Russian Windows, so Windows-1251 unless the header names
// another Windows code page.
bool set_text_decoding(MdbHandle* mdb, const std::string& path, std::string* error) {
    std::string source = "UCS-2LE";
    if (mdb->f->jet_version == MDB_VER_JET3) {
        const unsigned page = mdb->f->code_page;
        source = (page >= 1250 && page <= 1258) || page == 874 ? "CP" + std::to_string(page) : "CP1251";
    }
    mdb_iconv_close(mdb);
    mdb->iconv_in = iconv_open("UTF-8", source.c_str());
    mdb->iconv_out = iconv_open(source.c_str(), "UTF-8");
    if (mdb->iconv_in == reinterpret_cast<iconv_t>(-1) || mdb->iconv_out == reinterpret_cast<iconv_t>(-1)) {
        return fail(error, "Тексты файла " + path + " не перевести из кодировки " + source + ".");
    }
    return true;
}

// bytes holds at most a page or a long text already checked against the
// file's size.
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

// Bytes of a fixed-size number of this Jet type; 0 for any other type.
int number_size(int type) {
    switch (type) {
        case MDB_BYTE:
            return 1;
        case MDB_INT:
            return 2;
        case MDB_LONGINT:
            return 4;
        case MDB_MONEY:
            return 8;
        default:
            return 0;
    }
}

// Why a column of this type cannot give values of that kind; empty when it can.
std::string unsuitable(Kind kind, int type) {
    const std::string jet_type = " (тип Jet " + std::to_string(type) + ")";
    switch (kind) {
        case Kind::text:
            return type == MDB_TEXT || type == MDB_MEMO ? "" : "в нём не текст" + jet_type;
        case Kind::whole:
            return type == MDB_BYTE || type == MDB_INT || type == MDB_LONGINT ? "" : "в нём не целые числа" + jet_type;
        case Kind::money:
            return number_size(type) > 0 ? "" : "в нём не денежные суммы" + jet_type;
    }
    return {};
}

// A type-1 usage map names the pages holding the map; libmdb ends the
// process when one of them lies beyond the end of the file, and follows a
// map it could not find into a null pointer.
bool usage_map_in_file(MdbHandle* mdb, const MdbTableDef* table, std::size_t file_size) {
    const unsigned char* map = table->usage_map;
    if (map == nullptr || table->map_sz < 1) return false;
    if (map[0] != 1) return true;
    const std::size_t pages = file_size / static_cast<std::size_t>(mdb->fmt->pg_size);
    for (std::size_t at = 1; at + 4 <= table->map_sz; at += 4) {
        const auto page =
            static_cast<std::uint32_t>(mdb_get_int32(const_cast<unsigned char*>(map), static_cast<int>(at)));
        if (page >= pages) return false;
    }
    return true;
}

// libmdb reads its catalog, the table MSysObjects on page 2, without those
// checks: its definition is looked at first as any other table's.
bool catalog_in_file(MdbHandle* mdb, std::size_t file_size) {
    constexpr unsigned long kCatalogPage = 2;
    if (!mdb_read_pg(mdb, kCatalogPage) || mdb->pg_buf[0] != MDB_PAGE_TABLE) return false;
    MdbCatalogEntry entry{};
    entry.mdb = mdb;
    entry.object_type = MDB_TABLE;
    entry.table_pg = kCatalogPage;
    std::strcpy(entry.object_name, "MSysObjects");
    const TablePtr catalog(mdb_read_table(&entry));
    return catalog && usage_map_in_file(mdb, catalog.get(), file_size);
}

// The reader of one table. Every field is checked to lie inside its row
// before a byte of it is used: libmdb hands on what a damaged file says.
class TableReader {
public:
    TableReader(MdbHandle* mdb, const std::string& file, std::size_t file_size, const std::string& table_name)
        : mdb_(mdb), file_(file), file_size_(file_size), name_(table_name) {}

    bool open(std::string* error) {
        MdbCatalogEntry* entry = nullptr;
        for (unsigned k = 0; k < mdb_->num_catalog; ++k) {
            auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb_->catalog, k));
            if (e->object_type == MDB_TABLE && store::compare_folded(e->object_name, name_) == 0) entry = e;
        }
        if (entry == nullptr && mdb_->num_catalog == 0) {
            return fail(error, "Файл " + file_ + " повреждён или обрезан: не читается список его таблиц.");
        }
        if (entry == nullptr) return fail(error, "В файле " + file_ + " нет таблицы " + name_ + ".");
        if (!mdb_read_pg(mdb_, entry->table_pg) || mdb_->pg_buf[0] != MDB_PAGE_TABLE) return damaged(error);
        next_autonumber_ = mdb_get_int32(mdb_->pg_buf, mdb_->f->jet_version == MDB_VER_JET3 ? 16 : 20);
        table_.reset(mdb_read_table(entry));
        if (!table_ || !mdb_read_columns(table_.get()) || !usage_map_in_file(mdb_, table_.get(), file_size_)) {
            return damaged(error);
        }
        fields_.resize(table_->num_cols);
        return true;
    }

    // Index into the table's columns, or -1 when it has none of that name
    // or one whose values are not of that kind (*why then says so).
    int column(std::string_view name, Kind kind, std::string* why) const {
        why->clear();
        for (unsigned k = 0; k < table_->num_cols; ++k) {
            if (store::compare_folded(col(k)->name, name) != 0) continue;
            *why = unsuitable(kind, col(k)->col_type);
            return why->empty() ? static_cast<int>(k) : -1;
        }
        return -1;
    }

    // Moves to the next row and splits it into fields; false at the end.
    bool next(std::string* error) {
        if (!mdb_fetch_row(table_.get())) return false;
        int start = 0;
        std::size_t size = 0;
        ++rows_;
        if (mdb_find_row(mdb_, static_cast<int>(table_->cur_row) - 1, &start, &size) != 0) return damaged(error);
        row_start_ = start & kRowOffsetMask;
        row_end_ = row_start_ + static_cast<long long>(size);
        if (row_end_ > mdb_->fmt->pg_size ||
            mdb_crack_row(table_.get(), static_cast<int>(row_start_), size, fields_.data()) < 0) {
            return damaged(error);
        }
        return true;
    }

    // Every row the table definition counts was read: nothing was lost to a
    // page missing at the end of the file or a row libmdb skipped.
    bool complete(std::string* error) const {
        if (rows_ == table_->num_rows) return true;
        return fail(error, "Файл " + file_ + " повреждён или обрезан: из таблицы " + name_ + " прочитано строк " +
                               std::to_string(rows_) + " из " + std::to_string(table_->num_rows) + ".");
    }

    bool text(int k, Text* out, std::string* error) {
        if (k < 0 || fields_[k].is_null) return *out = std::nullopt, true;
        if (!inside_row(k, 0, error)) return false;
        if (col(k)->col_type == MDB_MEMO) return long_text(k, out, error);
        *out = decode_text(mdb_, fields_[k].value, static_cast<std::size_t>(fields_[k].siz));
        return true;
    }

    bool integer(int k, std::optional<std::int32_t>* out, std::string* error) {
        if (k < 0 || fields_[k].is_null) return *out = std::nullopt, true;
        const int size = number_size(col(k)->col_type);
        if (!inside_row(k, size, error)) return false;
        if (size == 1) return *out = static_cast<const unsigned char*>(fields_[k].value)[0], true;
        return *out = static_cast<std::int32_t>(little_endian(fields_[k].value, size)), true;
    }

    // Currency is a 64-bit count of ten-thousandths: taken as it is, never
    // through a floating-point number.
    bool money(int k, std::optional<std::int64_t>* out, std::string* error) {
        if (k < 0 || fields_[k].is_null) return *out = std::nullopt, true;
        if (col(k)->col_type != MDB_MONEY) {
            std::optional<std::int32_t> whole;
            if (!integer(k, &whole, error)) return false;
            return *out = std::int64_t{*whole} * 10000, true;
        }
        if (!inside_row(k, 8, error)) return false;
        return *out = little_endian(fields_[k].value, 8), true;
    }

    // The table's next auto-number where the column is an auto-number and
    // the counter is one the program's IDs can reach; 0 otherwise.
    std::int64_t next_autonumber(int k) const {
        if (k < 0 || !col(k)->is_long_auto || next_autonumber_ <= 0 || next_autonumber_ > INT32_MAX) return 0;
        return next_autonumber_;
    }
    const std::string& name() const { return name_; }
    const std::string& file() const { return file_; }

private:
    MdbColumn* col(int k) const { return static_cast<MdbColumn*>(g_ptr_array_index(table_->columns, k)); }

    bool damaged(std::string* error) const {
        return fail(error, "Файл " + file_ + " повреждён или обрезан: не читается таблица " + name_ + ".");
    }

    bool bad_field(int k, const std::string& what, std::string* error) const {
        return fail(error, "Файл " + file_ + " повреждён: в таблице " + name_ + ", строке " + std::to_string(rows_) +
                               ", столбце «" + col(k)->name + "» " + what + ".");
    }

    // The field lies inside its row and, for a number, has the number's size.
    bool inside_row(int k, int size, std::string* error) const {
        const MdbField& f = fields_[k];
        const bool inside = f.siz >= 0 && f.start >= row_start_ && f.start + static_cast<long long>(f.siz) <= row_end_;
        if (inside && (size == 0 || f.siz == size)) return true;
        const std::string bytes = std::to_string(f.siz) + " байт";
        if (f.siz < 0) return bad_field(k, "размер поля " + bytes, error);
        if (!inside) return bad_field(k, "поле из " + bytes + " выходит за пределы строки", error);
        return bad_field(k, "число занимает " + bytes + " вместо " + std::to_string(size), error);
    }

    // A memo: its 12-byte head holds the length and where the text lies,
    // inline or in a chain of long-value rows; all of it must be there.
    bool long_text(int k, Text* out, std::string* error) {
        const MdbField& f = fields_[k];
        if (f.siz < MDB_MEMO_OVERHEAD) return bad_field(k, "у длинного текста нет заголовка", error);
        unsigned char head[MDB_MEMO_OVERHEAD];
        std::memcpy(head, f.value, sizeof head);
        const std::uint32_t expected = static_cast<std::uint32_t>(mdb_get_int32(head, 0)) & kLongValueLengthMask;
        // A length no file of this size can hold; a chain of pages that runs
        // in a circle also ends here.
        if (expected > file_size_) {
            return bad_field(k, "длина текста " + std::to_string(expected) + " байт больше самого файла", error);
        }
        MdbColumn* c = col(k);
        std::string chunk(static_cast<std::size_t>(mdb_->fmt->pg_size), '\0');
        c->bind_ptr = chunk.data();
        c->cur_value_start = f.start;
        c->cur_value_len = f.siz;
        std::string raw;
        std::size_t got = mdb_ole_read(mdb_, c, head, chunk.size());
        while (got > 0 && got <= chunk.size() && raw.size() + got <= expected) {
            raw.append(chunk.data(), got);
            got = mdb_ole_read_next(mdb_, c, head);
        }
        c->bind_ptr = nullptr;
        if (raw.size() != expected) {
            return bad_field(k,
                             "длинный текст неполон: прочитано " + std::to_string(raw.size()) + " байт из " +
                                 std::to_string(expected),
                             error);
        }
        *out = decode_text(mdb_, raw.data(), raw.size());
        return true;
    }

    MdbHandle* mdb_;
    std::string file_;
    std::size_t file_size_;
    std::string name_;
    TablePtr table_;
    std::vector<MdbField> fields_;
    unsigned rows_ = 0;
    long long row_start_ = 0;
    long long row_end_ = 0;
    std::int64_t next_autonumber_ = 0;
};

// One entry per column name; a column Temp lacks as Store does is one question.
void note_missing(std::vector<MissingColumn>* missing, std::string_view column, const std::string& table,
                  const std::string& why) {
    for (MissingColumn& known : *missing) {
        if (known.column == column && known.unreadable == why) return known.tables.push_back(table);
    }
    missing->push_back({std::string(column), {table}, why});
}

bool read_items(TableReader& table, std::vector<JetItem>* items, std::vector<MissingColumn>* missing,
                std::string* error) {
    std::array<int, kItemColumns.size()> at{};
    for (std::size_t k = 0; k < kItemColumns.size(); ++k) {
        std::string why;
        at[k] = table.column(kItemColumns[k], kItemKinds[k], &why);
        if (at[k] >= 0) continue;
        if (k == kId && why.empty()) {
            return fail(error, "В таблице " + table.name() + " файла " + table.file() +
                                   " нет столбца ID: детали нельзя различить.");
        }
        if (k == kId)
            return fail(error,
                        "Столбец ID таблицы " + table.name() + " файла " + table.file() + " не читается: " + why + ".");
        note_missing(missing, kItemColumns[k], table.name(), why);
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

bool read_packages(TableReader& table, std::vector<Text>* packages, std::vector<MissingColumn>* missing,
                   std::string* error) {
    std::string why;
    const int at = table.column(schema::kPackageColumn, Kind::text, &why);
    if (at < 0) {
        note_missing(missing, schema::kPackageColumn, table.name(), why);
        return true;
    }
    while (table.next(error)) {
        Text package;
        if (!table.text(at, &package, error)) return false;
        packages->push_back(std::move(package));
    }
    if (error && !error->empty()) return false;
    return table.complete(error);
}

bool read_whole(const std::string& path, JetStore* store, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return fail(error, "Файл " + path + " не найден.");
        return fail(error, "Файл " + path + " не открывается: " + system_reason(errno) + ".");
    }
    struct stat st {};
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    if (!regular) return fail(error, path + " — не файл базы данных, а папка или устройство.");
    if (store::probe_file(path) != store::FileKind::access_jet) {
        return fail(error, "Файл " + path + " — не база данных Access (Jet 3 или Jet 4).");
    }
    MdbPtr mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
    if (!mdb) return fail(error, "Файл " + path + " не открывается как база данных Access.");
    const int version = static_cast<int>(mdb->f->jet_version);
    if (version != MDB_VER_JET3 && version != MDB_VER_JET4) {
        return fail(error, "Файл " + path +
                               " создан версией Access, которую преобразование не читает: читаются файлы Access "
                               "97–2003 (Jet 3 и Jet 4).");
    }
    const auto page_size = static_cast<std::size_t>(mdb->fmt->pg_size);
    const auto file_size = static_cast<std::size_t>(st.st_size);
    if (file_size % page_size != 0 || file_size < 3 * page_size) {
        return fail(error, "Файл " + path + " обрезан: его размер не кратен странице в " + std::to_string(page_size) +
                               " байт.");
    }
    if (!set_text_decoding(mdb.get(), path, error)) return false;
    if (!catalog_in_file(mdb.get(), file_size) || !mdb_read_catalog(mdb.get(), MDB_TABLE)) {
        return fail(error, "Файл " + path + " повреждён или обрезан: не читается список его таблиц.");
    }

    JetStore result;
    result.jet_version = version == MDB_VER_JET3 ? 3 : 4;
    TableReader items(mdb.get(), path, file_size, "Store");
    if (!items.open(error) || !read_items(items, &result.items, &result.missing_columns, error)) return false;
    std::string why;
    result.next_autonumber = items.next_autonumber(items.column(schema::column_name(schema::kId), Kind::whole, &why));
    TableReader packages(mdb.get(), path, file_size, "Package");
    if (!packages.open(error) || !read_packages(packages, &result.packages, &result.missing_columns, error)) {
        return false;
    }
    TableReader parked(mdb.get(), path, file_size, "Temp");
    if (!parked.open(error) || !read_items(parked, &result.parked, &result.missing_columns, error)) return false;
    *store = std::move(result);
    return true;
}

}  // namespace

bool is_jet_file(const std::string& path) { return store::probe_file(path) == store::FileKind::access_jet; }

bool read_jet_store(const std::string& path, JetStore* store, std::string* error, std::string* details) {
    std::string scratch;
    if (error == nullptr) error = &scratch;
    error->clear();
    LibraryOutput printed;
    bool read = false;
    // Whatever goes wrong inside is this file's refusal, never the end of
    // the program that asked.
    try {
        read = read_whole(path, store, error);
    } catch (const std::bad_alloc&) {
        read = fail(error, "Файл " + path + " не прочитан: не хватило памяти.");
    } catch (const std::exception& e) {
        read = fail(error, "Файл " + path + " не прочитан: внутренняя ошибка (" + e.what() + ").");
    } catch (...) {
        read = fail(error, "Файл " + path + " не прочитан: внутренняя ошибка.");
    }
    const std::string said = printed.take();
    if (details) *details = said;
    return read;
}

}  // namespace detalehran::jet
