// Scrollable cursors as office suites use them: every fetch orientation,
// rowsets bound by column and by row, SQLExtendedFetch, row counts, and
// cursor types the driver does not have turned into one it has.

#include "odbc_support.h"

namespace dtest {
namespace {

class Scrolling : public StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        for (int i = 1; i <= 5; ++i) {
            Item item;
            item.name = "Деталь " + std::to_string(i);
            ids_.push_back(add_item(item));
        }
    }

    // A static cursor over the IDs in order.
    void open(Statement& s) {
        ASSERT_EQ(SQLSetStmtAttr(s.handle(), SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CURSOR_STATIC), 0),
                  SQL_SUCCESS);
        ASSERT_EQ(s.exec("SELECT [ID] FROM [Store] ORDER BY [ID]"), SQL_SUCCESS) << describe(s.diags());
    }

    // The ID a fetch lands on, or 0 for no row.
    long scroll(Statement& s, SQLSMALLINT orientation, SQLLEN offset = 0) {
        const SQLRETURN rc = SQLFetchScroll(s.handle(), orientation, offset);
        if (rc == SQL_NO_DATA) return 0;
        EXPECT_TRUE(SQL_SUCCEEDED(rc)) << describe(s.diags());
        SQLINTEGER id = 0;
        SQLLEN indicator = 0;
        EXPECT_EQ(SQLGetData(s.handle(), 1, SQL_C_LONG, &id, 0, &indicator), SQL_SUCCESS) << describe(s.diags());
        return id;
    }

    std::vector<long> ids_;
};

TEST_F(Scrolling, EveryOrientationLandsOnItsRow) {
    struct Step {
        SQLSMALLINT orientation;
        SQLLEN offset;
        int row;  // 1-based row of ids_, 0 for none
    };
    // As LibreOffice does it: the last row first, then back to the start.
    const std::vector<Step> steps = {
        {SQL_FETCH_LAST, 0, 5},      {SQL_FETCH_FIRST, 0, 1},     {SQL_FETCH_NEXT, 0, 2},
        {SQL_FETCH_NEXT, 0, 3},      {SQL_FETCH_PRIOR, 0, 2},     {SQL_FETCH_ABSOLUTE, 4, 4},
        {SQL_FETCH_ABSOLUTE, -2, 4}, {SQL_FETCH_RELATIVE, -3, 1}, {SQL_FETCH_RELATIVE, 2, 3},
        {SQL_FETCH_RELATIVE, 5, 0},  {SQL_FETCH_PRIOR, 0, 5},     {SQL_FETCH_ABSOLUTE, 0, 0},
        {SQL_FETCH_NEXT, 0, 1},      {SQL_FETCH_PRIOR, 0, 0},     {SQL_FETCH_RELATIVE, 1, 1},
        {SQL_FETCH_ABSOLUTE, 9, 0},  {SQL_FETCH_ABSOLUTE, -9, 0}, {SQL_FETCH_NEXT, 0, 1},
    };
    Statement s(db_);
    ASSERT_NO_FATAL_FAILURE(open(s));
    for (std::size_t k = 0; k < steps.size(); ++k) {
        SCOPED_TRACE("step " + std::to_string(k + 1));
        EXPECT_EQ(scroll(s, steps[k].orientation, steps[k].offset), steps[k].row ? ids_[steps[k].row - 1] : 0);
    }
    EXPECT_EQ(SQLFetchScroll(s.handle(), SQL_FETCH_BOOKMARK, 0), SQL_ERROR);
    EXPECT_EQ(s.diags().at(0).state, "HY106");
}

// LibreOffice's first look at a table: the last row, then the first; the
// first row must not be lost to the look at the last.
TEST_F(Scrolling, FirstRowAfterLastAndAfterForwardReads) {
    Statement s(db_);
    ASSERT_NO_FATAL_FAILURE(open(s));
    EXPECT_EQ(scroll(s, SQL_FETCH_LAST), ids_[4]);
    EXPECT_EQ(scroll(s, SQL_FETCH_FIRST), ids_[0]);
    std::vector<long> seen = {ids_[0]};
    while (long id = scroll(s, SQL_FETCH_NEXT)) seen.push_back(id);
    EXPECT_EQ(seen, ids_);
}

