// Converting Jet files made by the fixture writer (each checked first with
// the mdbtools programs) and reading the result back through our driver.

#include "jet_convert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "jet_reader.h"
#include "jet_test_support.h"

namespace detalehran::jet::testing {
namespace {

namespace fs = std::filesystem;
using dtest::Row;

std::string repeated(const std::string& piece, int times) {
    std::string out;
    for (int k = 0; k < times; ++k) out += piece;
    return out;
}

const std::string kLongMemo = repeated("Жж", 3000);  // a chain of long-value pages
const std::string kPageMemo = repeated("ы", 600);    // one long-value row

fx::Row item(fx::Value name, fx::Value description, fx::Value place, fx::Value quantity, fx::Value selling,
             fx::Value purchase, fx::Value supplier, fx::Value path, fx::Value package, std::int64_t id,
             fx::Value datasheet) {
    return {name, description, place, quantity, selling, purchase, supplier, path, package, number(id), datasheet};
}

// Store with compressed text, IDs with gaps, the money edges and a deleted
// row; Temp with
// plain UCS-2 text, its columns in another order and without Datasheet,
// holding one parked item and one stale copy of a stored one.
std::vector<fx::Table> inventory() {
    fx::Table store{"Store", fx::item_columns(), {}};
    store.next_autonumber = 60;
    store.rows = {
        item(text("Резистор 10 кОм"), text("LM7805 стабилизатор"), text("|Все|Шкаф 1|"), number(5), number(125000),
             number(5000), text("Chip \"Dip\""), text("|Все|Пассивные|Резисторы|"), text("0805"), 1,
             text("LM7805.pdf")),
        item(text("NE555"), kNull, text(""), kNull, number(0), kNull, text(""), kNull, kNull, 2, text("")),
        item(text("Latin only BC547"), text(kLongMemo), text("|Все|"), number(-3), number(-2500),
             number(999999999999999), text("Mouser"), text("|Все|"), text("TO-92"), 7, kNull),
        item(text("Ёлка ё"), text(kPageMemo), text("|Все|"), number(2147483647), number(9223372036854760000), number(1),
             kNull, kNull, kNull, 50, kNull),
    };
    store.deleted_rows = {item(text("Удалённый"), kNull, kNull, kNull, kNull, kNull, kNull, kNull, kNull, 3, kNull)};
    fx::Table temp{"Temp", fx::item_columns(), {}};
    temp.compressed_text = false;
    temp.columns.pop_back();  // no Datasheet
    temp.columns[9].autonumber = false;
    std::reverse(temp.columns.begin(), temp.columns.end());
    auto parked = [](std::int64_t id, const std::string& name) {
        fx::Row row = item(text(name), text("в Temp"), text("|Все|Ящик|"), number(1), number(10000), number(0), kNull,
                           text("|Все|"), text("DIP-8"), id, kNull);
        row.pop_back();
        std::reverse(row.begin(), row.end());
        return row;
    };
    temp.rows = {parked(5, "Вырезанный LM358"), parked(7, "Устаревшая копия")};
    return {store, fx::package_table({"0805", "SOT-23", "sot-23", "ТО-220"}), temp};
}

class JetConvert : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = dtest::new_folder("jet");
        jet_path_ = folder_ + "old.mdb";
        target_ = folder_ + "new/";
        fs::create_directory(target_);
    }
    std::string folder_, jet_path_, target_;
};

