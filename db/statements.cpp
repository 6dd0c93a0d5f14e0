#include "db/statements.h"

#include <sql.h>

#include <algorithm>
#include <cstdint>
#include <optional>

#include "db/statement_builder.h"

namespace detalehran::db {

namespace {

// Jet's LIKE on our driver ignores case; a server's LIKE does not, ILIKE does.
std::string_view like(const Build& b) { return b.jet() ? " LIKE " : " ILIKE "; }
std::string_view delete_from(const Build& b) { return b.jet() ? "DELETE * FROM " : "DELETE FROM "; }
// Every column of an item, in order: "*" on a file, where Temp is Store's
// twin; named on a server, whose Temp has the role besides.
std::string item_columns(const Build& b) {
    return b.jet() ? "*" : schema::insert_column_list(schema::Quote::double_quotes, schema::WithId::yes, ", ");
}

std::optional<std::int64_t> integer_of(const std::string& text) {
    if (text.empty() || text.size() > 18) return std::nullopt;
    std::int64_t value = 0;
    const std::size_t first = text[0] == '-' ? 1 : 0;
    if (first == text.size()) return std::nullopt;
    for (std::size_t k = first; k < text.size(); ++k) {
        if (text[k] < '0' || text[k] > '9') return std::nullopt;
        value = value * 10 + (text[k] - '0');
    }
    return first == 1 ? -value : value;
}

// "AND [column] = ?" with the old value, or IS NULL for an empty old value:
// the list shows an absent value as an empty cell.
void still_number(Build& b, StoreColumn column, const std::string& old) {
    b << " AND ";
    if (old.empty()) {
        b.column(column) << " IS NULL";
    } else if (integer_of(old)) {
        b.column(column) << " = ";
        b.bind_integer(old);
    } else {
        // A cell that is no number matches no stored number.
        b << "1 = 0";
    }
}

void still_text(Build& b, StoreColumn column, const std::string& old) {
    if (!old.empty()) {
        b << " AND ";
        b.column(column) << " = ";
        b.bind_text(old);
        return;
    }
    b << " AND (";
    b.column(column) << " = '' OR ";
    b.column(column) << " IS NULL)";
}

// The list shows a price cut to the cent (12.3456 as 12.34): the stored
// value still matches when it lies in that cent, on the side away from zero.
void still_price(Build& b, StoreColumn column, const std::string& old) {
    if (old.empty()) {
        b << " AND ";
        b.column(column) << " IS NULL";
        return;
    }
    const std::optional<schema::Money> shown = schema::parse_money(old);
    if (!shown || shown->units() % 100 != 0) return;  // no price as the list shows one: nothing to compare with
    const std::int64_t at = shown->units();
    const bool negative = old[0] == '-';
    const auto bound = [&](const char* op, std::int64_t units) {
        b << " AND ";
        b.column(column) << op;
        b.bind(money_value(schema::Money::from_units(units)));
    };
    if (!negative) {
        bound(" >= ", at);
        bound(" < ", at + 100);
    } else {
        bound(" > ", at - 100);
        bound(" <= ", at);
    }
}

Value money_or_text(const std::string& text) {
    const std::optional<schema::Money> amount = schema::parse_money(text);
    // The editor lets only amounts through; anything else is refused by the
    // database as it stands.
    return amount ? money_value(*amount) : text_value(text);
}

void under(Build& b, StoreColumn column, const std::string& node_path) {
    b.column(column) << like(b);
    b.bind_text(like_escaped(b.dialect(), node_path, Wildcards::literal) + "%");
}

}  // namespace

std::string like_escaped(Dialect dialect, const std::string& text, Wildcards wildcards) {
    const bool literal = wildcards == Wildcards::literal;
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const bool wildcard = c == '%' || c == '_';
        if (dialect == Dialect::jet && (c == '[' || (literal && wildcard))) {
            out += '[';
            out += c;
            out += ']';
        } else if (dialect == Dialect::postgres && (c == '\\' || (literal && wildcard))) {
            out += '\\';
            out += c;
        } else {
            out += c;
        }
    }
    return out;
}

