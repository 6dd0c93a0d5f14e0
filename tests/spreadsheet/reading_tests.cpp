// Bytes to records: the encodings and separators spreadsheet programs write,
// quoting, line numbers, hostile input, and numbers as people type them.

#include <gtest/gtest.h>

#include "spreadsheet/number_text.h"
#include "spreadsheet/text_decoding.h"
#include "spreadsheet_samples.h"

namespace detalehran::spreadsheet {
namespace {

using test::Record;
using test::records_of;

struct Sample {
    const char* what;
    std::string bytes;
    Encoding encoding;
    char separator;
    std::vector<Record> records;
};

std::vector<Sample> samples() {
    return {
        {"LibreOffice, UTF-8 with BOM, ';', CR LF",
         "\xEF\xBB\xBFНазвание;Количество;Цена\r\nРезистор 10к;1 000;\"12,50\"\r\n\r\nДиод;5;0,5\r\n",
         Encoding::utf8,
         ';',
         {{1, {"Название", "Количество", "Цена"}}, {2, {"Резистор 10к", "1 000", "12,50"}}, {4, {"Диод", "5", "0,5"}}}},
        {"Excel, Windows-1251, ';', CR LF",
         test::windows_1251("Наименование;Поставщик;Цена\r\nКонденсатор 100мкФ;ООО «Ёлка»;1,20\r\n"),
         Encoding::windows_1251,
         ';',
         {{1, {"Наименование", "Поставщик", "Цена"}}, {2, {"Конденсатор 100мкФ", "ООО «Ёлка»", "1,20"}}}},
        {"',' with quoted line breaks and doubled quotes, LF",
         "Name,Description,Qty\n\"LCD 5\"\"\",\"two\nlines, \"\"quoted\"\"\",3\nLED,\"a\r\nb\",4\n",
         Encoding::utf8,
         ',',
         {{1, {"Name", "Description", "Qty"}},
          {2, {"LCD 5\"", "two\nlines, \"quoted\"", "3"}},
          {4, {"LED", "a\r\nb", "4"}}}},
        {"tab, CR line ends, blanks kept, no final line end",
         "Name\tStock\tDescription\r 7805 \t10\tTO-220; 1,5 A\rLM317\t\t\"x\ty\"",
         Encoding::utf8,
         '\t',
         {{1, {"Name", "Stock", "Description"}}, {2, {" 7805 ", "10", "TO-220; 1,5 A"}}, {3, {"LM317", "", "x\ty"}}}},
    };
}

TEST(SpreadsheetFiles, DecodeDetectAndReadAsWritten) {
    for (const Sample& s : samples()) {
        SCOPED_TRACE(s.what);
        const DecodedText decoded = decode_spreadsheet_text(s.bytes);
        ASSERT_FALSE(decoded.refusal) << decoded.refusal->reason;
        EXPECT_EQ(decoded.encoding, s.encoding);
        EXPECT_EQ(detect_separator(decoded.text), s.separator);
        EXPECT_EQ(records_of(decoded.text, s.separator), s.records);
    }
}

TEST(SpreadsheetFiles, ForcedEncodingOverridesDetection) {
    const std::string utf8 = "Название;Цена\r\nДиод;1\r\n";
    const DecodedText as_1251 = decode_spreadsheet_text(utf8, Encoding::windows_1251);
    ASSERT_FALSE(as_1251.refusal);
    EXPECT_EQ(as_1251.encoding, Encoding::windows_1251);
    EXPECT_NE(as_1251.text, utf8);  // the UTF-8 bytes read as Windows-1251 letters
    const DecodedText forced_utf8 = decode_spreadsheet_text(test::windows_1251("Диод"), Encoding::utf8);
    ASSERT_TRUE(forced_utf8.refusal);
}

TEST(SpreadsheetFiles, RefusedBytesSayWhyAndWhere) {
    const struct {
        const char* what;
        std::string bytes;
        int line;
        const char* reason_part;
    } cases[] = {
        {"empty", "", 0, "пуст"},
        {"only a BOM and blank lines", "\xEF\xBB\xBF\r\n  \r\n", 0, "пуст"},
        {"NUL byte", std::string("Название\r\nДиод") + '\0' + ";1\r\n", 2, "нулевой байт"},
        {"PNG header", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), 3, "нулевой байт"},
        {"neither UTF-8 nor Windows-1251", "Name\n\xD0\x98\x98\xFF\n", 2, "0x98"},
        {"BOM but not UTF-8", "\xEF\xBB\xBFName\n\xFF\n", 0, "UTF-8"},
        {"control character", "Name\nA\x1B[0m\n", 2, "0x1B"},
        {"C1 control character", "Name\n\xC2\x85\n", 2, "0x85"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const DecodedText decoded = decode_spreadsheet_text(c.bytes);
        ASSERT_TRUE(decoded.refusal);
        EXPECT_EQ(decoded.refusal->line, c.line);
        EXPECT_NE(decoded.refusal->reason.find(c.reason_part), std::string::npos) << decoded.refusal->reason;
    }
}

TEST(SpreadsheetFiles, Utf8CutOffAtTheEndIsWindows1251) {
    const DecodedText decoded = decode_spreadsheet_text("Name\n\xD0");
    ASSERT_FALSE(decoded.refusal);
    EXPECT_EQ(decoded.encoding, Encoding::windows_1251);
    EXPECT_EQ(decoded.text, "Name\n\u0420");  // "Р", not a dropped byte
}

TEST(CsvReading, LinesAsTheFileCountsThem) {
    // A quoted field's line breaks (CR LF, LF and CR, each one line) move the
    // start of the next record; blank lines are counted and skipped.
    const std::string text = "a;b\n\n\"x\r\ny\ny\rz\";1\r\n;\r\"last\"";
    const std::vector<Record> expected = {{1, {"a", "b"}}, {3, {"x\r\ny\ny\rz", "1"}}, {7, {"", ""}}, {8, {"last"}}};
    EXPECT_EQ(records_of(text, ';'), expected);
}

TEST(CsvReading, HostileInputStopsWithTheLine) {
    const std::string long_field(kMaxRecordBytes, 'x');
    const struct {
        const char* what;
        std::string text;
        int line;
        const char* reason_part;
    } cases[] = {
        {"a line of 1 MB", "a;b\nc;d\n" + long_field + "\n", 3, "длиннее 1 МБ"},
        {"a quoted record growing past 1 MB", "a\n\"" + std::string(600'000, 'x') + "\n" + std::string(600'000, 'y'), 2,
         "кавычка"},
        {"a quote left open", "a;b\nc;\"d\ne;f\n", 2, "кавычка не закрыта"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<Record> records = records_of(c.text, ';');
        ASSERT_FALSE(records.empty());
        ASSERT_EQ(records.back().line, -1) << "no problem reported";
        EXPECT_NE(records.back().fields[0].find("Строка " + std::to_string(c.line)), std::string::npos)
            << records.back().fields[0];
        EXPECT_NE(records.back().fields[0].find(c.reason_part), std::string::npos) << records.back().fields[0];
    }
}

TEST(CsvReading, SeparatorFollowsTheRecordsNotTheCommasInPrices) {
    EXPECT_EQ(detect_separator("Цена, руб;Количество\n12,50;3\n1,20;4\n"), ';');
    EXPECT_EQ(detect_separator("Name,Price\n\"a;b\",1.5\n"), ',');
    EXPECT_EQ(detect_separator("Name\tPrice,EUR\nx\t1,5\n"), '\t');
    EXPECT_EQ(detect_separator("Название\nДиод\n"), ';');
}

// A cell and what it reads as; nullptr when it is refused.
struct NumberCase {
    NumberText (*read)(std::string_view);
    const char* cell;
    const char* text;
};

TEST(Numbers, QuantitiesAndPricesAsPeopleTypeThem) {
    const auto q = quantity_from_cell;
    const auto p = price_from_cell;
    const NumberCase cases[] = {
        {q, "", "0"},
        {q, "  ", "0"},
        {q, "007", "7"},
        {q, "1 000", "1000"},
        {q, "1\u00A0000", "1000"},
        {q, "1\u202F000 000", "1000000"},
        {q, "1.000.000", "1000000"},
        {q, "-0", "0"},
        {q, "2147483647", "2147483647"},
        {q, "2147483648", nullptr},
        {q, "-1", nullptr},
        {q, "2,5", nullptr},
        {q, "1,000", nullptr},  // one separator is a decimal one
        {q, "5 шт", nullptr},
        {q, "1 00", nullptr},
        {q, "1,000.000", nullptr},
        {p, "", ".0000"},
        {p, "0", ".0000"},
        {p, "12,50", "12.5000"},
        {p, "12.5", "12.5000"},
        {p, ",5", ".5000"},
        {p, "0,1234", ".1234"},
        {p, "12,", "12.0000"},
        {p, " 1 000,50\u00A0", "1000.5000"},
        {p, "1.000,50", "1000.5000"},
        {p, "1,000.50", "1000.5000"},
        {p, "1,000,000", "1000000.0000"},
        {p, "0.100000", ".1000"},
        {p, "99999999999,9999", "99999999999.9999"},
        {p, "0,12345", nullptr},
        {p, "100000000000", nullptr},
        {p, "12р", nullptr},
        {p, "$12", nullptr},
        {p, "1e3", nullptr},
        {p, "-5", nullptr},
        {p, "1.2.3", nullptr},
        {p, "1 000.000,5", nullptr},
        {p, ",", nullptr},
        {p, "12 ,5", nullptr},
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(std::string(c.read == q ? "quantity " : "price ") + c.cell);
        const NumberText n = c.read(c.cell);
        if (c.text == nullptr) {
            EXPECT_FALSE(n.ok());
        } else {
            EXPECT_TRUE(n.ok()) << n.error;
            EXPECT_EQ(n.text, c.text);
        }
    }
    EXPECT_EQ(quantity_from_cell("2,5").error, "«2,5» — не целое число");
    EXPECT_EQ(quantity_from_cell("-3").error, "«-3» — отрицательное число");
    EXPECT_EQ(price_from_cell("12р").error, "«12р» — не число");
}

TEST(Numbers, MoneyTexts) {
    EXPECT_EQ(money_units(".5000"), 5000);
    EXPECT_EQ(money_units("12.50"), 125000);
    EXPECT_EQ(money_units("-.2500"), -2500);
    EXPECT_EQ(money_units("12.34567"), std::nullopt);
    EXPECT_EQ(money_units("1,5"), std::nullopt);
    EXPECT_EQ(stored_money_text(0), ".0000");
    EXPECT_EQ(stored_money_text(125000), "12.5000");
    EXPECT_EQ(stored_money_text(-2500), "-.2500");
    EXPECT_EQ(spreadsheet_money_text(0), "0.00");
    EXPECT_EQ(spreadsheet_money_text(1234), "0.1234");
    EXPECT_EQ(spreadsheet_money_text(-2500), "-0.25");
    EXPECT_EQ(spreadsheet_money_text(static_cast<__int128>(1) << 80), "120892581961462917470.6176");
}

}  // namespace
}  // namespace detalehran::spreadsheet
