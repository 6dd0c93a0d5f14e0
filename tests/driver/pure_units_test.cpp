// The driver's pieces that need no database: LIKE patterns and text order,
// money text, UTF-8 and UTF-16, and the translation of the Access dialect.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "core/dialect.h"
#include "core/money.h"
#include "core/text_io.h"
#include "store/text_fold.h"

namespace {

using detalehran::odbc::money_text;
using detalehran::odbc::StatementKind;
using detalehran::odbc::translate_statement;
using detalehran::odbc::utf16_of;
using detalehran::odbc::utf8_of;
using detalehran::odbc::write_utf16;
using detalehran::store::compare_folded;
using detalehran::store::LikePattern;

bool like(const char* text, const char* pattern, char32_t escape = 0) {
    return LikePattern(pattern, escape).matches(text);
}

TEST(LikePattern, WildcardsCountCharactersNotBytes) {
    EXPECT_TRUE(like("", "%"));
    EXPECT_TRUE(like("abc", "%%%"));
    EXPECT_TRUE(like("Резистор 10кОм", "%10%"));
    EXPECT_TRUE(like("Ж", "_"));
    EXPECT_TRUE(like("ёж", "__"));
    EXPECT_FALSE(like("ёж", "_"));
    EXPECT_FALSE(like("ac", "a_c"));
    EXPECT_TRUE(like("a c", "a_c"));
    EXPECT_FALSE(like("abc", "ab"));
    EXPECT_FALSE(like("ab", "abc"));
    // Back-tracking over several runs.
    EXPECT_TRUE(like("xxaxxbxxc", "%a%b%c"));
    EXPECT_FALSE(like("xxcxxbxxa", "%a%b%c"));
    EXPECT_TRUE(like("aab", "%ab"));
    EXPECT_TRUE(like("abab", "%ab%ab"));
}

TEST(LikePattern, LetterCaseIsIgnored) {
    EXPECT_TRUE(like("LED Red", "%red%"));
    EXPECT_TRUE(like("led red", "%RED%"));
    EXPECT_TRUE(like("Резистор 10кОм", "резистор%"));
    EXPECT_TRUE(like("РЕЗИСТОР", "%истор"));
    EXPECT_TRUE(like("Ёлка", "ёлка"));
    EXPECT_TRUE(like("ёлка", "ЁЛКА"));
    EXPECT_FALSE(like("елка", "ёлка"));
    EXPECT_TRUE(like("Ωμέγα", "ωΜΈΓΑ"));
}

TEST(LikePattern, ListsNegationAndRanges) {
    EXPECT_TRUE(like("b", "[abc]"));
    EXPECT_FALSE(like("d", "[abc]"));
    EXPECT_TRUE(like("B", "[abc]"));
    EXPECT_TRUE(like("x", "[!a]"));
    EXPECT_FALSE(like("A", "[!a]"));
    EXPECT_TRUE(like("k", "[a-z]"));
    EXPECT_TRUE(like("K", "[a-z]"));
    EXPECT_FALSE(like("5", "[a-z]"));
    EXPECT_TRUE(like("5", "[!a-z]"));
    EXPECT_TRUE(like("R12", "R[0-9][0-9]"));
    EXPECT_FALSE(like("R1x", "R[0-9][0-9]"));
    EXPECT_TRUE(like("Ж", "[а-я]"));
    EXPECT_TRUE(like("ж", "[А-Я]"));
    EXPECT_TRUE(like("c", "[a-c-]"));
    EXPECT_TRUE(like("-", "[a-c-]"));
    EXPECT_FALSE(like("b", "[z-a]"));  // an inverted range holds nothing
    EXPECT_TRUE(like("ab", "a[]b"));
}

TEST(LikePattern, ListsMakeWildcardsLiteral) {
    EXPECT_TRUE(like("a_b", "a[_]b"));
    EXPECT_FALSE(like("axb", "a[_]b"));
    EXPECT_TRUE(like("50%", "50[%]"));
    EXPECT_FALSE(like("500", "50[%]"));
    EXPECT_TRUE(like("[1]", "[[]1]"));
    EXPECT_FALSE(like("11]", "[[]1]"));
    EXPECT_TRUE(like("50%", "%[%]%"));
}

TEST(LikePattern, UnclosedBracketIsLiteral) {
    EXPECT_TRUE(like("a[b", "a[b"));
    EXPECT_FALSE(like("ab", "a[b"));
    EXPECT_TRUE(like("x[", "%["));
    EXPECT_TRUE(like("a[!b", "a[!b"));
}

TEST(LikePattern, EscapeMakesNextCharacterLiteral) {
    EXPECT_TRUE(like("50%", "50\\%", U'\\'));
    EXPECT_FALSE(like("500", "50\\%", U'\\'));
    EXPECT_TRUE(like("a_b", "a\\_b", U'\\'));
    EXPECT_FALSE(like("axb", "a\\_b", U'\\'));
    EXPECT_TRUE(like("Store_x", "Store\\_%", U'\\'));
    EXPECT_TRUE(like("ЁЖ", "\\ё\\ж", U'\\'));
    EXPECT_TRUE(like("a\\", "a\\", U'\\'));  // a closing escape stands for itself
}

TEST(LikePattern, InvalidUtf8IsMatchedByteForByte) {
    EXPECT_TRUE(like("\xff", "_"));
    EXPECT_TRUE(like("\xff", "\xff"));
    EXPECT_FALSE(like("\xfe", "\xff"));
    EXPECT_TRUE(like("a\xd0", "a_"));  // a cut-off sequence is one character
    EXPECT_TRUE(like("a\xff\xfe", "a%"));
    EXPECT_TRUE(like("\xc0\xafx", "__x"));  // overlong form: two characters
    EXPECT_FALSE(like("\xc0\xaf", "/"));
}

TEST(CompareFolded, EqualButForLetterCase) {
    EXPECT_EQ(compare_folded("Резистор", "РЕЗИСТОР"), 0);
    EXPECT_EQ(compare_folded("abc", "ABC"), 0);
    EXPECT_EQ(compare_folded("Ёж", "ёЖ"), 0);
    EXPECT_NE(compare_folded("еж", "ёж"), 0);
    EXPECT_EQ(compare_folded("\xff", "\xff"), 0);
    EXPECT_NE(compare_folded("\xfe", "\xff"), 0);
    EXPECT_EQ(compare_folded("", ""), 0);
}

TEST(CompareFolded, DictionaryOrder) {
    std::vector<std::string> words = {"жук",    "Ёрш",    "ёж",    "Ель", "ежевика", "Банан", "арбуз",
                                      "cherry", "Banana", "apple", "ab",  "a",       ""};
    std::sort(words.begin(), words.end(),
              [](const std::string& a, const std::string& b) { return compare_folded(a, b) < 0; });
    EXPECT_EQ(words, (std::vector<std::string>{"", "a", "ab", "apple", "Banana", "cherry", "арбуз", "Банан", "ежевика",
                                               "Ель", "ёж", "Ёрш", "жук"}));
    // Consistent both ways.
    for (const auto& a : words) {
        for (const auto& b : words) {
            const int ab = compare_folded(a, b);
            const int ba = compare_folded(b, a);
            EXPECT_EQ(ab<0, ba> 0) << a << " / " << b;
            EXPECT_EQ(ab == 0, ba == 0) << a << " / " << b;
        }
    }
}

TEST(MoneyText, FourDecimalsWithoutLeadingZero) {
    EXPECT_EQ(money_text(12.5), "12.5000");
    EXPECT_EQ(money_text(0.5), ".5000");
    EXPECT_EQ(money_text(0.0), ".0000");
    EXPECT_EQ(money_text(-0.0), ".0000");
    EXPECT_EQ(money_text(99999.99), "99999.9900");
    EXPECT_EQ(money_text(-0.5), "-.5000");
    EXPECT_EQ(money_text(-12.25), "-12.2500");
    EXPECT_EQ(money_text(0.0001), ".0001");
    EXPECT_EQ(money_text(1e-300), ".0000");
}

TEST(MoneyText, RoundsTheWrittenDecimalHalfAwayFromZero) {
    EXPECT_EQ(money_text(1.00005), "1.0001");
    EXPECT_EQ(money_text(-1.00005), "-1.0001");
    EXPECT_EQ(money_text(0.00004), ".0000");
    EXPECT_EQ(money_text(-0.00004), ".0000");
    EXPECT_EQ(money_text(0.00005), ".0001");
    EXPECT_EQ(money_text(0.99995), "1.0000");
    EXPECT_EQ(money_text(9.99995), "10.0000");
    EXPECT_EQ(money_text(1.23454), "1.2345");
}

// Decimals whose nearest double lies just below them: rounding must go by
// the decimal that was written, not by digits beyond it.
TEST(MoneyText, RoundsDecimalsStoredJustBelowTheirValue) {
    EXPECT_EQ(money_text(0.00785), ".0079");
    EXPECT_EQ(money_text(0.06255), ".0626");
    EXPECT_EQ(money_text(-0.06255), "-.0626");
}

TEST(MoneyText, LargeAmounts) {
    EXPECT_EQ(money_text(123456789012.3456), "123456789012.3456");
    EXPECT_EQ(money_text(922337203685476.5), "922337203685476.5000");
    EXPECT_EQ(money_text(1e15), "1000000000000000.0000");
    EXPECT_EQ(money_text(-1e20), "-100000000000000000000.0000");
}

TEST(MoneyText, WholeAmounts) {
    EXPECT_EQ(money_text(std::int64_t{0}), ".0000");
    EXPECT_EQ(money_text(std::int64_t{5}), "5.0000");
    EXPECT_EQ(money_text(std::int64_t{-3}), "-3.0000");
    EXPECT_EQ(money_text(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808.0000");
    EXPECT_EQ(money_text(std::numeric_limits<std::int64_t>::max()), "9223372036854775807.0000");
}

// Every way text reaches a wide client: ASCII, two-, three- and four-byte
// characters, and bytes that are no UTF-8, each of which becomes U+FFFD.
TEST(Utf16, FromUtf8) {
    const struct {
        const char* utf8;
        std::u16string utf16;
    } cases[] = {
        {"", u""},
        {"Resistor 10k", u"Resistor 10k"},
        {"Резистор 43 кОм ±5%", u"Резистор 43 кОм ±5%"},
        {"€ 1,5 → 2", u"€ 1,5 → 2"},
        {"😀x", u"😀x"},
        {"a\x80"
         "b",
         u"a\uFFFDb"},                                      // a lone continuation byte
        {"ab\xD0", u"ab\uFFFD"},                            // cut at the end
        {"\xC0\xAF!", u"\uFFFD\uFFFD!"},                    // an overlong "/"
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // a surrogate written as UTF-8
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(utf16_of(c.utf8), c.utf16);
        // Straight into a client's buffer, which need not be aligned.
        const std::string_view utf8(c.utf8);
        std::string buffer(1 + 2 * utf8.size(), '\xAA');
        const std::size_t units = write_utf16(utf8, buffer.data() + 1);
        ASSERT_EQ(units, c.utf16.size());
        EXPECT_EQ(std::memcmp(buffer.data() + 1, c.utf16.data(), 2 * units), 0);
        EXPECT_EQ(buffer[0], '\xAA');
    }
}

TEST(Utf16, ToUtf8) {
    EXPECT_EQ(utf8_of(u"Резистор 😀 € x"), "Резистор 😀 € x");
    EXPECT_EQ(utf8_of(std::u16string{u'a', 0xD800, u'b'}),
              "a\uFFFD"
              "b");  // a lone high surrogate
    EXPECT_EQ(utf8_of(std::u16string{0xDC00}), "\uFFFD");
    EXPECT_EQ(utf8_of(std::u16string{0xD83D}), "\uFFFD");  // a pair cut at the end
}

void expect_translation(const char* jet, const char* sqlite, StatementKind kind) {
    const auto t = translate_statement(jet);
    ASSERT_TRUE(t.ok) << jet << ": " << t.error;
    EXPECT_EQ(t.sql, sqlite) << jet;
    EXPECT_EQ(t.kind, kind) << jet;
}

TEST(TranslateStatement, BracketsBecomeQuotedNames) {
    expect_translation("SELECT * FROM [Store] ORDER BY [Название]", "SELECT * FROM \"Store\" ORDER BY \"Название\"",
                       StatementKind::select);
    expect_translation("SELECT [a\"b], [it's] FROM [Store]", "SELECT \"a\"\"b\", \"it's\" FROM \"Store\"",
                       StatementKind::select);
    expect_translation("INSERT INTO [Store] ([Тип корпуса])VALUES ('SOT-23')",
                       "INSERT INTO \"Store\" (\"Тип корпуса\")VALUES ('SOT-23')", StatementKind::insert);
    expect_translation("UPDATE `Temp` SET [Путь] = 'a[b]' WHERE [ID] =5",
                       "UPDATE \"Temp\" SET \"Путь\" = 'a[b]' WHERE \"ID\" =5", StatementKind::update);
}

TEST(TranslateStatement, TextLiterals) {
    expect_translation("SELECT * FROM [Store] WHERE [Путь] LIKE '%O''Hara [_]%'",
                       "SELECT * FROM \"Store\" WHERE \"Путь\" LIKE '%O''Hara [_]%'", StatementKind::select);
    expect_translation("SELECT * FROM [Store] WHERE [Название] = \"O'Hara \"\"Ltd\"\"\"",
                       "SELECT * FROM \"Store\" WHERE \"Название\" = 'O''Hara \"Ltd\"'", StatementKind::select);
    expect_translation("UPDATE [Store] SET [Путь] = '[Store]' WHERE [ID] = 1",
                       "UPDATE \"Store\" SET \"Путь\" = '[Store]' WHERE \"ID\" = 1", StatementKind::update);
}

TEST(TranslateStatement, DeleteNamesWholeRows) {
    expect_translation("DELETE * FROM [Store] WHERE [Путь] LIKE '%a%'",
                       "DELETE FROM \"Store\" WHERE \"Путь\" LIKE '%a%'", StatementKind::delete_rows);
    expect_translation("DELETE [Store].* FROM [Store] WHERE [ID] = 3", "DELETE FROM \"Store\" WHERE \"ID\" = 3",
                       StatementKind::delete_rows);
    expect_translation("DELETE FROM [Store] WHERE [ID] =7", "DELETE FROM \"Store\" WHERE \"ID\" =7",
                       StatementKind::delete_rows);
    expect_translation("DELETE * FROM [Store] WHERE [ID] IN (SELECT [ID] FROM [Temp])",
                       "DELETE FROM \"Store\" WHERE \"ID\" IN (SELECT \"ID\" FROM \"Temp\")",
                       StatementKind::delete_rows);
}

TEST(TranslateStatement, KeywordsInAnyCase) {
    expect_translation("delete * from [Temp]", "delete from \"Temp\"", StatementKind::delete_rows);
    expect_translation("  Select * FROM [Temp]", "  Select * FROM \"Temp\"", StatementKind::select);
    expect_translation("insert INTO [Store] Select * FROM [Temp]", "insert INTO \"Store\" Select * FROM \"Temp\"",
                       StatementKind::insert);
    expect_translation("uPdAtE [Temp] SET [Путь] = ''", "uPdAtE \"Temp\" SET \"Путь\" = ''", StatementKind::update);
}

TEST(TranslateStatement, IdentityOnlyAsJetWritesIt) {
    for (const char* jet : {"SELECT @@IDENTITY", " select  @@Identity;", "SELECT\n@@identity -- last"}) {
        const auto t = translate_statement(jet);
        ASSERT_TRUE(t.ok) << jet;
        EXPECT_EQ(t.command, detalehran::odbc::Command::identity) << jet;
        EXPECT_EQ(t.sql.rfind("SELECT last_insert_rowid() AS \"Expr1000\"", 0), 0u) << t.sql;
    }
    for (const char* other :
         {"SELECT @ @IDENTITY", "SELECT @@IDENTITY2", "SELECT '@@IDENTITY'", "SELECT [@@IDENTITY]"}) {
        EXPECT_EQ(translate_statement(other).command, detalehran::odbc::Command::none) << other;
    }
}

TEST(TranslateStatement, RefusesBrokenTextAndForeignStatements) {
    for (const char* bad : {"SELECT * FROM [Store] WHERE [Путь] = 'open", "SELECT * FROM [Store] WHERE [Путь] = \"open",
                            "SELECT * FROM [Store", "SELECT * FROM `Store", "", "   ", "PRAGMA writable_schema = 1",
                            "pragma case_sensitive_like=1", "ATTACH DATABASE 'x.db' AS x", "DETACH x"}) {
        const auto t = translate_statement(bad);
        EXPECT_FALSE(t.ok) << bad;
        EXPECT_FALSE(t.error.empty()) << bad;
    }
}

}  // namespace