TEST_F(Scrolling, StaticRowsStayWhileTheSameConnectionWrites) {
    Statement s(db_);
    ASSERT_NO_FATAL_FAILURE(open(s));
    EXPECT_EQ(scroll(s, SQL_FETCH_NEXT), ids_[0]);
    must("DELETE FROM [Store] WHERE [ID] = " + std::to_string(ids_[0]));
    must(insert_statement(Item{}));
    EXPECT_EQ(scroll(s, SQL_FETCH_LAST), ids_[4]);
    EXPECT_EQ(scroll(s, SQL_FETCH_FIRST), ids_[0]);
    SQLLEN count = 0;
    EXPECT_EQ(SQLRowCount(s.handle(), &count), SQL_SUCCESS);
    EXPECT_EQ(count, 5);
}

TEST_F(Scrolling, RowCountOfAResultOnlyWhereItIsKnownCheaply) {
    Statement scrollable(db_);
    ASSERT_NO_FATAL_FAILURE(open(scrollable));
    SQLLEN count = 0;
    EXPECT_EQ(SQLRowCount(scrollable.handle(), &count), SQL_SUCCESS);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(scroll(scrollable, SQL_FETCH_FIRST), ids_[0]);  // counting moved nothing
    Statement forward(db_);
    ASSERT_EQ(forward.exec("SELECT [ID] FROM [Store]"), SQL_SUCCESS);
    EXPECT_EQ(SQLRowCount(forward.handle(), &count), SQL_SUCCESS);
    EXPECT_EQ(count, -1);
    EXPECT_EQ(SQLFetchScroll(forward.handle(), SQL_FETCH_FIRST, 0), SQL_ERROR);
    EXPECT_EQ(forward.diags().at(0).state, "HY106");
}

