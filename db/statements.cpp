#include "db/statements.h"

#include <cstdint>
#include <vector>

namespace detalehran::db {

namespace {

// An identifier as the dialect quotes it.
std::string name(Dialect d, const char* identifier) {
    return d == Dialect::jet ? std::string("[") + identifier + "]" : std::string("\"") + identifier + "\"";
}

// The same statement built once for each dialect.
template <typename Build>
Statement in_both(Build build) {
    return Statement(build(Dialect::jet), build(Dialect::postgres));
}

// A pattern text that LIKE matches literally on a server: "\" escapes.
std::string backslash_literal(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '%' || c == '_' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

// Jet's LIKE on our driver ignores case; a server's LIKE does not, ILIKE does.
const char* like(Dialect d) { return d == Dialect::jet ? " LIKE " : " ILIKE "; }

bool is_integer(const std::string& text) {
    if (text.empty() || text.size() > 18) return false;
    const std::size_t first = text[0] == '-' ? 1 : 0;
    if (first == text.size()) return false;
    for (std::size_t k = first; k < text.size(); ++k) {
        if (text[k] < '0' || text[k] > '9') return false;
    }
    return true;
}

}  // namespace

std::string sql_text(const std::string& value) {
    std::string out;
    out.reserve(value.size() + 2);
    out += '\'';
    for (char c : value) {
        if (c == '\'') out += '\'';
        out += c;
    }
    out += '\'';
    return out;
}

Statement select_item(const std::string& id) {
    return in_both(
        [&](Dialect d) { return "SELECT * FROM " + name(d, "Store") + " WHERE " + name(d, "ID") + " = " + id; });
}

}  // namespace detalehran::db

namespace detalehran::db {

std::string like_literal(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '%' || c == '_' || c == '[') {
            out += '[';
            out += c;
            out += ']';
        } else {
            out += c;
        }
    }
    return out;
}

Statement select_items_by_name(const std::string& text) {
    return in_both([&](Dialect d) {
        // "[" would open a character list on a file: "[x]" would find "x"
        // and never the name "[x]" itself. On a server "\" would escape.
        std::string pattern = "%";
        for (char c : text) {
            if (d == Dialect::jet && c == '[') {
                pattern += "[[]";
            } else if (d == Dialect::postgres && c == '\\') {
                pattern += "\\\\";
            } else {
                pattern += c;
            }
        }
        pattern += '%';
        return "SELECT * FROM " + name(d, "Store") + " WHERE " + name(d, "Название") + like(d) + sql_text(pattern) +
               " ORDER BY " + name(d, "Название");
    });
}

namespace {

// "AND [column] = old", or IS NULL for an empty old value: the list shows an
// absent value as an empty cell.
std::string still_number(Dialect d, const char* column, const std::string& old) {
    if (old.empty()) return " AND " + name(d, column) + " IS NULL";
    // A cell that is no number matches no stored number.
    return " AND " + name(d, column) + " = " + (is_integer(old) ? old : sql_text(old));
}

std::string still_text(Dialect d, const char* column, const std::string& old) {
    if (!old.empty()) return " AND " + name(d, column) + " = " + sql_text(old);
    return " AND (" + name(d, column) + " = '' OR " + name(d, column) + " IS NULL)";
}

// Hundredths as a decimal number text: 1250 → "12.50", -5 → "-0.05".
std::string cents_text(std::int64_t cents) {
    const bool negative = cents < 0;
    const std::uint64_t n = negative ? 0 - static_cast<std::uint64_t>(cents) : static_cast<std::uint64_t>(cents);
    std::string fraction = std::to_string(n % 100);
    if (fraction.size() < 2) fraction.insert(0, "0");
    return (negative ? "-" : "") + std::to_string(n / 100) + "." + fraction;
}

// The list shows a price cut to the cent (12.3456 as 12.34): the stored
// value still matches when it lies in that cent, on the side away from zero.
std::string still_price(Dialect d, const char* column, const std::string& old) {
    if (old.empty()) return " AND " + name(d, column) + " IS NULL";
    std::size_t k = 0;
    const bool negative = old[0] == '-';
    if (negative) ++k;
    std::int64_t units = 0;
    std::size_t digits = 0;
    for (; k < old.size() && old[k] >= '0' && old[k] <= '9' && digits < 15; ++k, ++digits) {
        units = units * 10 + (old[k] - '0');
    }
    int cents = 0;
    std::size_t decimals = 0;
    if (k < old.size() && old[k] == '.') {
        for (++k; k < old.size() && old[k] >= '0' && old[k] <= '9' && decimals < 2; ++k, ++decimals) {
            cents = cents * 10 + (old[k] - '0');
        }
    }
    if (k != old.size() || digits + decimals == 0) return {};  // no price: nothing to compare with
    if (decimals == 1) cents *= 10;
    const std::int64_t at = units * 100 + cents;
    const std::string c = name(d, column);
    if (!negative) return " AND " + c + " >= " + cents_text(at) + " AND " + c + " < " + cents_text(at + 1);
    return " AND " + c + " > " + cents_text(-at - 1) + " AND " + c + " <= " + cents_text(-at);
}

}  // namespace

