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
        {"\"Unicode text\": UTF-16 LE with its mark, tab",
         "\xFF\xFE" + test::converted("Наименование\tКол-во\r\nРезистор 10к\t1 000\r\n", "UTF-16LE"),
         Encoding::utf16le,
         '\t',
         {{1, {"Наименование", "Кол-во"}}, {2, {"Резистор 10к", "1 000"}}}},
        {"UTF-16 BE with its mark, a character beyond the BMP",
         "\xFE\xFF" + test::converted("Name;Qty\nLED 💡;3\n", "UTF-16BE"),
         Encoding::utf16be,
         ';',
         {{1, {"Name", "Qty"}}, {2, {"LED 💡", "3"}}}},
        {"the mark written twice",
         "\xEF\xBB\xBF\xEF\xBB\xBFName;Qty\nR1;5\n",
         Encoding::utf8,
         ';',
         {{1, {"Name", "Qty"}}, {2, {"R1", "5"}}}},
        {"UTF-16 LE without its mark",
         test::converted("Name;Qty\nR1;5\n", "UTF-16LE"),
         Encoding::utf16le,
         ';',
         {{1, {"Name", "Qty"}}, {2, {"R1", "5"}}}},
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
        {"forced UTF-8 that is Windows-1251", test::windows_1251("Название\nДиод\n"), 0, "не в кодировке UTF-8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const bool forced = std::string_view(c.what).starts_with("forced");
        const DecodedText decoded =
            decode_spreadsheet_text(c.bytes, forced ? std::optional(Encoding::utf8) : std::nullopt);
        ASSERT_TRUE(decoded.refusal);
        EXPECT_EQ(decoded.refusal->line, c.line);
        EXPECT_NE(decoded.refusal->reason.find(c.reason_part), std::string::npos) << decoded.refusal->reason;
    }
}

// A few bytes that are no text spoil their own lines only: the file keeps
// its encoding, those bytes read as U+FFFD and each line names its first.
TEST(SpreadsheetFiles, DamagedLinesAreMarkedNotTheFile) {
    std::string six_lines;
    for (int k = 1; k <= 7; ++k) six_lines += "Резистор " + std::to_string(k) + (k == 6 ? "\xE9" : "") + ";Шкаф\n";
    const struct {
        const char* what;
        std::string bytes;
        Encoding encoding;
        std::vector<Problem> problems;
        const char* text_part;
    } cases[] = {
        {"one bad byte on line 6 of UTF-8",
         six_lines,
         Encoding::utf8,
         {{6, "байт 0xE9 не в кодировке UTF-8"}},
         "Резистор 6\uFFFD;"},
        {"bad bytes in a file marked UTF-8",
         "\xEF\xBB\xBFНазвание\nДиод\xFF\xFE\nТранзистор\n",
         Encoding::utf8,
         {{2, "байт 0xFF не в кодировке UTF-8"}},
         "Диод\uFFFD\uFFFD\nТранзистор"},
        {"a vertical tab and a C1 control",
         "Name\nA\vB\nC\n\xC2\x85\n",
         Encoding::utf8,
         {{2, "управляющий символ (код 0x0B)"}, {4, "управляющий символ (код 0x85)"}},
         "A\uFFFDB\nC\n\uFFFD"},
        {"an escape in Windows-1251",
         test::windows_1251("Имя\nА") + "\x1B" + test::windows_1251("[0m\nБ\n"),
         Encoding::windows_1251,
         {{2, "управляющий символ (код 0x1B)"}},
         "А\uFFFD[0m\nБ"},
        {"UTF-16: a lone surrogate, a NUL and an odd last byte",
         "\xFF\xFE" + test::converted("a\nb", "UTF-16LE") + std::string("\x00\xD8\n\0\0\0\n\0c\0x", 11),
         Encoding::utf16le,
         {{2, "знак 0xD800 без пары в UTF-16"},
          {3, "управляющий символ (код 0x00)"},
          {4, "последний байт файла без пары в UTF-16"}},
         "a\nb\uFFFD\n\uFFFD\nc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const DecodedText decoded = decode_spreadsheet_text(c.bytes);
        ASSERT_FALSE(decoded.refusal) << decoded.refusal->reason;
        EXPECT_EQ(decoded.encoding, c.encoding);
        EXPECT_EQ(decoded.line_problems, c.problems);
        EXPECT_NE(decoded.text.find(c.text_part), std::string_view::npos) << decoded.text;
    }
    // A decoded text moves with its record, wherever it lives.
    DecodedText moved = decode_spreadsheet_text("a\x1B");
    DecodedText other = std::move(moved);
    EXPECT_EQ(other.text, "a\uFFFD");
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
    NumberText (*read)(std::string_view, CommaReading);
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
        const NumberText n = c.read(c.cell, CommaReading::decimal);
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

// Only "1,250" cells depend on how their column reads the comma; an
// unclear column names both readings.
TEST(Numbers, OneCommaAndThreeDigitsAsTheColumnReadsThem) {
    const struct {
        const char* cell;
        CommaReading reading;
        const char* price;     // nullptr: an error
        const char* quantity;  // nullptr: an error
    } cases[] = {
        {"1,250", CommaReading::decimal, "1.2500", nullptr},
        {"1,250", CommaReading::thousands, "1250.0000", "1250"},
        {"12,500", CommaReading::thousands, "12500.0000", "12500"},
        {"1,250", CommaReading::unclear, nullptr, nullptr},
        {"1,5", CommaReading::thousands, "1.5000", nullptr},  // one reading only
        {"0,250", CommaReading::unclear, ".2500", nullptr},   // no thousands start with 0
        {"1,250.50", CommaReading::unclear, "1250.5000", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.cell) + " " + std::to_string(static_cast<int>(c.reading)));
        for (const auto& [read, expected] : {std::pair{&price_from_cell, c.price}, {&quantity_from_cell, c.quantity}}) {
            const NumberText n = read(c.cell, c.reading);
            EXPECT_EQ(n.ok(), expected != nullptr) << n.error;
            if (expected != nullptr) {
                EXPECT_EQ(n.text, expected);
            }
        }
    }
    EXPECT_EQ(price_from_cell("12,500", CommaReading::unclear).error,
              "«12,500» — неясно, 12500 это или 12,5: запятая в столбце и десятичная, и разделитель тысяч");
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
    EXPECT_EQ(spreadsheet_money_text(10500, ','), "1,05");
    EXPECT_EQ(spreadsheet_money_text(static_cast<__int128>(1) << 80), "120892581961462917470.6176");
}

}  // namespace
}  // namespace detalehran::spreadsheet
