// Converting Jet files made by the fixture writer (each checked first with
// the mdbtools programs) and reading the result back through our driver;
// damaged files and missing columns refused before anything is written.

#include "jet_convert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "jet_messages.h"
#include "jet_test_support.h"

namespace detalehran::jet::testing {
namespace {

namespace fs = std::filesystem;
using C = dtest::Cell;

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
// row; Temp with plain UCS-2 text and its columns in another order, holding
// one parked item and one stale copy of a stored one.
std::vector<fx::Table> inventory(bool temp_has_datasheet = true) {
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
    if (!temp_has_datasheet) temp.columns.pop_back();
    temp.columns[9].autonumber = false;
    std::reverse(temp.columns.begin(), temp.columns.end());
    auto parked = [&](std::int64_t id, const std::string& name) {
        fx::Row row = item(text(name), text("в Temp"), text("|Все|Ящик|"), number(1), number(10000), number(0), kNull,
                           text("|Все|"), text("DIP-8"), id, kNull);
        if (!temp_has_datasheet) row.pop_back();
        std::reverse(row.begin(), row.end());
        return row;
    };
    temp.rows = {parked(5, "Вырезанный LM358"), parked(7, "Устаревшая копия")};
    return {store, fx::package_table({"0805", "SOT-23", "sot-23", "ТО-220"}), temp};
}

constexpr std::size_t kPage = 4096;

// The first page whose bytes pass the test.
template <typename Test>
std::size_t page_where(const std::string& bytes, Test&& is) {
    for (std::size_t p = 1; p * kPage < bytes.size(); ++p) {
        if (is(bytes.substr(p * kPage, kPage))) return p;
    }
    return 0;
}

// A data page of Store, whose definition is page 3.
std::size_t store_data_page(const std::string& bytes) {
    return page_where(bytes, [](const std::string& p) { return p[0] == 1 && p.compare(4, 4, "\x03\0\0\0", 4) == 0; });
}

std::string built(const std::vector<fx::Table>& tables) {
    std::string bytes, error;
    EXPECT_TRUE(fx::build_jet4_file(tables, &bytes, &error)) << error;
    return bytes;
}

class JetConvert : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = dtest::new_folder("jet");
        jet_path_ = folder_ + "old.mdb";
        target_ = folder_ + "new/";
        fs::create_directory(target_);
    }
    // Converts, answering a question about missing columns with `answer`,
    // and records what was asked.
    ConvertResult convert(bool answer) {
        ConvertOptions options;
        options.convert_without = [&](const std::vector<MissingColumn>& missing) {
            asked_ = missing;
            return answer;
        };
        return convert_jet_store(jet_path_, target_, options);
    }
    std::string folder_, jet_path_, target_;
    std::vector<MissingColumn> asked_;
};

TEST_F(JetConvert, EveryItemPackageAndParkedItemArrivesAsWritten) {
    ASSERT_TRUE(write_checked_fixture(jet_path_, inventory(false)));
    const std::string original = dtest::read_file(jet_path_);
    const ConvertResult result = convert(true);
    ASSERT_EQ(result.outcome, Outcome::converted) << result.reason;
    EXPECT_EQ(dtest::read_file(jet_path_), original);
    const std::vector<MissingColumn> without{{"Datasheet", {"Temp"}, ""}};
    EXPECT_EQ(asked_, without);
    EXPECT_EQ(result.report.converted_without, without);
    EXPECT_EQ(report_lines(result.report),
              (std::vector<std::string>{"Деталей: 4", "Типов корпуса: 3", "Вырезанных деталей возвращено на склад: 1",
                                        "Лишних копий вырезанных деталей отброшено: 1",
                                        "Преобразовано без столбца «Datasheet»"}));

    const std::string store = target_ + "Store.mdb";
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
    EXPECT_EQ(query_store(store, "SELECT * FROM [Store] ORDER BY [ID]"), expected);
    EXPECT_EQ(query_store(store, "SELECT [Тип корпуса] FROM [Package] ORDER BY [Тип корпуса]"),
              (dtest::Rows{{C("0805")}, {C("SOT-23")}, {C("ТО-220")}}));
    EXPECT_TRUE(query_store(store, "SELECT * FROM [Temp]").empty());

    // The old file's counter went to 60: new items continue from there.
    EXPECT_EQ(result.report.next_id, 60);
    dtest::Connection db;
    ASSERT_TRUE(SQL_SUCCEEDED(db.open_file(store)));
    ASSERT_TRUE(SQL_SUCCEEDED(db.run(dtest::insert_statement(dtest::Item{}))));
    EXPECT_EQ(db.query("SELECT max([ID]) FROM [Store]"), (dtest::Rows{{C("60")}}));
}

