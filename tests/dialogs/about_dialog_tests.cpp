// The about dialog, driven like a user: through the menu, its links, its
// button and the close event, with events going the program's way.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QEnterEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include "state/app.h"
#include "app/item_commands.h"
#include "dialogs/about_commands.h"
#include "editor/item_editor.h"
#include "itemlist/item_list.h"
#include "itemlist/table_settings_commands.h"
#include "trees/tree_commands.h"
#include "mainwindow/control_numbers.h"
#include "app/lifecycle.h"
#include "mainwindow/main_window.h"
#include "dialogs/about_dialog.h"
#include "support/dialog_fixture.h"
#include "support/scripted_services.h"

static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace detalehran {
namespace {

using dialogs::AboutDialog;
using dialogs::LinkLabel;
using testing::ServiceKind;

constexpr int kLinks[] = {kAboutLink1, kAboutLink2, kAboutLink3};

class About : public testing::DialogTest<AboutDialog> {
protected:
    AboutDialog* open() { return open_by_menu(kMenuAbout); }
    // As a build that sets every detail would open it.
    AboutDialog* open_with_details() {
        dialogs::open_about_dialog(app_, kDetails);
        settle();
        return dialog();
    }
    LinkLabel* link(int number) { return qobject_cast<LinkLabel*>(control(number)); }
    void press_close_event() {
        press_close_box();
        settle();
    }

    static inline const dialogs::AboutTexts kDetails{
        "Иван Петров", "ivan@example.org", {"R123456789012", "Z210987654321", "E555555555555"}};
};

struct Designed {
    int number;
    QRect place;
    QString text;
};

TEST_F(About, OpensAsWindow64WithItsTextsInPlaceAndNoCloseBox) {
    AboutDialog* about = open();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->property("window").toInt(), kAboutWindow);
    EXPECT_EQ(about->windowTitle(), "О программе");
    // The drawn 284 x 237 layout, grown evenly when the desktop's font needs it.
    const double sx = about->width() / 284.0;
    const double sy = about->height() / 237.0;
    EXPECT_GE(sx, 1.0);
    EXPECT_GE(sy, 1.0);
    EXPECT_FALSE(about->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(about->windowFlags().testFlag(Qt::WindowSystemMenuHint));

    const dialogs::AboutTexts texts = dialogs::about_texts();
    const Designed designed[] = {
        {65, {5, 5, 275, 15}, "'Деталехран' Версия 0.9"},
        {68, {5, 35, 275, 20}, dialogs::author_line(texts)},
        {69, {5, 55, 275, 30}, "При необходимости в программу будут добавляться новые возможности"},
        {70, {5, 85, 275, 40}, dialogs::contact_line(texts)},
        {71, {5, 130, 275, 30}, "Если Вам понравилась программа, Вы всегда можете сказать спасибо."},
        {72, {10, 175, 185, 15}, "Благодарности принимаются здесь:"},
        {kAboutLink1, {200, 175, 80, 15}, dialogs::wallet_text(texts.wallets[0])},
        {73, {15, 190, 35, 15}, "здесь:"},
        {kAboutLink2, {50, 190, 85, 15}, dialogs::wallet_text(texts.wallets[1])},
        {74, {140, 190, 55, 15}, "или здесь:"},
        {kAboutLink3, {200, 190, 80, 15}, dialogs::wallet_text(texts.wallets[2])},
        {kAboutOk, {105, 210, 80, 20}, "OK"},
    };
    // Creation order is the order of the numbered children.
    std::vector<int> order;
    for (QObject* child : about->children()) {
        if (child->property("control").isValid()) order.push_back(child->property("control").toInt());
    }
    std::vector<int> expected_order;
    for (const Designed& d : designed) expected_order.push_back(d.number);
    EXPECT_EQ(order, expected_order);

    for (const Designed& d : designed) {
        QWidget* widget = control(d.number);
        ASSERT_NE(widget, nullptr) << d.number;
        const QRect at = widget->geometry();
        EXPECT_NEAR(at.x(), d.place.x() * sx, 1.0) << d.number;
        EXPECT_NEAR(at.y(), d.place.y() * sy, 1.0) << d.number;
        EXPECT_NEAR(at.width(), d.place.width() * sx, 1.0) << d.number;
        EXPECT_NEAR(at.height(), d.place.height() * sy, 1.0) << d.number;
        QString text;
        if (auto* label = qobject_cast<QLabel*>(widget)) text = label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) text = button->text();
        EXPECT_EQ(text, d.text) << d.number;
    }
    for (int number : {65, 68, 69, 70, 71}) {
        EXPECT_TRUE(qobject_cast<QLabel*>(control(number))->alignment().testFlag(Qt::AlignHCenter)) << number;
    }
    EXPECT_NE(qobject_cast<QPushButton*>(control(kAboutOk)), nullptr);
}

// Under the desktop's font every text fits its place whole: wrapped texts
// in their height, one-line texts in their width.
TEST_F(About, EveryTextFitsItsPlaceWithOrWithoutTheDetails) {
    for (bool details : {false, true}) {
        AboutDialog* about = details ? open_with_details() : open();
        ASSERT_NE(about, nullptr);
        for (QObject* child : about->children()) {
            auto* widget = qobject_cast<QWidget*>(child);
            if (widget == nullptr || !widget->property("control").isValid()) continue;
            const int number = widget->property("control").toInt();
            const QFontMetrics metrics(widget->font());
            if (auto* label = qobject_cast<QLabel*>(widget); label != nullptr && label->wordWrap()) {
                EXPECT_LE(label->heightForWidth(label->width()), label->height()) << number << " " << details;
                continue;
            }
            const QString text = qobject_cast<QLabel*>(widget) ? qobject_cast<QLabel*>(widget)->text()
                                                               : qobject_cast<QAbstractButton*>(widget)->text();
            EXPECT_LE(metrics.horizontalAdvance(text), widget->width()) << number << " " << details;
            EXPECT_LE(metrics.height(), widget->height()) << number << " " << details;
        }
        dialog()->close_window();
        window_->setEnabled(true);
        settle();
    }
}

// Details the build did not set are never shown as if they were real: the
// lines say so, and a click on a wallet copies nothing.
TEST_F(About, DetailsNotSetSaySoAndCopyNothing) {
    const dialogs::AboutTexts none;
    EXPECT_EQ(dialogs::author_line(none), "Автор: Разработчики программы Деталехран");
    EXPECT_TRUE(dialogs::contact_line(none).endsWith("(адрес не указан)"));
    EXPECT_EQ(dialogs::author_line(kDetails), "Автор: Иван Петров");
    EXPECT_TRUE(dialogs::contact_line(kDetails).endsWith(" ivan@example.org"));

    ASSERT_NE(open(), nullptr);  // this build sets none
    for (int number : kLinks) {
        EXPECT_EQ(link(number)->text(), "не указан") << number;
        EXPECT_FALSE(link(number)->font().underline()) << number;
        click(link(number));
    }
    EXPECT_EQ(services_.count(ServiceKind::clipboard), 0);
    EXPECT_EQ(messages(), 0);
}

TEST_F(About, EachLinkCopiesItsOwnIdentifierWithTheSameMessage) {
    ASSERT_NE(open_with_details(), nullptr);
    const dialogs::AboutTexts& texts = kDetails;
    for (int i = 0; i < 3; ++i) {
        click(link(kLinks[i]));
        EXPECT_EQ(services_.clipboard_text(), texts.wallets[i]) << i;
        ASSERT_EQ(messages(), i + 1);
        const testing::ServiceCall* call = services_.last(ServiceKind::message_box);
        EXPECT_EQ(call->title, "");
        EXPECT_EQ(call->text, "Номер кошелька скопирован в буфер обмена");
        EXPECT_EQ(call->buttons, MessageButtons::ok);
        EXPECT_EQ(call->parent, dialog());
        ASSERT_NE(dialog(), nullptr) << "the dialog stays open";
    }
    EXPECT_EQ(services_.count(ServiceKind::clipboard), 3);
}

TEST_F(About, AClipboardThatRefusesStillGetsTheMessage) {
    services_.clipboard_result = false;
    ASSERT_NE(open_with_details(), nullptr);
    click(link(kAboutLink2));
    EXPECT_EQ(services_.count(ServiceKind::clipboard), 1);
    EXPECT_EQ(messages(), 1);
}

TEST_F(About, LinksAreUnderlinedWithAHandPointerAndChangeColourUnderTheMouse) {
    ASSERT_NE(open_with_details(), nullptr);
    for (int number : kLinks) {
        LinkLabel* l = link(number);
        ASSERT_NE(l, nullptr) << number;
        EXPECT_TRUE(l->font().underline()) << number;
        EXPECT_EQ(l->cursor().shape(), Qt::PointingHandCursor) << number;
        EXPECT_EQ(l->text_colour(), QColor(0, 63, 227)) << number;
    }
    LinkLabel* first = link(kAboutLink1);
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(first, &enter);
    EXPECT_EQ(first->text_colour(), QColor(0, 157, 236));
    EXPECT_EQ(link(kAboutLink2)->text_colour(), QColor(0, 63, 227));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(first, &leave);
    EXPECT_EQ(first->text_colour(), QColor(0, 63, 227));

    // What is drawn is in that colour.
    const QImage image = first->grab().toImage();
    bool drawn = false;
    for (int y = 0; y < image.height() && !drawn; ++y) {
        for (int x = 0; x < image.width() && !drawn; ++x) drawn = image.pixelColor(x, y) == QColor(0, 63, 227);
    }
    EXPECT_TRUE(drawn);
}

TEST_F(About, TheMainWindowTakesNoInputWhileTheDialogIsOpen) {
    ASSERT_NE(open(), nullptr);
    EXPECT_FALSE(window_->isEnabled());
    EXPECT_TRUE(dialog()->isEnabled());
    for (int number : kLinks) EXPECT_TRUE(control(number)->isEnabled()) << number;
    QTest::keyClicks(window_->search_field(), "abc");
    EXPECT_EQ(window_->search_field()->text(), "");
    // A second "О программе" cannot arrive, and would not make a second dialog.
    dialogs::open_about_dialog(app_, Event{});
    EXPECT_EQ(window_->findChildren<AboutDialog*>().size(), 1);
}

TEST_F(About, OkClosesTheDialogAndGivesTheListTheFocus) {
    ASSERT_NE(open(), nullptr);
    click(control(kAboutOk));
    EXPECT_EQ(dialog(), nullptr);
    EXPECT_TRUE(window_->isEnabled());
    EXPECT_EQ(window_->focusWidget(), window_->item_list());
    QTest::keyClicks(window_->search_field(), "abc");
    EXPECT_EQ(window_->search_field()->text(), "abc");

    // Created afresh each time.
    ASSERT_NE(open_with_details(), nullptr);
    EXPECT_FALSE(window_->isEnabled());
    click(link(kAboutLink3));
    EXPECT_EQ(services_.clipboard_text(), kDetails.wallets[2]);
}

TEST_F(About, TheCloseEventClosesTheDialogAndEnablesTheMainWindow) {
    ASSERT_NE(open(), nullptr);
    press_close_event();
    EXPECT_EQ(dialog(), nullptr);
    EXPECT_TRUE(window_->isEnabled());
    EXPECT_EQ(messages(), 0);
    ASSERT_NE(open(), nullptr);
    EXPECT_TRUE(dialog()->isVisible());
}

}  // namespace
}  // namespace detalehran
