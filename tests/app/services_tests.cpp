// The Qt platform services (their conversions, and the dialogs answered by
// a timer as a user would) and the scripted stand-in the other tests use.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <fstream>
#include <functional>

#include "platform/qt_services.h"
#include "platform/translations.h"
#include "support/scripted_services.h"
#include "support/test_environment.h"

namespace detalehran {
namespace {

using testing::ScriptedServices;
using testing::ServiceKind;

// Runs `answer` on the dialog of type T once it is open and modal.
template <typename T>
void when_open(std::function<void(T*)> answer) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            answer(dialog);
        }
    });
    timer->start();
}

class QtServicesTest : public ::testing::Test {
protected:
    QApplication& application_ = testing::test_application();
    QtPlatformServices services_;
};

TEST(QtServiceConversions, FiltersColoursFontsAndAddresses) {
    EXPECT_EQ(file_filter_text({{"Документы PDF", "*.pdf"}, {"Все файлы", "*.*"}}),
              "Документы PDF (*.pdf);;Все файлы (*.*)");
    EXPECT_EQ(file_filter_text({{"Картинки", "*.png;*.jpg"}}), "Картинки (*.png *.jpg)");
    EXPECT_EQ(file_filter_text({}), "");

    EXPECT_EQ(colour_from_bgr(0x00112233), QColor(0x33, 0x22, 0x11));
    EXPECT_EQ(colour_from_bgr(255), QColor(Qt::red));
    EXPECT_EQ(bgr_from_colour(QColor(0x33, 0x22, 0x11)), 0x00112233);
    EXPECT_EQ(bgr_from_colour(QColor(Qt::blue)), 0x00FF0000);

    const std::pair<int, QFont::Weight> styles[] = {{0, QFont::Normal}, {256, QFont::Bold}};
    for (const auto& [style, weight] : styles) EXPECT_EQ(font_from_choice({"Arial", 12, style}).weight(), weight);
    const QFont all = font_from_choice({"Arial", 14, 256 | 512 | 4 | 8});
    EXPECT_TRUE(all.bold() && all.italic() && all.underline() && all.strikeOut());
    EXPECT_EQ(all.pointSize(), 14);
    for (int style : {0, 256, 512, 4, 8, 256 | 8, 512 | 4, 256 | 512 | 4 | 8}) {
        const FontChoice back = choice_from_font(font_from_choice({"Arial", 10, style}));
        EXPECT_EQ(back.style, style);
        EXPECT_EQ(back.points, 10);
        EXPECT_EQ(back.face, "Arial");
    }

    EXPECT_EQ(url_for("/tmp/Даташит 1.pdf"), QUrl::fromLocalFile("/tmp/Даташит 1.pdf"));
    EXPECT_EQ(url_for("https://example.com/x?y=1"), QUrl("https://example.com/x?y=1"));
    EXPECT_EQ(url_for("mailto:a@b.c"), QUrl("mailto:a@b.c"));
    EXPECT_EQ(url_for("www.example.com"), QUrl("http://www.example.com"));
    const QUrl relative = url_for("docs/a.pdf");
    EXPECT_TRUE(relative.isLocalFile());
    EXPECT_TRUE(relative.toLocalFile().endsWith("/docs/a.pdf"));
    EXPECT_TRUE(QFileInfo(relative.toLocalFile()).isAbsolute());
}