Statement set_item_quantity(const std::string& quantity, const std::string& id, const std::string& old) {
    return in_both([&](Dialect d) {
        return "UPDATE " + name(d, "Store") + " SET " + name(d, "Количество") + " = " + quantity + " WHERE " +
               name(d, "ID") + " =" + id + still_number(d, "Количество", old);
    });
}

}  // namespace detalehran::db

// Section trees and moving items between sections.
namespace detalehran::db {

namespace {

const char* column_identifier(StoreColumn column) { return column == kPlace ? "Расположение" : "Путь"; }

std::string under(Dialect d, StoreColumn column, const std::string& node_path) {
    const std::string literal = d == Dialect::jet ? like_literal(node_path) : backslash_literal(node_path);
    return name(d, column_identifier(column)) + like(d) + sql_text(literal + "%");
}

std::string delete_from(Dialect d) { return d == Dialect::jet ? "DELETE * FROM " : "DELETE FROM "; }

}  // namespace

Statement select_items_under(StoreColumn column, const std::string& node_path) {
    return in_both([&](Dialect d) {
        return "SELECT * FROM " + name(d, "Store") + " WHERE " + under(d, column, node_path) + " ORDER BY " +
               name(d, "Название");
    });
}

Statement select_paths_under(StoreColumn column, const std::string& node_path) {
    return in_both([&](Dialect d) {
        return "SELECT " + name(d, "ID") + ", " + name(d, column_identifier(column)) + " FROM " + name(d, "Store") +
               " WHERE " + under(d, column, node_path) + " ORDER BY " + name(d, "ID");
    });
}

Statement delete_items_under(StoreColumn column, const std::string& node_path) {
    return in_both(
        [&](Dialect d) { return delete_from(d) + name(d, "Store") + " WHERE " + under(d, column, node_path); });
}

Statement set_item_node_path(StoreColumn column, const std::string& path, const std::string& id) {
    return in_both([&](Dialect d) {
        return "UPDATE " + name(d, "Store") + " SET " + name(d, column_identifier(column)) + " = " + sql_text(path) +
               " WHERE " + name(d, "ID") + " = " + id;
    });
}

Statement select_distinct_paths(StoreColumn column) {
    return in_both([&](Dialect d) {
        return "SELECT DISTINCT " + name(d, column_identifier(column)) + " FROM " + name(d, "Store");
    });
}

Statement park_item(const std::string& id) {
    return in_both([&](Dialect d) {
        return "INSERT INTO " + name(d, "Temp") + " SELECT * FROM " + name(d, "Store") + " WHERE " + name(d, "ID") +
               " = " + id;
    });
}

Statement delete_stored_item(const std::string& id) {
    return in_both(
        [&](Dialect d) { return "DELETE FROM " + name(d, "Store") + " WHERE " + name(d, "ID") + " = " + id; });
}

Statement unpark_item(const std::string& id) {
    return in_both(
        [&](Dialect d) { return "DELETE FROM " + name(d, "Temp") + " WHERE " + name(d, "ID") + " = " + id; });
}

Statement stamp_parked(StoreColumn column, const std::string& path) {
    return in_both([&](Dialect d) {
        return "UPDATE " + name(d, "Temp") + " SET " + name(d, column_identifier(column)) + " = " + sql_text(path);
    });
}

}  // namespace detalehran::db