TEST_F(Scrolling, CursorTypesTheDriverLacksBecomeStatic) {
    for (SQLULEN asked : {SQL_CURSOR_DYNAMIC, SQL_CURSOR_KEYSET_DRIVEN}) {
        Statement s(db_);
        EXPECT_EQ(SQLSetStmtAttr(s.handle(), SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(asked), 0),
                  SQL_SUCCESS_WITH_INFO);
        EXPECT_EQ(s.diags().at(0).state, "01S02");
        SQLULEN type = 0;
        EXPECT_EQ(SQLGetStmtAttr(s.handle(), SQL_ATTR_CURSOR_TYPE, &type, 0, nullptr), SQL_SUCCESS);
        EXPECT_EQ(type, static_cast<SQLULEN>(SQL_CURSOR_STATIC));
        EXPECT_EQ(SQLSetStmtAttr(s.handle(), SQL_ATTR_CONCURRENCY, reinterpret_cast<SQLPOINTER>(SQL_CONCUR_LOCK), 0),
                  SQL_SUCCESS_WITH_INFO);
    }
    // What the driver says it can do is what it does.
    SQLUINTEGER options = 0, static1 = 0, dynamic1 = 0;
    ASSERT_EQ(SQLGetInfo(db_.handle(), SQL_SCROLL_OPTIONS, &options, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(options, static_cast<SQLUINTEGER>(SQL_SO_FORWARD_ONLY | SQL_SO_STATIC));
    ASSERT_EQ(SQLGetInfo(db_.handle(), SQL_STATIC_CURSOR_ATTRIBUTES1, &static1, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(static1 & (SQL_CA1_NEXT | SQL_CA1_ABSOLUTE | SQL_CA1_RELATIVE),
              static_cast<SQLUINTEGER>(SQL_CA1_NEXT | SQL_CA1_ABSOLUTE | SQL_CA1_RELATIVE));
    ASSERT_EQ(SQLGetInfo(db_.handle(), SQL_DYNAMIC_CURSOR_ATTRIBUTES1, &dynamic1, 0, nullptr), SQL_SUCCESS);
    EXPECT_EQ(dynamic1, 0u);
}

// Rowsets of three rows into arrays bound by column and by row, through
// SQLFetchScroll and SQLExtendedFetch, for both kinds of cursor.
TEST_F(Scrolling, RowsetsFillBoundArrays) {
    struct Pair {
        SQLINTEGER id;
        SQLLEN id_ind;
        char name[32];
        SQLLEN name_ind;
    };
    for (bool by_row : {false, true}) {
        for (bool scrollable : {false, true}) {
            SCOPED_TRACE(std::string(by_row ? "by row" : "by column") + (scrollable ? ", static" : ", forward"));
            Statement s(db_);
            SQLHSTMT h = s.handle();
            if (scrollable) {
                SQLSetStmtAttr(h, SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CURSOR_STATIC), 0);
            }
            const std::string sql = "SELECT [ID], [Название] FROM [Store] ORDER BY [ID]";
            SQLINTEGER ids[3] = {};
            SQLLEN id_ind[3] = {};
            char names[3][32] = {};
            SQLLEN name_ind[3] = {};
            Pair pairs[3] = {};
            SQLULEN fetched = 0;
            SQLUSMALLINT status[3] = {};
            SQLSetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(3), 0);
            SQLSetStmtAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, &fetched, 0);
            SQLSetStmtAttr(h, SQL_ATTR_ROW_STATUS_PTR, status, 0);
            if (by_row) {
                SQLSetStmtAttr(h, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(sizeof(Pair)), 0);
                SQLBindCol(h, 1, SQL_C_SLONG, &pairs[0].id, 0, &pairs[0].id_ind);
                SQLBindCol(h, 2, SQL_C_CHAR, pairs[0].name, sizeof pairs[0].name, &pairs[0].name_ind);
            } else {
                SQLBindCol(h, 1, SQL_C_SLONG, ids, 0, id_ind);
                SQLBindCol(h, 2, SQL_C_CHAR, names, sizeof names[0], name_ind);
            }
            ASSERT_EQ(s.exec(sql), SQL_SUCCESS) << describe(s.diags());
            auto id_at = [&](int k) { return by_row ? pairs[k].id : ids[k]; };
            auto name_at = [&](int k) { return std::string(by_row ? pairs[k].name : names[k]); };
            ASSERT_EQ(SQLFetchScroll(h, SQL_FETCH_NEXT, 0), SQL_SUCCESS) << describe(s.diags());
            EXPECT_EQ(fetched, 3u);
            EXPECT_EQ(id_at(2), ids_[2]);
            EXPECT_EQ(name_at(1), "Деталь 2");
            ASSERT_EQ(SQLFetchScroll(h, SQL_FETCH_NEXT, 0), SQL_SUCCESS);
            EXPECT_EQ(fetched, 2u);
            EXPECT_EQ(id_at(1), ids_[4]);
            EXPECT_EQ(status[1], SQL_ROW_SUCCESS);
            EXPECT_EQ(status[2], SQL_ROW_NOROW);
            EXPECT_EQ(SQLFetchScroll(h, SQL_FETCH_NEXT, 0), SQL_NO_DATA);
            if (!scrollable) continue;
            // ODBC 2's block fetch, on a cursor of its own: its own rowset
            // size, count and status.
            ASSERT_EQ(SQLCloseCursor(h), SQL_SUCCESS);
            ASSERT_EQ(s.exec(sql), SQL_SUCCESS) << describe(s.diags());
            SQLSetStmtAttr(h, SQL_ROWSET_SIZE, reinterpret_cast<SQLPOINTER>(2), 0);
            SQLULEN count = 0;
            SQLUSMALLINT old_status[2] = {};
            ASSERT_EQ(SQLExtendedFetch(h, SQL_FETCH_ABSOLUTE, 4, &count, old_status), SQL_SUCCESS)
                << describe(s.diags());
            EXPECT_EQ(count, 2u);
            EXPECT_EQ(id_at(0), ids_[3]);
            EXPECT_EQ(name_at(1), "Деталь 5");
            EXPECT_EQ(old_status[1], SQL_ROW_SUCCESS);
        }
    }
}

}  // namespace
}  // namespace dtest
