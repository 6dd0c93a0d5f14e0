// The number fields' typed-character filters, and pasted text put through
// the same rules.

#include <QApplication>
#include <QClipboard>

#include "editor/editor_fixture.h"

using namespace detalehran;
using namespace detalehran::testing;

namespace {

class NumberFilters : public EditorProgram {
protected:
    void SetUp() override {
        start_with_items();
        open(EditorMode::edit, 0);
    }
    // Types one character at a caret position of a field holding `text`.
    QString typed(int number, const QString& text, int caret, char c) {
        QLineEdit* line = field(number);
        window()->set_value(number == kEditorQuantity ? db::kQuantity : db::kPrice, text);
        line->setCursorPosition(caret);
        QTest::keyClick(line, c);
        return line->text();
    }
    void paste(int number, const QString& text) {
        QApplication::clipboard()->setText(text);
        field(number)->selectAll();
        field(number)->paste();
    }
};

TEST_F(NumberFilters, PriceFieldTakesDigitsAndOnePointWithTwoDecimals) {
    EXPECT_EQ(typed(kEditorPrice, "12.50", 5, '7'), "12.50");  // third decimal
    EXPECT_EQ(typed(kEditorPrice, "12.50", 3, '7'), "12.50");  // right behind the point too
    EXPECT_EQ(typed(kEditorPrice, "12.50", 1, '7'), "172.50");  // before the point
    EXPECT_EQ(typed(kEditorPrice, "12.5", 4, '7'), "12.57");
    EXPECT_EQ(typed(kEditorPrice, "12.50", 2, '.'), "12.50");  // a second point
    EXPECT_EQ(typed(kEditorPrice, "12", 0, '.'), "12");        // a leading point
    EXPECT_EQ(typed(kEditorPrice, "12", 2, '.'), "12.");
    EXPECT_EQ(typed(kEditorPrice, "12", 2, 'a'), "12");
    EXPECT_EQ(typed(kEditorPrice, "12", 2, '-'), "12");
    EXPECT_EQ(editor::price_accepts("", 0, u'.'), false);
    EXPECT_EQ(editor::price_accepts("1", 1, u'٣'), false);  // a digit of another script
}

TEST_F(NumberFilters, QuantityFieldTakesDigitsOnlyAndItsArrowsStayInRange) {
    EXPECT_EQ(typed(kEditorQuantity, "7", 1, '5'), "75");
    EXPECT_EQ(typed(kEditorQuantity, "7", 1, '.'), "7");
    EXPECT_EQ(typed(kEditorQuantity, "7", 0, '-'), "7");
    window()->set_value(db::kQuantity, "999");
    QTest::keyClick(window()->control(kEditorQuantity), Qt::Key_Up);
    QTest::keyClick(window()->control(kEditorQuantity), Qt::Key_Up);
    EXPECT_EQ(window()->value(db::kQuantity), "1000");
    window()->set_value(db::kQuantity, "0");
    QTest::keyClick(window()->control(kEditorQuantity), Qt::Key_Down);
    EXPECT_EQ(window()->value(db::kQuantity), "0");
    // More than the arrows reach can be typed and is stored as typed.
    typed(kEditorQuantity, "1500", 4, '0');
    EXPECT_EQ(window()->value(db::kQuantity), "15000");
    press_ok();
    EXPECT_EQ(stored("Количество")[0], "a=15000");
}

TEST_F(NumberFilters, PastedTextIsFilteredLikeTypedText) {
    paste(kEditorQuantity, "1; DROP TABLE Store");
    EXPECT_EQ(window()->value(db::kQuantity), "1");
    paste(kEditorPrice, "1; DROP TABLE Store");
    EXPECT_EQ(window()->value(db::kPrice), "1");
    paste(kEditorPurchasePrice, "3.14159");
    EXPECT_EQ(window()->value(db::kPurchasePrice), "3.14");
    QApplication::clipboard()->setText("; DROP");  // nothing acceptable: refused whole
    field(kEditorPurchasePrice)->end(false);
    field(kEditorPurchasePrice)->paste();
    EXPECT_EQ(window()->value(db::kPurchasePrice), "3.14");
    press_ok();
    EXPECT_EQ(window(), nullptr);
    EXPECT_EQ(rows("SELECT \"Количество\", \"Цена расходная\", \"Цена приходная\" FROM Store WHERE ID = 1"),
              (Rows{{"1", "1", "3.14"}}));
    EXPECT_EQ(rows("SELECT COUNT(*) FROM Store"), (Rows{{"2"}}));
}

}  // namespace