ParameterType parameter_type(Value::Type type, std::size_t length) {
    switch (type) {
        case Value::Type::integer:
            return {SQL_INTEGER, 10, 0};
        case Value::Type::money:
            return {SQL_DECIMAL, 19, 4};
        case Value::Type::text:
            break;
    }
    return {SQL_VARCHAR, std::max<unsigned long>(length, 1), 0};
}

const std::string& ItemValues::operator[](StoreColumn column) const {
    const std::string* const fields[schema::kItemColumnCount] = {
        &name,     &description,  &place,   &quantity, &price,    &purchase_price,
        &supplier, &section_path, &package, &id,       &datasheet};
    return *fields[static_cast<std::size_t>(column)];
}

std::string& ItemValues::operator[](StoreColumn column) {
    return const_cast<std::string&>(static_cast<const ItemValues&>(*this)[column]);
}

const Statement kSelectAllItems = in_both([](Build& b) {
    b << "SELECT * FROM ";
    b.store() << " ORDER BY ";
    b.column(kName);
});
const Statement kSelectParked = in_both([](Build& b) {
    b << "SELECT " << item_columns(b) << " FROM ";
    b.parked().own_parked_rows(" WHERE ");
});
const Statement kEmptyParked = in_both([](Build& b) {
    b << delete_from(b);
    b.parked().own_parked_rows(" WHERE ");
});
const Statement kReturnParked = in_both([](Build& b) {
    b << "INSERT INTO ";
    b.store() << (b.jet() ? " SELECT * FROM " : " OVERRIDING SYSTEM VALUE SELECT " + item_columns(b) + " FROM ");
    b.parked().own_parked_rows(" WHERE ") << (b.jet() ? " WHERE " : " AND ");
    b.column(kId) << " NOT IN (SELECT ";
    b.column(kId) << " FROM ";
    b.store() << ")";
});
const Statement kDropReturnedParked = in_both([](Build& b) {
    b << delete_from(b);
    b.parked().own_parked_rows(" WHERE ") << (b.jet() ? " WHERE " : " AND ");
    b.column(kId) << " IN (SELECT ";
    b.column(kId) << " FROM ";
    b.store() << ")";
});

Statement select_item(const std::string& id) {
    return in_both([&](Build& b) {
        b << "SELECT * FROM ";
        b.store() << " WHERE ";
        b.column(kId) << " = ";
        b.bind_integer(id);
    });
}

Statement select_items_by_name(const std::string& text) {
    return in_both([&](Build& b) {
        b << "SELECT * FROM ";
        b.store() << " WHERE ";
        b.column(kName) << like(b);
        b.bind_text("%" + like_escaped(b.dialect(), text, Wildcards::keep) + "%") << " ORDER BY ";
        b.column(kName);
    });
}

namespace {

// The characters of a UTF-8 text, each as its own bytes.
std::vector<std::string> characters(const std::string& text) {
    std::vector<std::string> out;
    for (std::size_t k = 0; k < text.size();) {
        std::size_t next = k + 1;
        while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80) ++next;
        out.push_back(text.substr(k, next - k));
        k = next;
    }
    return out;
}