// Damage of every kind refuses the whole file, in Russian, naming the file
// and what is wrong: nothing is written, the original stays byte for byte,
// and what libmdb says goes into the details, not onto the terminal.
TEST_F(JetConvert, RefusesFilesCutShortOrDamaged) {
    const std::string bytes = built(inventory());
    auto changed = [&](std::size_t at, char value) {
        std::string damaged = bytes;
        damaged[at] = value;
        return damaged;
    };
    auto zeroed = [&](std::size_t page) {
        std::string damaged = bytes;
        std::fill_n(damaged.begin() + static_cast<std::ptrdiff_t>(page * kPage), kPage, '\0');
        return damaged;
    };
    const std::size_t store_data = store_data_page(bytes);
    const std::size_t long_values = page_where(bytes, [](const std::string& p) { return p.substr(4, 4) == "LVAL"; });
    std::vector<fx::Table> unkeepable = inventory();
    unkeepable[0].rows[0][4] = number(1234567890123456789);
    std::vector<fx::Table> twice = inventory();
    twice[0].rows[1][9] = number(1);

    const struct {
        const char* what;
        std::string file;
        const char* says;
        const char* mdb_says = "";
    } cases[] = {
        {"cut inside a page", bytes.substr(0, bytes.size() - 100), "обрезан: его размер не кратен странице"},
        {"last page missing", bytes.substr(0, bytes.size() - kPage), "повреждён или обрезан"},
        {"cut to its first pages", bytes.substr(0, 4 * kPage), "повреждён или обрезан"},
        {"a page of Store's rows lost", zeroed(store_data), "из таблицы Store прочитано строк 0 из 4"},
        {"a page of long texts lost", zeroed(long_values), "столбце «Описание» длинный текст неполон"},
        {"one bit of a field size", fx::field_size_flipped(bytes), "в таблице Store, строке 1, столбце «Datasheet»"},
        {"a row's offset past its page", changed(store_data * kPage + 15, bytes[store_data * kPage + 15] ^ 1),
         "из таблицы Store прочитано строк", "mdb_crack_row"},
        // libmdb followed a null pointer to this (found by fuzz_jet_store).
        {"the catalog's usage map in a row its page lacks", changed(2 * kPage + 55, 0x5b),
         "не читается список его таблиц"},
        {"a price it cannot keep", built(unkeepable), "цена 123456789012345.6789 детали с ID 1 не сохранить точно"},
        {"an ID twice", built(twice), "в таблице Store две детали с ID 1"},
        {"not a database", "Store", "не база данных Access"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dtest::write_file(jet_path_, c.file);
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const ConvertResult result = convert(true);
        EXPECT_EQ(::testing::internal::GetCapturedStdout() + ::testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(result.outcome, Outcome::refused);
        EXPECT_NE(result.reason.find(jet_path_), std::string::npos) << result.reason;
        EXPECT_NE(result.reason.find(c.says), std::string::npos) << result.reason;
        EXPECT_NE(result.details.find(c.mdb_says), std::string::npos) << result.details;
        EXPECT_TRUE(fs::is_empty(target_));
        EXPECT_EQ(dtest::read_file(jet_path_), c.file);
    }
}

// A column the old file lacks (its name damaged) or cannot be read exactly
// stops the conversion until the caller agrees to go on without it.
TEST_F(JetConvert, AsksBeforeConvertingWithoutAColumn) {
    std::vector<fx::Table> wrong_type = inventory();
    for (fx::Table* t : {&wrong_type[0], &wrong_type[2]}) {
        t->columns[t == &wrong_type[0] ? 3 : 7].type = fx::ColumnType::text;
        for (fx::Row& row : t->rows) row[t == &wrong_type[0] ? 3 : 7] = text("много");
        t->deleted_rows.clear();
    }
    const struct {
        const char* what;
        std::string file;
        MissingColumn missing;
        const char* question;
        const char* values_left;  // of the parked item, whose Temp has the column
    } cases[] = {
        {"renamed",
         fx::column_name_flipped(built(inventory()), "Цена расходная"),
         {"Цена расходная", {"Store"}, ""},
         "В старом файле нет столбца «Цена расходная». Преобразовать без него? Цены будут пустыми.",
         "1"},
        {"of another type",
         built(wrong_type),
         {"Количество", {"Store", "Temp"}, "в нём не целые числа (тип Jet 10)"},
         "В старом файле не читается столбец «Количество»: в нём не целые числа (тип Jet 10). Преобразовать без "
         "него? Количества будут пустыми.",
         "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dtest::write_file(jet_path_, c.file);
        const ConvertResult unasked = convert_jet_store(jet_path_, target_);
        EXPECT_EQ(unasked.outcome, Outcome::refused);
        EXPECT_NE(unasked.reason.find("«" + c.missing.column + "»"), std::string::npos) << unasked.reason;
        const ConvertResult declined = convert(false);
        EXPECT_EQ(declined.outcome, Outcome::declined);
        EXPECT_EQ(asked_, std::vector<MissingColumn>{c.missing});
        EXPECT_EQ(missing_column_question(asked_.at(0)), c.question);
        EXPECT_TRUE(fs::is_empty(target_));

        const ConvertResult accepted = convert(true);
        ASSERT_EQ(accepted.outcome, Outcome::converted) << accepted.reason;
        EXPECT_EQ(accepted.report.items, 4u);
        EXPECT_EQ(query_store(target_ + "Store.mdb",
                              "SELECT count(*) FROM [Store] WHERE [" + c.missing.column + "] IS NOT NULL"),
                  (dtest::Rows{{C(c.values_left)}}));
        fs::remove(target_ + "Store.mdb");
    }
}

// A table of more pages than an inline usage map covers lists its pages in
// usage-map pages; all its rows arrive, and losing such a page refuses it.
TEST_F(JetConvert, ReadsALargeTableThroughUsageMapPages) {
    std::vector<fx::Table> tables = inventory();
    for (std::int64_t id = 100; id < 10100; ++id) {
        tables[0].rows.push_back(item(text("Конденсатор " + std::to_string(id)), text(std::string(150, 'x')),
                                      text("|Все|"), number(id), number(id * 100), kNull, kNull, text("|Все|"), kNull,
                                      id, kNull));
    }
    ASSERT_TRUE(write_checked_fixture(jet_path_, tables));
    ConvertResult result = convert(false);
    ASSERT_EQ(result.outcome, Outcome::converted) << result.reason;
    EXPECT_EQ(result.report.items, 10004u);

    const std::string bytes = dtest::read_file(jet_path_);
    ASSERT_EQ(bytes[bytes.size() - kPage], 0x05);  // the writer puts usage-map pages last
    dtest::write_file(jet_path_, bytes.substr(0, bytes.size() - kPage));
    fs::remove(target_ + "Store.mdb");
    EXPECT_EQ(convert(false).outcome, Outcome::refused);
    EXPECT_TRUE(fs::is_empty(target_));
}

// The start-up's way: the original keeps its bytes under Store.mdb.jet (the
// program's tests look at the rest) and a second conversion does not
// overwrite it.
TEST_F(JetConvert, InPlaceKeepsTheOriginalBeside) {
    const std::string original = built(inventory());
    dtest::write_file(target_ + "Store.mdb", original);
    const ConvertResult result = convert_jet_store_in_place(target_);
    ASSERT_EQ(result.outcome, Outcome::converted) << result.reason;
    EXPECT_EQ(result.report.kept_original, target_ + "Store.mdb.jet");
    EXPECT_EQ(dtest::read_file(target_ + "Store.mdb.jet"), original);
    EXPECT_EQ(std::distance(fs::directory_iterator(target_), fs::directory_iterator()), 2);

    fs::copy_file(target_ + "Store.mdb.jet", target_ + "Store.mdb", fs::copy_options::overwrite_existing);
    const ConvertResult again = convert_jet_store_in_place(target_);
    EXPECT_NE(again.reason.find("Store.mdb.jet уже есть"), std::string::npos) << again.reason;
    EXPECT_EQ(dtest::read_file(target_ + "Store.mdb"), original);
    EXPECT_EQ(dtest::read_file(target_ + "Store.mdb.jet"), original);
}

}  // namespace
}  // namespace detalehran::jet::testing
