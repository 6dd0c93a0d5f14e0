// A section or place click reads the rows under a path by the column's
// index: the narrowed LIKE must give exactly the rows, in the order, of the
// LIKE read over the whole table.

#include "core/like_ranges.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/access_functions.h"
#include "core/dialect.h"
#include "store/store_schema.h"

namespace {

using detalehran::odbc::translate_statement;
namespace store = detalehran::store;

class LikeRanges : public ::testing::Test {
protected:
    void SetUp() override {
        path_ =
            (std::filesystem::temp_directory_path() / ("like-ranges-" + std::to_string(::getpid()) + ".mdb")).string();
        std::filesystem::remove(path_);
        std::string error;
        ASSERT_TRUE(store::create_store_file(path_, &error)) << error;
        ASSERT_EQ(sqlite3_open(path_.c_str(), &db_), SQLITE_OK);
        ASSERT_TRUE(detalehran::odbc::register_statement_functions(db_));
    }
    void TearDown() override {
        sqlite3_close(db_);
        std::filesystem::remove(path_);
    }

    void add(const std::string& name, const std::string& path) {
        sqlite3_stmt* s = nullptr;
        ASSERT_EQ(
            sqlite3_prepare_v2(db_, "INSERT INTO \"Store\" (\"Название\", \"Путь\") VALUES (?1, ?2)", -1, &s, nullptr),
            SQLITE_OK);
        sqlite3_bind_text(s, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 2, path.c_str(), -1, SQLITE_TRANSIENT);
        EXPECT_EQ(sqlite3_step(s), SQLITE_DONE);
        sqlite3_finalize(s);
    }

    // The names of the rows an SQLite statement gives with every marker
    // bound to the pattern.
    std::vector<std::string> names(const std::string& sql, const std::string& pattern) {
        std::vector<std::string> out;
        sqlite3_stmt* s = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr), SQLITE_OK) << sql << sqlite3_errmsg(db_);
        for (int k = 1; k <= sqlite3_bind_parameter_count(s); ++k)
            sqlite3_bind_text(s, k, pattern.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(s) == SQLITE_ROW)
            out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
        sqlite3_finalize(s);
        return out;
    }

    std::string plan(const std::string& sql) {
        std::string out;
        sqlite3_stmt* s = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db_, ("EXPLAIN QUERY PLAN " + sql).c_str(), -1, &s, nullptr), SQLITE_OK);
        while (sqlite3_step(s) == SQLITE_ROW) out += reinterpret_cast<const char*>(sqlite3_column_text(s, 3));
        sqlite3_finalize(s);
        return out;
    }

    std::string path_;
    sqlite3* db_ = nullptr;
};

