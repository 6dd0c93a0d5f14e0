// Hostile and odd texts typed into the search field: each search sends one
// SELECT with the text as its only literal, lists the stored items whose
// name holds the text, and changes nothing. "%" and "_" are the search's
// pattern characters; "[" is the character itself.

#include <QApplication>
#include <algorithm>

#include "input/input_fixture.h"
#include "itemlist/value_search.h"

using namespace detalehran;
using namespace detalehran::testing;

namespace {

class SearchInput : public InputProgram {
protected:
    SearchInput() {
        std::vector<StoredItem> items;
        for (const HostileText& input : hostile_texts()) items.push_back({input.text.toStdString(), "|Все|A|"});
        for (const char* extra : {"plain", "1000", "AxB", "A-B", "x", "Store", "[Store]"}) items.push_back({extra});
        seed(items);
        start_up(app_);
        trace_statements();
    }
    std::vector<QString> stored_names() const {
        std::vector<QString> out;
        for (const auto& r : rows("SELECT \"Название\" FROM Store")) out.push_back(QString::fromStdString(r[0]));
        return out;
    }
    // Enter in the search field, as the user ends a search.
    void search(const QString& text) {
        QLineEdit* line = app_.main_window->search_field();
        QApplication::setActiveWindow(app_.main_window);  // keys count only in the active window
        line->setFocus();
        put_text(line, text);
        ASSERT_EQ(line->text(), text);
        QTest::keyClick(line, Qt::Key_Return);
        settle();
    }
    QStringList sorted(QStringList names) {
        std::sort(names.begin(), names.end());
        return names;
    }
};

}  // namespace

TEST_F(SearchInput, EveryTextFindsTheNamesHoldingItWithOneSelectAndChangesNothing) {
    const DatabaseSnapshot before = snapshot();
    for (const HostileText& input : hostile_texts()) {
        SCOPED_TRACE(input.label);
        search(input.text);
        const std::vector<TracedStatement> sent = take_statements();
        ASSERT_EQ(sent.size(), 1u);
        const StatementShape shape = shape_of(sent[0]);
        if (itemlist::list_search(input.text).by_value) {
            // A text that says something by value ("100%" a tolerance) also
            // lets through, in the same statement, the names holding it.
            EXPECT_EQ(shape.skeleton.rfind("SELECT *, IIf([Название] LIKE ?, 1, 0) FROM [Store] WHERE [Название] LIKE "
                                           "? OR (",
                                           0),
                      0u)
                << shape.skeleton;
            ASSERT_GE(shape.literals.size(), 2u);
            EXPECT_EQ(shape.literals[0], shape.literals[1]);
        } else {
            EXPECT_EQ(shape.skeleton, "SELECT * FROM [Store] WHERE [Название] LIKE ? ORDER BY [Название]");
            EXPECT_EQ(shape.literals.size(), 1u);
        }

        QStringList expected;
        if (input.text.contains('%') || input.text.contains('_')) {
            // Pattern characters: what they stand for is found too.
            if (input.text == "100%") expected = {"100%", "1000"};
            // "_" is any one character, of either case.
            if (input.text == "A_B") expected = {"A_B", "A-B", "AxB", "a|b", "a;b;", "a\tb", "a\nb", "[x] a]b [!a-z] [[]"};
            if (input.text == long_text()) expected = {long_text()};
            ASSERT_FALSE(expected.isEmpty()) << "no expectation for this text";
        } else {
            for (const QString& name : stored_names()) {
                if (name.contains(input.text, Qt::CaseInsensitive)) expected << name;
            }
        }
        ASSERT_TRUE(expected.contains(input.text));  // the item named so is always among them
        EXPECT_EQ(sorted(listed()), sorted(expected));
        EXPECT_EQ(messages(), 0) << last_message().toStdString();
    }
    EXPECT_EQ(snapshot(), before);
}

TEST_F(SearchInput, BracketsAreTheCharactersThemselves) {
    search("[Store]");
    EXPECT_EQ(listed(), (QStringList{"'); DELETE * FROM [Store]; --", "[Store]"}));
    search("[x]");
    EXPECT_EQ(listed(), (QStringList{"[x] a]b [!a-z] [[]"}));
    search("[!a-z]");
    EXPECT_EQ(listed(), (QStringList{"[x] a]b [!a-z] [[]"}));
    search("[a-z]");
    EXPECT_TRUE(listed().isEmpty());
    search("]");
    EXPECT_EQ(sorted(listed()), sorted({"'); DELETE * FROM [Store]; --", "[Store]", "[x] a]b [!a-z] [[]", long_text()}));
    EXPECT_EQ(messages(), 0) << last_message().toStdString();
}
