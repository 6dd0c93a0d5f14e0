#include "schema/store_columns.h"

#include "schema/money.h"

namespace detalehran::schema {

namespace {

constexpr std::string_view kFileTextType = " TEXT COLLATE JETCI";
// Text sorts and compares as people expect in every alphabet (a cluster's
// own C.UTF-8 would put "Ёлка" before "а").
constexpr std::string_view kServerTextType = " text COLLATE \"und-x-icu\"";

std::string file_column(const ColumnSpec& c, std::string_view id_declaration) {
    const std::string name = quoted(Quote::double_quotes, c.name);
    switch (c.kind) {
        case Kind::text:
            return name + std::string(kFileTextType);
        case Kind::integer:
            // The CHECKs give Jet's answers to values of the wrong kind or
            // out of range.
            return name + " INTEGER CONSTRAINT " + quoted(Quote::double_quotes, "type_" + std::string(c.name)) +
                   " CHECK (typeof(" + name + ") IN ('integer','null') AND " + name +
                   " BETWEEN -2147483648 AND 2147483647)";
        case Kind::money:
            // Money stays numeric, so that it always reads back as an amount.
            return name + " MONEY CONSTRAINT " + quoted(Quote::double_quotes, "type_" + std::string(c.name)) +
                   " CHECK (typeof(" + name + ") IN ('integer','real','null') AND abs(" + name + ") < " +
                   std::to_string(kMoneyWholeLimit) + ")";
        case Kind::id:
            return name + " " + std::string(id_declaration);
    }
    return name;
}

std::string server_column(const ColumnSpec& c, std::string_view id_declaration) {
    const std::string name = quoted(Quote::double_quotes, c.name);
    switch (c.kind) {
        case Kind::text:
            return name + std::string(kServerTextType);
        case Kind::integer:
            return name + " integer";
        case Kind::money:
            return name + " numeric(19,4)";
        case Kind::id:
            return name + " " + std::string(id_declaration);
    }
    return name;
}

template <typename Column>
std::string joined_columns(std::string_view id_declaration, Column column) {
    std::string out;
    for (const ColumnSpec& c : kItemColumns) out += (out.empty() ? "" : ", ") + column(c, id_declaration);
    return out;
}

std::string file_table(std::string_view table, std::string_view id_declaration) {
    return "CREATE TABLE " + quoted(Quote::double_quotes, table) + " (" + joined_columns(id_declaration, file_column) +
           ");";
}

}  // namespace

std::string quoted(Quote quote, std::string_view name) {
    const char open = quote == Quote::brackets ? '[' : '"';
    const char close = quote == Quote::brackets ? ']' : '"';
    std::string out(1, open);
    for (char c : name) {
        if (c == close) out += close;
        out += c;
    }
    out += close;
    return out;
}

std::string insert_column_list(Quote quote, WithId id, std::string_view separator) {
    std::string out;
    for (const ColumnSpec& c : kItemColumns) {
        if (c.kind == Kind::id && id == WithId::no) continue;
        if (!out.empty()) out += separator;
        out += quoted(quote, c.name);
    }
    return out;
}

std::string insert_with_markers(Quote quote, std::string_view table, WithId id) {
    std::string markers;
    for (std::size_t k = 0; k < insert_column_count(id); ++k) markers += k == 0 ? "?" : ",?";
    return "INSERT INTO " + quoted(quote, table) + " (" + insert_column_list(quote, id) + ")VALUES (" + markers + ")";
}

std::string sqlite_schema() {
    return file_table(kStoreTable, "INTEGER PRIMARY KEY AUTOINCREMENT") + sqlite_indexes() +
           "CREATE TABLE " + quoted(Quote::double_quotes, kPackageTable) + " (" +
           quoted(Quote::double_quotes, kPackageColumn) + std::string(kFileTextType) + " NOT NULL PRIMARY KEY);" +
           file_table(kParkedTable, "INTEGER PRIMARY KEY");
}

std::vector<std::string> sqlite_index_names() {
    std::vector<std::string> out;
    for (const ColumnSpec& c : kItemColumns) {
        if (c.indexed) out.push_back(std::string(kStoreTable) + "_" + std::string(c.name));
    }
    return out;
}

std::string sqlite_indexes() {
    std::string out;
    for (const ColumnSpec& c : kItemColumns) {
        if (!c.indexed) continue;
        out += "CREATE INDEX IF NOT EXISTS " +
               quoted(Quote::double_quotes, std::string(kStoreTable) + "_" + std::string(c.name)) + " ON " +
               quoted(Quote::double_quotes, kStoreTable) + " (" + quoted(Quote::double_quotes, c.name) + ");";
    }
    return out;
}

std::string postgres_item_columns(std::string_view id_declaration) {
    return joined_columns(id_declaration, server_column);
}

std::string postgres_store_table() {
    return "CREATE TABLE public." + quoted(Quote::double_quotes, kStoreTable) + " (" +
           postgres_item_columns("integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY") + ")";
}

std::string postgres_package_table() {
    // A package type is one whatever its case, as on a file; a hash keeps
    // types of any length unique, where a b-tree refuses long ones.
    const std::string column = quoted(Quote::double_quotes, kPackageColumn);
    return "CREATE TABLE public." + quoted(Quote::double_quotes, kPackageTable) + " (" + column +
           std::string(kServerTextType) + " NOT NULL, CONSTRAINT " +
           quoted(Quote::double_quotes, std::string(kPackageTable) + "_" + std::string(kPackageColumn)) +
           " EXCLUDE USING hash (lower(" + column + ") WITH =))";
}

std::vector<std::string> postgres_part_indexes() {
    // A name, section or place is found by a part of it, case aside (ILIKE):
    // trigram indexes spare the server reading every row for that.
    std::vector<std::string> out;
    for (const ColumnSpec& c : kItemColumns) {
        if (!c.searched_by_part) continue;
        out.push_back("CREATE INDEX " + quoted(Quote::double_quotes, std::string(kStoreTable) + "_" + std::string(c.name)) +
                      " ON public." + quoted(Quote::double_quotes, kStoreTable) + " USING gin (" +
                      quoted(Quote::double_quotes, c.name) + " public.gin_trgm_ops)");
    }
    return out;
}

}  // namespace detalehran::schema
