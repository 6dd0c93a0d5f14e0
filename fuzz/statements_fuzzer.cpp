// The program's statements with texts a user can type or paste, run through
// the driver as the program runs them. The input is up to ten texts
// separated by the byte 0x1E: name, description, place, supplier, section
// path, package, datasheet, search text, a node path and a new path. Each
// goes through Qt as a widget's text does (QString::fromUtf8 and back), so it
// is valid UTF-8 but may hold NUL and control characters.
//
// Every statement built must be one statement that stores exactly the value
// given and selects exactly the items the value names. The values travel
// bound to markers, never in a statement's text: a text with a NUL cannot
// cut a statement short, and Database refuses such a value before the
// driver sees it.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

#include "core/dialect.h"
#include "db/statements.h"
#include "fuzz_check.h"
#include "memory_store.h"
#include "store/text_fold.h"

namespace {

using namespace detalehran;
using detalehran::fuzz::shown;

constexpr int kFields = 10;

std::string through_qt(std::string_view bytes) {
    const QByteArray utf8 = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())).toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

// Whether `text` starts with `start`, letter case ignored: what "the items
// of a node" means.
bool starts_folded(const std::string& text, const std::string& start) {
    const std::vector<char32_t> t = store::decode_utf8(text), s = store::decode_utf8(start);
    if (t.size() < s.size()) return false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (store::fold_code_point(t[i]) != store::fold_code_point(s[i])) return false;
    }
    return true;
}

// The program's statement as it is sent to a file: its text and the values
// bound as Database binds them.
struct Sent {
    std::string text;
    std::vector<fuzz::Param> params;
};
Sent jet(const db::Statement& statement) {
    const db::Sql& sql = statement.in(db::Dialect::jet);
    Sent sent{sql.text, {}};
    for (const db::Value& v : sql.values) {
        const db::ParameterType t = db::parameter_type(v.type, v.text.size());
        sent.params.push_back({v.text, t.sql_type, t.size, t.decimals});
    }
    return sent;
}
bool holds_nul(const Sent& sent) {
    bool nul = false;
    for (const fuzz::Param& p : sent.params) nul = nul || p.text.find('\0') != std::string::npos;
    return nul;
}

struct Run {
    fuzz::MemoryStore& store;
    std::string context;

    // A statement of the program: exactly one statement, with nothing after
    // it, in the dialect and in SQLite.
    void check_single(const std::string& statement) {
        const odbc::Translation t = odbc::translate_statement(statement);
        FUZZ_CHECK(t.ok, "not translated: " + shown(statement) + " " + t.error);
        sqlite3_stmt* ps = nullptr;
        const char* tail = nullptr;
        const int rc = sqlite3_prepare_v2(store.db(), t.sql.c_str(), static_cast<int>(t.sql.size()) + 1, &ps, &tail);
        FUZZ_CHECK(rc == SQLITE_OK && ps != nullptr, "SQLite refuses " + shown(t.sql) + ": " + sqlite3_errmsg(store.db()));
        sqlite3_finalize(ps);
        FUZZ_CHECK(tail == t.sql.c_str() + t.sql.size(), "more than one statement: " + shown(t.sql));
    }

    void update(const db::Statement& statement) {
        const Sent sent = jet(statement);
        check_single(sent.text);
        const fuzz::Outcome o = store.update(sent.text, sent.params);
        FUZZ_CHECK(o.ok(), "refused: " + shown(sent.text) + " " + o.describe() + context);
    }

    fuzz::Rows query(const db::Statement& statement) {
        const Sent sent = jet(statement);
        check_single(sent.text);
        fuzz::Rows rows;
        const fuzz::Outcome o = store.query(sent.text, rows, sent.params);
        FUZZ_CHECK(o.ok(), "refused: " + shown(sent.text) + " " + o.describe() + context);
        return rows;
    }

    void expect_cell(const fuzz::Cell& cell, const std::string& value, const char* what) {
        FUZZ_CHECK(cell.has_value() && *cell == value,
                   std::string(what) + " stored as " + (cell ? shown(*cell) : "NULL") + ", given " + shown(value) +
                       context);
    }
};