TEST_F(QtServicesTest, MessageBoxShowsTitleTextIconAndButtonsAndReturnsTheAnswer) {
    // As the program starts: Qt's standard buttons speak Russian.
    ASSERT_TRUE(install_qt_translation(application_));
    QString title, text, yes, no;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    when_open<QMessageBox>([&](QMessageBox* box) {
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->standardButtons();
        yes = box->button(QMessageBox::Yes)->text().remove('&');
        no = box->button(QMessageBox::No)->text().remove('&');
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(services_.message_box(nullptr, "Удаление", "Удалить?", MessageButtons::yes_no, MessageIcon::question),
              MessageAnswer::yes);
    EXPECT_EQ(title, "Удаление");
    EXPECT_EQ(text, "Удалить?");
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_EQ(buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(yes, "Да");
    EXPECT_EQ(no, "Нет");

    when_open<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
    EXPECT_EQ(services_.message_box(nullptr, "Удаление", "Удалить?", MessageButtons::yes_no, MessageIcon::warning),
              MessageAnswer::no);

    when_open<QMessageBox>([&](QMessageBox* box) {
        icon = box->icon();
        buttons = box->standardButtons();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(services_.message_box(nullptr, "Ошибка", "Нет связи", MessageButtons::ok, MessageIcon::error),
              MessageAnswer::ok);
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(buttons, QMessageBox::Ok);
}

TEST_F(QtServicesTest, ChoosersReturnTheChoiceOrNothingWhenCancelled) {
    when_open<QColorDialog>([](QColorDialog* dialog) { dialog->accept(); });
    EXPECT_EQ(services_.choose_colour(nullptr, 0x00112233), 0x00112233);
    when_open<QColorDialog>([](QColorDialog* dialog) { dialog->reject(); });
    EXPECT_EQ(services_.choose_colour(nullptr, 255), std::nullopt);

    QFont offered;
    when_open<QFontDialog>([&](QFontDialog* dialog) {
        offered = dialog->currentFont();
        dialog->accept();
    });
    const std::optional<FontChoice> font = services_.choose_font(nullptr, {"DejaVu Sans", 11, 256 | 512});
    ASSERT_TRUE(font.has_value());
    EXPECT_TRUE(offered.bold() && offered.italic());
    EXPECT_EQ(font->points, 11);
    EXPECT_EQ(font->style, 256 | 512);
    when_open<QFontDialog>([](QFontDialog* dialog) { dialog->reject(); });
    EXPECT_EQ(services_.choose_font(nullptr, {"DejaVu Sans", 11, 0}).has_value(), false);

    QString title, filter;
    when_open<QFileDialog>([&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        filter = dialog->selectedNameFilter();
        dialog->reject();
    });
    EXPECT_EQ(services_.choose_file(nullptr, "Выбор файла", {{"PDF", "*.pdf"}, {"Все файлы", "*.*"}}), std::nullopt);
    EXPECT_EQ(title, "Выбор файла");
    EXPECT_EQ(filter, "PDF (*.pdf)");
}

TEST_F(QtServicesTest, ClipboardAndFileIcons) {
    EXPECT_TRUE(services_.set_clipboard_text("Кошелёк 123"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Кошелёк 123");

    testing::TestFolder folder;
    std::ofstream(folder.file("a.txt")) << "text";
    EXPECT_FALSE(services_.file_type_icon(QString::fromStdString(folder.file("a.txt"))).isNull());
}

TEST(ScriptedServicesTest, AnswersFromQueuesThenDefaultsAndRecordsEveryCall) {
    testing::test_application();  // for the icon's pixmap
    ScriptedServices services;
    services.message_answers = {MessageAnswer::yes};
    services.file_answers = {QString("/tmp/a.pdf")};
    services.colour_answers = {0x123456};
    services.font_answers = {FontChoice{"Arial", 9, 256}};

    EXPECT_EQ(services.message_box(nullptr, "T", "Q?", MessageButtons::yes_no, MessageIcon::question),
              MessageAnswer::yes);
    EXPECT_EQ(services.message_box(nullptr, "T", "Q?", MessageButtons::yes_no, MessageIcon::question),
              MessageAnswer::no);
    EXPECT_EQ(services.message_box(nullptr, "T", "Ok", MessageButtons::ok, MessageIcon::information),
              MessageAnswer::ok);
    EXPECT_EQ(services.choose_file(nullptr, "F", {{"PDF", "*.pdf"}}), QString("/tmp/a.pdf"));
    EXPECT_EQ(services.choose_file(nullptr, "F", {}), std::nullopt);
    EXPECT_EQ(services.choose_colour(nullptr, 7), 0x123456);
    EXPECT_EQ(services.choose_colour(nullptr, 7), std::nullopt);
    ASSERT_TRUE(services.choose_font(nullptr, {}).has_value());
    EXPECT_FALSE(services.choose_font(nullptr, {"Arial", 12, 0}).has_value());

    services.open_result = false;
    EXPECT_FALSE(services.open_with_default_program("https://example.com"));
    EXPECT_TRUE(services.set_clipboard_text("abc"));
    services.icons_by_suffix["pdf"] = QIcon(QPixmap(16, 16));
    EXPECT_FALSE(services.file_type_icon("/x/Doc.PDF").isNull());
    EXPECT_TRUE(services.file_type_icon("/x/doc.txt").isNull());

    EXPECT_EQ(services.count(ServiceKind::message_box), 3);
    EXPECT_EQ(services.last(ServiceKind::message_box)->text, "Ok");
    EXPECT_EQ(services.last(ServiceKind::message_box)->icon, MessageIcon::information);
    EXPECT_EQ(services.last(ServiceKind::choose_file)->title, "F");
    EXPECT_EQ(services.calls[3].filters.size(), 1);
    EXPECT_EQ(services.last(ServiceKind::choose_colour)->colour, 7);
    EXPECT_EQ(services.last(ServiceKind::choose_font)->font.points, 12);
    EXPECT_EQ(services.last(ServiceKind::open)->text, "https://example.com");
    EXPECT_EQ(services.clipboard_text(), "abc");
    EXPECT_EQ(services.last(ServiceKind::file_icon)->text, "/x/doc.txt");
    EXPECT_EQ(services.calls.size(), 13u);
}

}  // namespace
}  // namespace detalehran
