// The wide ("W") entry points as Unicode clients call them: texts in
// UTF-16, each length in characters or in bytes as ODBC says for that
// argument, and a text cut to fit with 01004 and its whole length.

#include "odbc_support.h"

namespace dtest {
namespace {

std::u16string units(const SQLWCHAR* p, std::size_t n) { return std::u16string(reinterpret_cast<const char16_t*>(p), n); }

// SQLSTATE of a handle's first diagnostic record, read the wide way.
std::string first_state(SQLSMALLINT type, SQLHANDLE handle) {
    SQLWCHAR state[6] = {};
    SQLWCHAR text[512];
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetDiagRecW(type, handle, 1, state, &native, text, 512, &length))) return "(none)";
    std::string out;
    for (int i = 0; i < 5; ++i) out += static_cast<char>(state[i]);
    return out;
}

// A connection made the wide way, as Unicode clients make it: unixODBC
// then takes diagnostics from the driver's wide functions too.
class WideText : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string path = new_folder("wide") + "Store.mdb";
        ASSERT_NO_FATAL_FAILURE(create_store(path));
        SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_);
        SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_);
        std::u16string text = u"DRIVER={Microsoft Access Driver (*.mdb)};DBQ=";
        for (char c : path) text += static_cast<char16_t>(static_cast<unsigned char>(c));
        ASSERT_TRUE(SQL_SUCCEEDED(SQLDriverConnectW(dbc_, nullptr, (SQLWCHAR*)text.c_str(), SQL_NTS, nullptr, 0,
                                                    nullptr, SQL_DRIVER_NOPROMPT)))
            << first_state(SQL_HANDLE_DBC, dbc_);
        ASSERT_EQ(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt_), SQL_SUCCESS);
    }
    void TearDown() override {
        SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
        SQLDisconnect(dbc_);
        SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
        SQLFreeHandle(SQL_HANDLE_ENV, env_);
    }

    SQLRETURN exec(const std::u16string& sql) { return SQLExecDirectW(stmt_, (SQLWCHAR*)sql.c_str(), SQL_NTS); }

    // The result of a call that fills a buffer: its return code, the text
    // and the length it reported.
    struct Filled {
        SQLRETURN rc;
        std::u16string text;
        SQLLEN length;
    };
    // Runs fill(buffer, capacity, &length) for a buffer of `room`
    // characters, capacity given in characters or in bytes.
    template <typename Length, typename F>
    Filled filled(std::size_t room, bool capacity_in_bytes, F&& fill) {
        std::vector<SQLWCHAR> buffer(room + 4, 0xAAAA);
        Length length = -1;
        const SQLRETURN rc = fill(buffer.data(), static_cast<Length>(capacity_in_bytes ? room * 2 : room), &length);
        std::size_t n = 0;
        while (n < room && buffer[n] != 0) ++n;
        EXPECT_TRUE(room == 0 || buffer[n] == 0) << "no terminating NUL within the buffer";
        return {rc, units(buffer.data(), n), static_cast<SQLLEN>(length)};
    }

    SQLHENV env_ = SQL_NULL_HENV;
    SQLHDBC dbc_ = SQL_NULL_HDBC;
    SQLHSTMT stmt_ = SQL_NULL_HSTMT;
};