// The number fields as the editor lets them through: digits, and prices with
// at most two decimals; with the text each reads back as.
struct Numbers {
    const char* quantity;
    const char* price;
    const char* purchase_price;
    const char* price_text;
    const char* purchase_text;
};
constexpr Numbers kNumbers[] = {
    {"0", "0.00", "0.00", ".0000", ".0000"},
    {"5", "12.5", ".5", "12.5000", ".5000"},
    {"2147483647", "99999.99", "1.", "99999.9900", "1.0000"},
    {"007", "0", ".05", ".0000", ".0500"},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::MemoryStore* store = new fuzz::MemoryStore(1 << 22);
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    std::string field[kFields];
    std::size_t start = 0;
    for (int k = 0; k < kFields && start <= input.size(); ++k) {
        const std::size_t end = std::min(input.find('\x1E', start), input.size());
        field[k] = through_qt(input.substr(start, end - start));
        start = end + 1;
    }
    const Numbers& numbers = kNumbers[size % std::size(kNumbers)];

    db::ItemValues v;
    v.name = field[0];
    v.description = field[1];
    v.place = field[2];
    v.supplier = field[3];
    v.section_path = field[4];
    v.package = field[5];
    v.datasheet = field[6];
    v.quantity = numbers.quantity;
    v.price = numbers.price;
    v.purchase_price = numbers.purchase_price;
    const std::string& search = field[7];
    const std::string& node = field[8];
    const std::string& new_path = field[9];

    store->empty_tables();
    Run run{*store, ""};
    {
        std::string all;
        for (const std::string& f : field) all += "\n  " + shown(f);
        run.context = "\nvalues:" + all;
    }

    // No value ever stands in a statement's text, whatever it holds; one
    // with a NUL is Database's to refuse.
    const std::vector<db::Statement> carrying = {
        db::insert_item(v), db::select_items_by_name(search), db::select_items_under(db::kPlace, node),
        db::insert_package(v.package), db::set_item_node_path(db::kSectionPath, new_path, "1"),
        db::stamp_parked(db::kPlace, new_path)};
    bool nul = false;
    for (const db::Statement& s : carrying) {
        const Sent sent = jet(s);
        FUZZ_CHECK(sent.text.find('\0') == std::string::npos, "a value in the text: " + shown(sent.text) + run.context);
        nul = nul || holds_nul(sent);
    }
    if (nul) return 0;

    // The new item reads back value for value.
    run.update(db::insert_item(v));
    fuzz::Rows rows = run.query(db::kSelectAllItems);
    FUZZ_CHECK(rows.size() == 1 && rows[0].size() == 11, "not one item of eleven columns" + run.context);
    {
        const fuzz::Row& r = rows[0];
        run.expect_cell(r[db::kName], v.name, "name");
        run.expect_cell(r[db::kDescription], v.description, "description");
        run.expect_cell(r[db::kPlace], v.place, "place");
        run.expect_cell(r[db::kQuantity], std::to_string(std::stoll(v.quantity)), "quantity");
        run.expect_cell(r[db::kPrice], numbers.price_text, "price");
        run.expect_cell(r[db::kPurchasePrice], numbers.purchase_text, "purchase price");
        run.expect_cell(r[db::kSupplier], v.supplier, "supplier");
        run.expect_cell(r[db::kSectionPath], v.section_path, "section path");
        run.expect_cell(r[db::kPackage], v.package, "package");
        run.expect_cell(r[db::kDatasheet], v.datasheet, "datasheet");
        run.expect_cell(r[db::kId], "1", "ID");
    }
    const std::string id = "1";

    // The search box: "%text%", where "%" and "_" of the text keep their
    // meaning and "[" stands for itself. A text without "%" and "_" finds
    // every name that holds it, the name itself among them.
    for (const std::string& text : {search, v.name}) {
        std::string pattern = "%";
        for (char c : text) pattern += c == '[' ? std::string("[[]") : std::string(1, c);
        pattern += '%';
        const bool expected = store::LikePattern(pattern).matches(v.name);
        if (text.find_first_of("%_") == std::string::npos && v.name.find(text) != std::string::npos) {
            FUZZ_CHECK(expected, "search " + shown(text) + " cannot find " + shown(v.name) + run.context);
        }
        FUZZ_CHECK(run.query(db::select_items_by_name(text)).size() == (expected ? 1u : 0u),
                   "search " + shown(text) + (expected ? " misses " : " finds ") + shown(v.name) + run.context);
    }

    // The items of a node: those whose path starts with the node's path,
    // whatever characters the names hold; the item's own path, and a start
    // of it, always name it.
    std::vector<std::string> nodes = {v.section_path};
    nodes.push_back(node);
    const QString path_text = QString::fromStdString(v.section_path);
    nodes.push_back(path_text.left(path_text.size() / 2).toStdString());
    for (const std::string& n : nodes) {
        const bool expected = starts_folded(v.section_path, n);
        FUZZ_CHECK(run.query(db::select_items_under(db::kSectionPath, n)).size() == (expected ? 1u : 0u),
                   "items under " + shown(n) + (expected ? " miss " : " take ") + shown(v.section_path) + run.context);
        FUZZ_CHECK(run.query(db::select_paths_under(db::kSectionPath, n)).size() == (expected ? 1u : 0u),
                   "paths under " + shown(n) + run.context);
    }

    // Moving the item to another node, in either tree.
    {
        run.update(db::set_item_node_path(db::kSectionPath, new_path, id));
        run.update(db::set_item_node_path(db::kPlace, new_path, id));
        rows = run.query(db::kSelectAllItems);
        FUZZ_CHECK(rows.size() == 1, "item lost by a move" + run.context);
        run.expect_cell(rows[0][db::kSectionPath], new_path, "moved section path");
        run.expect_cell(rows[0][db::kPlace], new_path, "moved place");

        // Cut and paste: parked, stamped with the target path, brought back.
        run.update(db::park_item(id));
        run.update(db::delete_stored_item(id));
        run.update(db::stamp_parked(db::kSectionPath, v.section_path));
        run.update(db::kReturnParked);
        run.update(db::kDropReturnedParked);
        rows = run.query(db::kSelectAllItems);
        FUZZ_CHECK(rows.size() == 1 && run.query(db::kSelectParked).empty(), "cut and paste lost the item" + run.context);
        run.expect_cell(rows[0][db::kSectionPath], v.section_path, "pasted section path");
        run.expect_cell(rows[0][db::kName], v.name, "pasted name");
        run.expect_cell(rows[0][db::kId], id, "pasted ID");
    }

    // The editor rewrites every column but the section path.
    db::ItemValues changed = v;
    changed.name = v.description;
    changed.description = v.supplier;
    changed.place = v.datasheet;
    changed.supplier = v.package;
    changed.package = v.name;
    changed.datasheet = v.place;
    changed.section_path = "not written";
    changed.id = id;
    // The edit names the values the item holds now, as the list read them.
    const fuzz::Rows now = run.query(db::kSelectAllItems);
    FUZZ_CHECK(now.size() == 1, "item lost before the edit" + run.context);
    auto held = [&](int column) { return now[0][static_cast<std::size_t>(column)].value_or(""); };
    const db::ItemValues read{held(db::kName),     held(db::kDescription),   held(db::kPlace),
                              held(db::kQuantity), held(db::kPrice),         held(db::kPurchasePrice),
                              held(db::kSupplier), held(db::kSectionPath),   held(db::kPackage),
                              held(db::kId),       held(db::kDatasheet)};
    run.update(db::update_item(changed, read));
    rows = run.query(db::kSelectAllItems);
    FUZZ_CHECK(rows.size() == 1, "item lost by an edit" + run.context);
    run.expect_cell(rows[0][db::kName], changed.name, "edited name");
    run.expect_cell(rows[0][db::kDescription], changed.description, "edited description");
    run.expect_cell(rows[0][db::kPlace], changed.place, "edited place");
    run.expect_cell(rows[0][db::kSupplier], changed.supplier, "edited supplier");
    run.expect_cell(rows[0][db::kPackage], changed.package, "edited package");
    run.expect_cell(rows[0][db::kDatasheet], changed.datasheet, "edited datasheet");
    run.expect_cell(rows[0][db::kSectionPath], v.section_path, "section path after an edit");

    // A package type is stored once and removed by its name.
    run.update(db::insert_package(v.package));
    rows = run.query(db::kSelectPackages);
    FUZZ_CHECK(rows.size() == 1 && rows[0].size() == 1, "package types" + run.context);
    run.expect_cell(rows[0][0], v.package, "package type");
    const Sent again = jet(db::insert_package(v.package));
    FUZZ_CHECK(!store->update(again.text, again.params).ok(), "a package type stored twice" + run.context);
    run.update(db::delete_package(v.package));
    FUZZ_CHECK(run.query(db::kSelectPackages).empty(), "package type not removed" + run.context);

    // Deleting a node's items takes exactly the items under it.
    {
        const bool under = starts_folded(v.section_path, node);
        const Sent del = jet(db::delete_items_under(db::kSectionPath, node));
        const fuzz::Outcome o = store->update(del.text, del.params);
        // No row deleted reads as "no data", as for Jet.
        FUZZ_CHECK(under ? o.ok() : o.rc == SQL_NO_DATA, "delete under a node: " + o.describe() + run.context);
        FUZZ_CHECK(run.query(db::kSelectAllItems).size() == (under ? 0u : 1u), "delete under " + shown(node) + run.context);
        if (under) return 0;
    }
    run.update(db::delete_item(id));
    FUZZ_CHECK(run.query(db::kSelectAllItems).empty(), "item not deleted" + run.context);
    return 0;
}