TEST_F(JetConvert, EveryItemPackageAndParkedItemArrivesAsWritten) {
    ASSERT_TRUE(write_checked_fixture(jet_path_, inventory()));
    const std::string original = dtest::read_file(jet_path_);
    ConvertReport report;
    std::string error;
    ASSERT_TRUE(convert_jet_store(jet_path_, target_, &report, &error)) << error;
    EXPECT_EQ(dtest::read_file(jet_path_), original);
    EXPECT_EQ(report.items, 4u);
    EXPECT_EQ(report.packages, 3u);
    EXPECT_EQ(report.parked_returned, 1u);
    EXPECT_EQ(report.parked_dropped, 1u);
    EXPECT_EQ(report.next_id, 60);
    EXPECT_EQ(report.missing_columns, std::vector<std::string>{"Temp.Datasheet"});

    const std::string store = target_ + "Store.mdb";
    using C = dtest::Cell;
    const C null;
    const dtest::Rows expected = {
        {C("Резистор 10 кОм"), C("LM7805 стабилизатор"), C("|Все|Шкаф 1|"), C("5"), C("12.5000"), C(".5000"),
         C("Chip \"Dip\""), C("|Все|Пассивные|Резисторы|"), C("0805"), C("1"), C("LM7805.pdf")},
        {C("NE555"), null, C(""), null, C(".0000"), null, C(""), null, null, C("2"), C("")},
        {C("Вырезанный LM358"), C("в Temp"), C("|Все|Ящик|"), C("1"), C("1.0000"), C(".0000"), null, C("|Все|"),
         C("DIP-8"), C("5"), null},
        {C("Latin only BC547"), C(kLongMemo), C("|Все|"), C("-3"), C("-.2500"), C("99999999999.9999"), C("Mouser"),
         C("|Все|"), C("TO-92"), C("7"), null},
        {C("Ёлка ё"), C(kPageMemo), C("|Все|"), C("2147483647"), C("922337203685476.0000"), C(".0001"), null, null,
         null, C("50"), null},
    };
    const dtest::Rows rows = query_store(store, "SELECT * FROM [Store] ORDER BY [ID]");
    ASSERT_EQ(rows.size(), expected.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < expected[r].size(); ++c) {
            EXPECT_EQ(rows[r][c], expected[r][c]) << "row " << r << " column " << c;
        }
    }
    EXPECT_EQ(query_store(store, "SELECT [Тип корпуса] FROM [Package] ORDER BY [Тип корпуса]"),
              (dtest::Rows{{C("0805")}, {C("SOT-23")}, {C("ТО-220")}}));
    EXPECT_TRUE(query_store(store, "SELECT * FROM [Temp]").empty());

    // The old file's counter went to 60: new items continue from there.
    dtest::Connection db;
    ASSERT_TRUE(SQL_SUCCEEDED(db.open_file(store)));
    ASSERT_TRUE(SQL_SUCCEEDED(db.run(dtest::insert_statement(dtest::Item{}))));
    EXPECT_EQ(db.query("SELECT max([ID]) FROM [Store]"), (dtest::Rows{{C("60")}}));
}

TEST_F(JetConvert, ReadsNullApartFromEmptyText) {
    ASSERT_TRUE(write_checked_fixture(jet_path_, inventory()));
    JetStore content;
    std::string error;
    ASSERT_TRUE(read_jet_store(jet_path_, &content, &error)) << error;
    ASSERT_EQ(content.items.size(), 4u);
    EXPECT_EQ(content.items[1].place, Text(""));
    EXPECT_EQ(content.items[1].section_path, std::nullopt);
    EXPECT_EQ(content.items[1].quantity, std::nullopt);
    EXPECT_EQ(content.items[3].selling_price, 9223372036854760000);
}