// One place of a name pattern: SQLite's GLOB on a file, a regular
// expression on a server. Both compare letter case as it is.
std::string pattern_place(Dialect d, const std::string& allowed) {
    const std::vector<std::string> chars = characters(allowed);
    if (chars.empty()) return d == Dialect::jet ? "?" : ".";
    auto special = [d](const std::string& c, const char* jet) {
        return c.size() == 1 &&
               std::string(d == Dialect::jet ? jet : "\\.^$|()[]{}*+?-").find(c[0]) != std::string::npos;
    };
    if (chars.size() == 1) {
        if (!special(chars[0], "*?[")) return chars[0];
        return d == Dialect::jet ? "[" + chars[0] + "]" : "\\" + chars[0];
    }
    // In a list on a file, where nothing escapes, "]" goes first, "^" never
    // first and "-" where it cannot make a range.
    std::string list = "[";
    bool close = false, caret = false, dash = false;
    for (const std::string& c : chars) {
        if (!special(c, "]^-")) {
            list += c;
        } else if (d == Dialect::postgres) {
            list += "\\" + c;
        } else {
            close = close || c == "]";
            caret = caret || c == "^";
            dash = dash || c == "-";
        }
    }
    if (close) list.insert(1, "]");
    if (list.size() == 1 && dash) {
        list += "-";
        dash = false;
    }
    if (caret) list += "^";
    if (dash) list += "-";
    return list + "]";
}

void name_contains(Build& b, const std::string& text) {
    b.column(kName) << like(b);
    b.bind_text("%" + like_escaped(b.dialect(), text, Wildcards::keep) + "%");
}

}  // namespace

Statement select_items_by_name_or_patterns(const std::string& text,
                                           const std::vector<std::vector<NamePattern>>& groups) {
    return in_both([&](Build& b) {
        b << "SELECT *, " << (b.jet() ? "IIf(" : "CASE WHEN ");
        name_contains(b, text);
        b << (b.jet() ? ", 1, 0)" : " THEN 1 ELSE 0 END") << " FROM ";
        b.store() << " WHERE ";
        name_contains(b, text);
        b << " OR (";
        bool any = false;
        for (const std::vector<NamePattern>& group : groups) {
            if (group.empty()) continue;
            b << (any ? " AND (" : "(");
            any = true;
            if (b.jet()) {
                bool first = true;
                for (const NamePattern& pattern : group) {
                    std::string run;
                    for (const std::string& place : pattern) run += pattern_place(b.dialect(), place);
                    if (!first) b << " OR ";
                    first = false;
                    b.column(kName) << " GLOB ";
                    b.bind_text("*" + run + "*");
                }
            } else {
                std::string either;
                for (const NamePattern& pattern : group) {
                    std::string run;
                    for (const std::string& place : pattern) run += pattern_place(b.dialect(), place);
                    either += (either.empty() ? "" : "|") + run;
                }
                b.column(kName) << " ~ ";
                b.bind_text(either);
            }
            b << ")";
        }
        if (!any) b << "1 = 1";
        b << ") ORDER BY ";
        b.column(kName);
    });
}

Statement set_item_quantity(const std::string& quantity, const std::string& id, const std::string& old) {
    return in_both([&](Build& b) {
        b << "UPDATE ";
        b.store() << " SET ";
        b.column(kQuantity) << " = ";
        b.bind_integer(quantity) << " WHERE ";
        b.column(kId) << " =";
        b.bind_integer(id);
        still_number(b, kQuantity, old);
    });
}

}  // namespace detalehran::db