TEST_F(LikeRanges, SameRowsInTheSameOrderAsTheWholeTable) {
    const std::vector<std::string> paths = {
        "|Все|",
        "|Все|Резисторы|",
        "|Все|резисторы|SMD|",
        "|Все|РЕЗИСТОРЫ|Выводные|",
        "|Все|Резисторы SMD|",
        "|Все|Резисторыя|",
        "|Все|Резисторы}|",
        "|Все|Ёмкости|",
        "|Все|Емкости|",
        "|Все|ёмкости|Танталовые|",
        "|Все|Diodes|",
        "|Все|DIODES|Schottky|",
        "|Все|diodes_old|",
        "|Все|diodesXold|",
        "|Все|[Склад]|",
        "|Все|[склад]|Полка|",
        "|Все|Склад]|",
        "|Все|100%|",
        "|Все|100x|",
        "|Все|Σίγμα|",
        "|Все|ΣΊΓΜΑ|Два|",
        "|Все|Резисторы|Ω|",
        "|Все||",
        "|Все|\xF4\x8F\xBF\xBF|",
        "|Bce|",
        "",
    };
    int n = 0;
    for (const std::string& p : paths) add("Деталь " + std::to_string(1000 + n++), p);
    for (int k = 0; k < 2; ++k) add("Безпутная " + std::to_string(k), "|Все|Резисторы|");
    sqlite3_exec(db_, "INSERT INTO \"Store\" (\"Название\") VALUES ('без пути')", nullptr, nullptr, nullptr);

    // The patterns as the program writes a node's path ("[" "%" "_" as a
    // one-character list), and some no node has.
    const std::vector<std::string> patterns = {
        "|Все|%",
        "|Все|Резисторы|%",
        "|ВСЕ|рЕЗИСТОРЫ|%",
        "|Все|Резисторы%",
        "|Все|Ёмкости|%",
        "|Все|емкости|%",
        "|Все|е%",
        "|Все|Ё%",
        "|Все|diodes[_]old|%",
        "|Все|diodes_old|%",
        "|Все|[[]Склад]|%",
        "|Все|[[]СКЛАД]|%",
        "|Все|100[%]|%",
        "|Все|100%|%",
        "|Все|σίγμα|%",
        "|Все|Пусто|%",
        "|Все||%",
        "|Все|\xF4\x8F\xBF\xBF|%",
        "|Все|Резисторы|Ω",
        "|%",
        "%",
        "_Все|%",
        "[|]Все|%",
        "",
    };
    const std::string program = "SELECT [Название] FROM [Store] WHERE [Путь] LIKE ? ORDER BY [Название]";
    const auto t = translate_statement(program);
    ASSERT_TRUE(t.ok) << t.error;
    ASSERT_EQ(t.like_columns, std::vector<std::string>{"Путь"});
    EXPECT_NE(plan(t.sql).find("USING INDEX Store_Путь (Путь>? AND Путь<?)"), std::string::npos) << plan(t.sql);
    // The range is read where it holds a small part of the table, the
    // whole table in name order where it holds most of it.
    EXPECT_EQ(names("SELECT like_range_pays('Store', 'Путь', ?1)", "|Все|Резисторы|%"), std::vector<std::string>{"1"});
    EXPECT_EQ(names("SELECT like_range_pays('Store', 'Путь', ?1)", "|Все|%"), std::vector<std::string>{"0"});
    EXPECT_EQ(names("SELECT like_range_pays('Store', 'Путь', ?1)", "%Резисторы%"), std::vector<std::string>{"0"});
    const std::string whole =
        "SELECT \"Название\" FROM \"Store\" NOT INDEXED WHERE \"Путь\" LIKE ?1 ORDER BY \"Название\"";
    for (const std::string& pattern : patterns) {
        const std::vector<std::string> expected = names(whole, pattern);
        EXPECT_EQ(names(t.sql, pattern), expected) << pattern;
        // A literal pattern narrows as a marker does.
        std::string quoted = "'";
        for (char c : pattern) quoted += c == '\'' ? std::string("''") : std::string(1, c);
        const auto literal = translate_statement("SELECT [Название] FROM [Store] WHERE ([Путь] LIKE " + quoted +
                                                 "' AND 1 = 1) ORDER BY [Название]");
        ASSERT_TRUE(literal.ok) << literal.error;
        EXPECT_EQ(names(literal.sql, pattern), expected) << pattern;
    }
}

TEST_F(LikeRanges, OnlyWhereTheLikeStandsAlone) {
    const struct {
        const char* jet;
        bool narrowed;
    } cases[] = {
        {"SELECT * FROM [Store] WHERE [Путь] LIKE ? ORDER BY [Название]", true},
        {"DELETE * FROM [Store] WHERE [Расположение] LIKE ?", true},
        {"SELECT * FROM [Store] AS s WHERE s.[Путь] LIKE 'a%' AND [ID] > 3", true},
        {"SELECT * FROM [Store] WHERE [ID] IN (SELECT [ID] FROM [Temp] WHERE [Путь] LIKE ?)", true},
        {"SELECT TOP 5 * FROM [Store] WHERE [Путь] LIKE ? ORDER BY [Название]", true},
        {"SELECT IIf([Название] LIKE ?, 1, 0) FROM [Store] WHERE [Путь] LIKE ? & '%'", false},
        {"SELECT [Путь] LIKE ? FROM [Store]", false},
        {"SELECT * FROM [Store] WHERE [Путь] NOT LIKE ?", false},
        {"SELECT * FROM [Store] WHERE [Путь] LIKE ? ESCAPE '!'", false},
        {"SELECT * FROM [Store] WHERE [Путь] LIKE ? || '%'", false},
        {"SELECT * FROM [Store] WHERE 'x' || [Путь] LIKE ?", false},
        {"SELECT * FROM [Store] WHERE [Путь] LIKE '%a'", false},
        {"SELECT * FROM [Store] WHERE [ID] BETWEEN 1 AND [Путь] LIKE ?", false},
        {"SELECT * FROM [Store] WHERE [Путь] LIKE ? -- comment", false},
    };
    for (const auto& c : cases) {
        const auto t = translate_statement(c.jet);
        ASSERT_TRUE(t.ok) << c.jet << ": " << t.error;
        EXPECT_EQ(!t.like_columns.empty(), c.narrowed) << c.jet << " -> " << t.sql;
        EXPECT_EQ(t.sql.find("jet_like_floor") != std::string::npos, c.narrowed) << t.sql;
        sqlite3_stmt* s = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db_, t.sql.c_str(), -1, &s, nullptr), SQLITE_OK) << t.sql << sqlite3_errmsg(db_);
        sqlite3_finalize(s);
        EXPECT_EQ(translate_statement(c.jet, false).like_columns.size(), 0u) << c.jet;
    }
}

}  // namespace