// Damage of every kind refuses the whole file: nothing is written and the
// original stays byte for byte.
TEST_F(JetConvert, RefusesFilesCutShortOrDamaged) {
    ASSERT_TRUE(write_checked_fixture(jet_path_, inventory()));
    const std::string bytes = dtest::read_file(jet_path_);
    std::string error;
    constexpr std::size_t kPage = 4096;
    auto page_where = [&](auto&& is) {
        for (std::size_t p = 1; p * kPage < bytes.size(); ++p) {
            if (is(bytes.substr(p * kPage, kPage))) return p;
        }
        return std::size_t{0};
    };
    const std::size_t store_data =
        page_where([](const std::string& p) { return p[0] == 1 && p.substr(4, 4) == std::string("\x03\0\0\0", 4); });
    const std::size_t long_values = page_where([](const std::string& p) { return p.substr(4, 4) == "LVAL"; });
    ASSERT_NE(store_data, 0u);
    ASSERT_NE(long_values, 0u);
    auto zeroed = [&](std::size_t page) {
        std::string damaged = bytes;
        std::fill_n(damaged.begin() + static_cast<std::ptrdiff_t>(page * kPage), kPage, '\0');
        return damaged;
    };
    const struct {
        const char* what;
        std::string file;
    } cases[] = {
        {"cut inside a page", bytes.substr(0, bytes.size() - 100)},
        {"last page missing", bytes.substr(0, bytes.size() - kPage)},
        {"cut to its first pages", bytes.substr(0, 4 * kPage)},
        {"a page of Store's rows lost", zeroed(store_data)},
        {"a page of long texts lost", zeroed(long_values)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dtest::write_file(jet_path_, c.file);
        ConvertReport report;
        error.clear();
        EXPECT_FALSE(convert_jet_store(jet_path_, target_, &report, &error));
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(fs::is_empty(target_));
        EXPECT_EQ(dtest::read_file(jet_path_), c.file);
    }
}

// A table of more pages than an inline usage map covers lists its pages in
// usage-map pages; all its rows arrive, and losing such a page refuses it.
TEST_F(JetConvert, ReadsALargeTableThroughUsageMapPages) {
    std::vector<fx::Table> tables = inventory();
    fx::Table& store = tables[0];
    for (std::int64_t id = 100; id < 10100; ++id) {
        store.rows.push_back(item(text("Конденсатор " + std::to_string(id)), text(repeated("x", 150)), text("|Все|"),
                                  number(id), number(id * 100), kNull, kNull, text("|Все|"), kNull, id, kNull));
    }
    ASSERT_TRUE(write_checked_fixture(jet_path_, tables));
    ConvertReport report;
    std::string error;
    ASSERT_TRUE(convert_jet_store(jet_path_, target_, &report, &error)) << error;
    EXPECT_EQ(report.items, 10004u);

    const std::string bytes = dtest::read_file(jet_path_);
    ASSERT_EQ(bytes[bytes.size() - 4096], 0x05);  // the writer puts usage-map pages last
    dtest::write_file(jet_path_, bytes.substr(0, bytes.size() - 4096));
    fs::remove(target_ + "Store.mdb");
    EXPECT_FALSE(convert_jet_store(jet_path_, target_, &report, &error));
    EXPECT_TRUE(fs::is_empty(target_));
}

TEST_F(JetConvert, RefusesAPriceItCannotKeepExactly) {
    std::vector<fx::Table> tables = inventory();
    tables[0].rows[0][4] = number(1234567890123456789);
    ASSERT_TRUE(write_checked_fixture(jet_path_, tables));
    std::string error;
    EXPECT_FALSE(convert_jet_store(jet_path_, target_, nullptr, &error));
    EXPECT_NE(error.find("123456789012345.6789"), std::string::npos) << error;
    EXPECT_NE(error.find("item ID 1"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_empty(target_));
}

// The start-up's way: the original keeps its bytes under Store.mdb.jet and
// a second conversion does not overwrite it.
TEST_F(JetConvert, InPlaceKeepsTheOriginalBeside) {
    ASSERT_TRUE(write_checked_fixture(target_ + "Store.mdb", inventory()));
    const std::string original = dtest::read_file(target_ + "Store.mdb");
    ConvertReport report;
    std::string error;
    ASSERT_TRUE(convert_jet_store_in_place(target_, &report, &error)) << error;
    EXPECT_EQ(dtest::read_file(target_ + "Store.mdb.jet"), original);
    EXPECT_FALSE(is_jet_file(target_ + "Store.mdb"));
    EXPECT_EQ(query_store(target_ + "Store.mdb", "SELECT count(*) FROM [Store]"), (dtest::Rows{{dtest::Cell("5")}}));
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(target_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Store.mdb", "Store.mdb.jet"}));

    fs::copy_file(target_ + "Store.mdb.jet", target_ + "Store.mdb", fs::copy_options::overwrite_existing);
    EXPECT_FALSE(convert_jet_store_in_place(target_, &report, &error));
    EXPECT_NE(error.find("Store.mdb.jet"), std::string::npos) << error;
    EXPECT_EQ(dtest::read_file(target_ + "Store.mdb"), original);
    EXPECT_EQ(dtest::read_file(target_ + "Store.mdb.jet"), original);
}

}  // namespace
}  // namespace detalehran::jet::testing