// Section trees and moving items between sections.
namespace detalehran::db {

Statement select_items_under(StoreColumn column, const std::string& node_path) {
    return in_both([&](Build& b) {
        b << "SELECT * FROM ";
        b.store() << " WHERE ";
        under(b, column, node_path);
        b << " ORDER BY ";
        b.column(kName);
    });
}

Statement select_paths_under(StoreColumn column, const std::string& node_path) {
    return in_both([&](Build& b) {
        b << "SELECT ";
        b.column(kId) << ", ";
        b.column(column) << " FROM ";
        b.store() << " WHERE ";
        under(b, column, node_path);
        b << " ORDER BY ";
        b.column(kId);
    });
}

Statement delete_items_under(StoreColumn column, const std::string& node_path) {
    return in_both([&](Build& b) {
        b << delete_from(b);
        b.store() << " WHERE ";
        under(b, column, node_path);
    });
}

Statement set_item_node_path(StoreColumn column, const std::string& path, const std::string& id) {
    return in_both([&](Build& b) {
        b << "UPDATE ";
        b.store() << " SET ";
        b.column(column) << " = ";
        b.bind_text(path) << " WHERE ";
        b.column(kId) << " = ";
        b.bind_integer(id);
    });
}

Statement select_distinct_paths(StoreColumn column) {
    return in_both([&](Build& b) {
        b << "SELECT DISTINCT ";
        b.column(column) << " FROM ";
        b.store();
    });
}

Statement park_item(const std::string& id) {
    // A server's Temp marks each row with the role that parked it.
    return in_both([&](Build& b) {
        b << "INSERT INTO ";
        b.parked() << (b.jet() ? " SELECT * FROM " : " (" + item_columns(b) + ") SELECT " + item_columns(b) + " FROM ");
        b.store() << " WHERE ";
        b.column(kId) << " = ";
        b.bind_integer(id);
    });
}

Statement delete_stored_item(const std::string& id) {
    return in_both([&](Build& b) {
        b << "DELETE FROM ";
        b.store() << " WHERE ";
        b.column(kId) << " = ";
        b.bind_integer(id);
    });
}

Statement unpark_item(const std::string& id) {
    return in_both([&](Build& b) {
        b << "DELETE FROM ";
        b.parked() << " WHERE ";
        b.column(kId) << " = ";
        b.bind_integer(id);
        b.own_parked_rows(" AND ");
    });
}

Statement stamp_parked(StoreColumn column, const std::string& path) {
    return in_both([&](Build& b) {
        b << "UPDATE ";
        b.parked() << " SET ";
        b.column(column) << " = ";
        b.bind_text(path);
        b.own_parked_rows(" WHERE ");
    });
}

}  // namespace detalehran::db

// Item commands of the list.
namespace detalehran::db {

Statement delete_item(const std::string& id) {
    return in_both([&](Build& b) {
        b << "DELETE FROM ";
        b.store() << " WHERE ";
        b.column(kId) << " =";
        b.bind_integer(id);
    });
}

}  // namespace detalehran::db

namespace detalehran::db {

const Statement kSelectPackages = in_both([](Build& b) {
    b << "SELECT * FROM ";
    b.name(schema::kPackageTable) << " ORDER BY ";
    b.name(schema::kPackageColumn);
});
const Statement kSelectSuppliers = in_both([](Build& b) {
    b << "SELECT DISTINCT ";
    b.column(kSupplier) << " FROM ";
    b.store();
});
const Statement kSelectIdsDescending = in_both([](Build& b) {
    b << "SELECT ";
    b.column(kId) << " FROM ";
    b.store() << " ORDER BY ";
    b.column(kId) << " DESC";
});

Statement update_item(const ItemValues& v, const ItemValues& old) {
    // The editor's columns in the order the program has always written them;
    // the section path stays where the item is filed.
    static constexpr StoreColumn kRewritten[] = {kName,  kDescription,   kPackage,  kPlace,    kQuantity,
                                                 kPrice, kPurchasePrice, kSupplier, kDatasheet};
    return in_both([&](Build& b) {
        b << "UPDATE ";
        b.store() << " SET ";
        for (StoreColumn c : kRewritten) {
            if (c != kName) b << (c == kDatasheet ? ", " : ",");
            b.column(c) << "=";
            const schema::Kind kind = schema::item_column(c).kind;
            b.bind(kind == schema::Kind::integer ? integer_value(v[c])
                   : kind == schema::Kind::money ? money_or_text(v[c])
                                                 : text_value(v[c]));
        }
        b << " WHERE ";
        b.column(kId) << " = ";
        b.bind_integer(v.id);
        for (StoreColumn c : kRewritten) {
            const schema::Kind kind = schema::item_column(c).kind;
            if (kind == schema::Kind::integer) {
                still_number(b, c, old[c]);
            } else if (kind == schema::Kind::money) {
                still_price(b, c, old[c]);
            } else {
                still_text(b, c, old[c]);
            }
        }
    });
}

namespace {

Value insert_value(const ItemValues& v, const schema::ColumnSpec& c) {
    switch (c.kind) {
        case schema::Kind::integer:
            return integer_value(v[c.column]);
        case schema::Kind::money:
            return money_or_text(v[c.column]);
        case schema::Kind::text:
        case schema::Kind::id:
            break;
    }
    return text_value(v[c.column]);
}

std::string insert_columns(const Build& b) {
    return schema::insert_column_list(b.jet() ? schema::Quote::brackets : schema::Quote::double_quotes,
                                      schema::WithId::no);
}

}  // namespace

Statement insert_item(const ItemValues& v) {
    return in_both([&](Build& b) {
        b << "INSERT INTO ";
        b.store() << " (" << insert_columns(b) << ")VALUES (";
        bool first = true;
        for (const schema::ColumnSpec& c : schema::kItemColumns) {
            if (c.kind == schema::Kind::id) continue;
            if (!first) b << ",";
            first = false;
            b.bind(insert_value(v, c));
        }
        b << ")";
        if (!b.jet()) {
            b << " RETURNING ";
            b.column(kId);
        }
    });
}

Statement insert_package(const std::string& package) {
    // A type already there is no failure on a server: nothing to log.
    return in_both([&](Build& b) {
        b << "INSERT INTO ";
        b.name(schema::kPackageTable) << (b.jet() ? " Values(" : " VALUES (");
        b.bind_text(package) << ")";
        if (!b.jet()) b << " ON CONFLICT DO NOTHING";
    });
}

Statement delete_package(const std::string& package) {
    return in_both([&](Build& b) {
        b << "DELETE FROM ";
        b.name(schema::kPackageTable) << " WHERE ";
        b.name(schema::kPackageColumn) << " = ";
        b.bind_text(package);
    });
}

}  // namespace detalehran::db