// Item commands of the list.
namespace detalehran::db {

Statement delete_item(const std::string& id) {
    return in_both(
        [&](Dialect d) { return "DELETE FROM " + name(d, "Store") + " WHERE " + name(d, "ID") + " =" + id; });
}

}  // namespace detalehran::db

namespace detalehran::db {

Statement update_item(const ItemValues& v, const ItemValues& old) {
    return in_both([&](Dialect d) {
        auto set = [&](const char* column) { return name(d, column) + "="; };
        return "UPDATE " + name(d, "Store") + " SET " + set("Название") + sql_text(v.name) + "," + set("Описание") +
               sql_text(v.description) + "," + set("Тип корпуса") + sql_text(v.package) + "," + set("Расположение") +
               sql_text(v.place) + "," + set("Количество") + v.quantity + "," + set("Цена расходная") + v.price + "," +
               set("Цена приходная") + v.purchase_price + "," + set("Поставщик") + sql_text(v.supplier) + ", " +
               set("Datasheet") + sql_text(v.datasheet) + " WHERE " + name(d, "ID") + " = " + v.id +
               still_text(d, "Название", old.name) + still_text(d, "Описание", old.description) +
               still_text(d, "Тип корпуса", old.package) + still_text(d, "Расположение", old.place) +
               still_number(d, "Количество", old.quantity) + still_price(d, "Цена расходная", old.price) +
               still_price(d, "Цена приходная", old.purchase_price) + still_text(d, "Поставщик", old.supplier) +
               still_text(d, "Datasheet", old.datasheet);
    });
}

Statement insert_item(const ItemValues& v) {
    return in_both([&](Dialect d) {
        std::string columns;
        for (const char* column : {"Название", "Описание", "Расположение", "Количество", "Цена расходная",
                                   "Цена приходная", "Поставщик", "Путь", "Тип корпуса", "Datasheet"}) {
            columns += (columns.empty() ? "" : ",") + name(d, column);
        }
        std::string text = "INSERT INTO " + name(d, "Store") + " (" + columns + ")VALUES (" + sql_text(v.name) + "," +
                           sql_text(v.description) + "," + sql_text(v.place) + "," + v.quantity + "," + v.price + "," +
                           v.purchase_price + "," + sql_text(v.supplier) + "," + sql_text(v.section_path) + "," +
                           sql_text(v.package) + "," + sql_text(v.datasheet) + ")";
        if (d == Dialect::postgres) text += R"( RETURNING "ID")";
        return text;
    });
}

Statement insert_package(const std::string& package) {
    // A type already there is no failure on a server: nothing to log.
    return {"INSERT INTO [Package] Values(" + sql_text(package) + ")",
            R"(INSERT INTO "Package" VALUES ()" + sql_text(package) + ") ON CONFLICT DO NOTHING"};
}

Statement delete_package(const std::string& package) {
    return in_both([&](Dialect d) {
        return "DELETE FROM " + name(d, "Package") + " WHERE " + name(d, "Тип корпуса") + " = " + sql_text(package);
    });
}

}  // namespace detalehran::db

namespace detalehran::db {

Statement insert_item_with_markers() {
    return in_both([](Dialect d) {
        std::string columns;
        for (const char* column : {"Название", "Описание", "Расположение", "Количество", "Цена расходная",
                                   "Цена приходная", "Поставщик", "Путь", "Тип корпуса", "Datasheet"}) {
            columns += (columns.empty() ? "" : ",") + name(d, column);
        }
        return "INSERT INTO " + name(d, "Store") + " (" + columns + ")VALUES (?,?,?,?,?,?,?,?,?,?)";
    });
}

}  // namespace detalehran::db