TEST_F(WideText, ColumnNamesCountCharactersOrBytes) {
    ASSERT_EQ(exec(u"SELECT * FROM [Store]"), SQL_SUCCESS);
    auto describe = [&](std::size_t room) {
        return filled<SQLSMALLINT>(room, false, [&](SQLWCHAR* b, SQLSMALLINT cap, SQLSMALLINT* len) {
            return SQLDescribeColW(stmt_, 3, b, cap, len, nullptr, nullptr, nullptr, nullptr);
        });
    };
    auto attribute = [&](std::size_t room) {
        return filled<SQLSMALLINT>(room, true, [&](SQLWCHAR* b, SQLSMALLINT cap, SQLSMALLINT* len) {
            return SQLColAttributeW(stmt_, 3, SQL_DESC_NAME, b, cap, len, nullptr);
        });
    };
    const Filled whole = describe(13);
    EXPECT_EQ(whole.rc, SQL_SUCCESS);
    EXPECT_EQ(whole.text, u"Расположение");
    EXPECT_EQ(whole.length, 12);
    const Filled cut = describe(5);
    EXPECT_EQ(cut.rc, SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(cut.text, u"Расп");
    EXPECT_EQ(cut.length, 12);
    EXPECT_EQ(first_state(SQL_HANDLE_STMT, stmt_), "01004");

    const Filled whole_bytes = attribute(13);
    EXPECT_EQ(whole_bytes.rc, SQL_SUCCESS);
    EXPECT_EQ(whole_bytes.text, u"Расположение");
    EXPECT_EQ(whole_bytes.length, 24);
    const Filled cut_bytes = attribute(5);
    EXPECT_EQ(cut_bytes.rc, SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(cut_bytes.text, u"Расп");
    EXPECT_EQ(cut_bytes.length, 24);
}

// A character outside the basic plane takes two units, which are never
// parted.
TEST_F(WideText, SurrogatePairsAreNotCut) {
    ASSERT_EQ(exec(u"SELECT 1 AS [\U0001F600x]"), SQL_SUCCESS);
    for (const auto& [room, text] : std::vector<std::pair<std::size_t, std::u16string>>{
             {2, u""}, {3, u"\U0001F600"}, {4, u"\U0001F600x"}}) {
        const Filled f = filled<SQLSMALLINT>(room, false, [&](SQLWCHAR* b, SQLSMALLINT cap, SQLSMALLINT* len) {
            return SQLDescribeColW(stmt_, 1, b, cap, len, nullptr, nullptr, nullptr, nullptr);
        });
        EXPECT_EQ(f.text, text) << room;
        EXPECT_EQ(f.length, 3) << room;
        EXPECT_EQ(f.rc, room == 4 ? SQL_SUCCESS : SQL_SUCCESS_WITH_INFO) << room;
    }
}

TEST_F(WideText, DiagnosticsInfoAndCursorNames) {
    ASSERT_EQ(exec(u"SELECT * FROM [Склад]"), SQL_ERROR);
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    const Filled message = filled<SQLSMALLINT>(400, false, [&](SQLWCHAR* b, SQLSMALLINT cap, SQLSMALLINT* len) {
        return SQLGetDiagRecW(SQL_HANDLE_STMT, stmt_, 1, state, &native, b, cap, len);
    });
    ASSERT_EQ(message.rc, SQL_SUCCESS);
    EXPECT_EQ(units(state, 5), u"42S02");
    EXPECT_NE(message.text.find(u"Склад"), std::u16string::npos);
    EXPECT_EQ(message.length, static_cast<SQLLEN>(message.text.size()));
    const Filled cut = filled<SQLSMALLINT>(10, false, [&](SQLWCHAR* b, SQLSMALLINT cap, SQLSMALLINT* len) {
        return SQLGetDiagRecW(SQL_HANDLE_STMT, stmt_, 1, state, &native, b, cap, len);
    });
    EXPECT_EQ(cut.rc, SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(cut.text, message.text.substr(0, 9));
    EXPECT_EQ(cut.length, message.length);
    const Filled field = filled<SQLSMALLINT>(400, true, [&](SQLWCHAR* b, SQLSMALLINT cap, SQLSMALLINT* len) {
        return SQLGetDiagFieldW(SQL_HANDLE_STMT, stmt_, 1, SQL_DIAG_MESSAGE_TEXT, b, cap, len);
    });
    EXPECT_EQ(field.text, message.text);
    EXPECT_EQ(field.length, 2 * message.length);

    const Filled dbms = filled<SQLSMALLINT>(4, true, [&](SQLWCHAR* b, SQLSMALLINT cap, SQLSMALLINT* len) {
        return SQLGetInfoW(dbc_, SQL_DBMS_NAME, b, cap, len);
    });
    EXPECT_EQ(dbms.rc, SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(dbms.text, u"ACC");
    EXPECT_EQ(dbms.length, 12);
    EXPECT_EQ(first_state(SQL_HANDLE_DBC, dbc_), "01004");

    const std::u16string sql = u"SELECT [Название] FROM [Store]";
    const Filled native_sql = filled<SQLINTEGER>(8, false, [&](SQLWCHAR* b, SQLINTEGER cap, SQLINTEGER* len) {
        return SQLNativeSqlW(dbc_, (SQLWCHAR*)sql.c_str(), SQL_NTS, b, cap, len);
    });
    EXPECT_EQ(native_sql.rc, SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(native_sql.text, u"SELECT ");
    EXPECT_EQ(native_sql.length, static_cast<SQLLEN>(std::u16string(u"SELECT \"Название\" FROM \"Store\"").size()));

    ASSERT_EQ(SQLSetCursorNameW(stmt_, (SQLWCHAR*)u"Курсор", SQL_NTS), SQL_SUCCESS);
    const Filled cursor = filled<SQLSMALLINT>(4, false, [&](SQLWCHAR* b, SQLSMALLINT cap, SQLSMALLINT* len) {
        return SQLGetCursorNameW(stmt_, b, cap, len);
    });
    EXPECT_EQ(cursor.rc, SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(cursor.text, u"Кур");
    EXPECT_EQ(cursor.length, 6);
}

// Catalog results read as SQL_C_WCHAR: lengths in bytes, cut with 01004.
TEST_F(WideText, CatalogValuesInPieces) {
    ASSERT_EQ(SQLColumnsW(stmt_, nullptr, 0, nullptr, 0, (SQLWCHAR*)u"Store", SQL_NTS, nullptr, 0), SQL_SUCCESS);
    ASSERT_EQ(SQLFetch(stmt_), SQL_SUCCESS);
    SQLWCHAR piece[5];
    SQLLEN length = 0;
    EXPECT_EQ(SQLGetData(stmt_, 4, SQL_C_WCHAR, piece, sizeof piece, &length), SQL_SUCCESS_WITH_INFO);
    EXPECT_EQ(units(piece, 4), u"Назв");
    EXPECT_EQ(length, 16);
    EXPECT_EQ(SQLGetData(stmt_, 4, SQL_C_WCHAR, piece, sizeof piece, &length), SQL_SUCCESS);
    EXPECT_EQ(units(piece, 4), u"ание");
    EXPECT_EQ(length, 8);
}

}  // namespace
}  // namespace dtest