namespace detalehran::db {

const Statement kSelectItemsById = in_both([](Build& b) {
    b << "SELECT * FROM ";
    b.store() << " ORDER BY ";
    b.column(kId);
});

namespace {

// "SELECT [a], [b] FROM [Store]"
Statement select_columns(std::initializer_list<StoreColumn> columns) {
    return in_both([&](Build& b) {
        b << "SELECT ";
        bool first = true;
        for (StoreColumn c : columns) {
            if (!first) b << ", ";
            first = false;
            b.column(c);
        }
        b << " FROM ";
        b.store();
    });
}

}  // namespace

const Statement kSelectDuplicateKeys = select_columns({kId, kSectionPath, kName, kPackage, kQuantity});
const Statement kSelectReorderSources = select_columns({kSupplier, kName, kPackage, kQuantity, kPurchasePrice, kId});
const Statement kSelectBomSources =
    select_columns({kId, kName, kPackage, kQuantity, kPlace, kPurchasePrice, kSupplier});

Statement insert_item_with_markers() {
    return in_both([](Build& b) {
        b << schema::insert_with_markers(b.jet() ? schema::Quote::brackets : schema::Quote::double_quotes,
                                         schema::kStoreTable, schema::WithId::no);
    });
}

std::vector<Value::Type> insert_marker_types() {
    std::vector<Value::Type> types;
    for (const schema::ColumnSpec& c : schema::kItemColumns) {
        if (c.kind == schema::Kind::id) continue;
        types.push_back(c.kind == schema::Kind::integer ? Value::Type::integer
                        : c.kind == schema::Kind::money ? Value::Type::money
                                                        : Value::Type::text);
    }
    return types;
}

std::array<std::string_view, kInsertMarkers> insert_marker_values(const ItemValues& item) {
    std::array<std::string_view, kInsertMarkers> values;
    std::size_t k = 0;
    for (const schema::ColumnSpec& c : schema::kItemColumns) {
        if (c.kind != schema::Kind::id) values[k++] = item[c.column];
    }
    return values;
}

}  // namespace detalehran::db
