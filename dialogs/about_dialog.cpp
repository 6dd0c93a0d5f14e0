#include "dialogs/about_dialog.h"

#include <QEnterEvent>
#include <QFontMetricsF>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <algorithm>

#include "state/app.h"
#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "platform/event.h"

#ifndef DETALEHRAN_AUTHOR
#error "DETALEHRAN_AUTHOR and its companions come from the build configuration"
#endif

namespace detalehran::dialogs {

namespace {

constexpr int kClientWidth = 284;
constexpr int kClientHeight = 237;

}  // namespace

AboutTexts about_texts() {
    return {QString::fromUtf8(DETALEHRAN_AUTHOR),
            QString::fromUtf8(DETALEHRAN_CONTACT),
            {QString::fromUtf8(DETALEHRAN_WALLET_1), QString::fromUtf8(DETALEHRAN_WALLET_2),
             QString::fromUtf8(DETALEHRAN_WALLET_3)}};
}

QString author_line(const AboutTexts& texts) {
    const QString author = texts.author.trimmed();
    return QStringLiteral("Автор: ") + (author.isEmpty() ? QStringLiteral("Разработчики программы Деталехран") : author);
}

QString contact_line(const AboutTexts& texts) {
    const QString contact = texts.contact.trimmed();
    return QStringLiteral("Все предложения и пожелания (а также найденные ошибки) прошу присылать по адресу ") +
           (contact.isEmpty() ? QStringLiteral("(адрес %1)").arg(QString::fromUtf8(kNotSet)) : contact);
}

QString wallet_text(const QString& wallet) {
    return wallet.trimmed().isEmpty() ? QString::fromUtf8(kNotSet) : wallet.trimmed();
}

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QAbstractButton(parent) {
    setText(text);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setCursor(Qt::PointingHandCursor);
    // A link is no tab stop, as a text is none.
    setFocusPolicy(Qt::NoFocus);
}

void LinkLabel::set_inert() {
    inert_ = true;
    QFont plain = font();
    plain.setUnderline(false);
    setFont(plain);
    unsetCursor();
}

QSize LinkLabel::sizeHint() const { return {fontMetrics().horizontalAdvance(text()), fontMetrics().height()}; }

void LinkLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(inert_ ? palette().color(QPalette::WindowText) : text_colour());
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
}

void LinkLabel::enterEvent(QEnterEvent* event) {
    hovered_ = !inert_;
    update();
    QAbstractButton::enterEvent(event);
}

void LinkLabel::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

// Caption and sizing border; no system menu, hence no close box.
AboutDialog::AboutDialog(MainWindow& owner, const AboutTexts& texts)
    : NumberedDialog(owner, kAboutWindow, kObjectName, QStringLiteral("О программе"),
                     Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint, Placement::on_screen) {
    // Creation order is the controls' order.
    add_text<QLabel>(65, 5, 5, 275, 15, QStringLiteral("'Деталехран' Версия 0.9"));
    add_text<QLabel>(68, 5, 35, 275, 20, author_line(texts));
    add_text<QLabel>(69, 5, 55, 275, 30,
                QStringLiteral("При необходимости в программу будут добавляться новые возможности"));
    add_text<QLabel>(70, 5, 85, 275, 40, contact_line(texts));
    add_text<QLabel>(71, 5, 130, 275, 30,
                QStringLiteral("Если Вам понравилась программа, Вы всегда можете сказать спасибо."));
    add_text<QLabel>(72, 10, 175, 185, 15, QStringLiteral("Благодарности принимаются здесь:"));
    add_text<LinkLabel>(kAboutLink1, 200, 175, 80, 15, wallet_text(texts.wallets[0]));
    add_text<QLabel>(73, 15, 190, 35, 15, QStringLiteral("здесь:"));
    add_text<LinkLabel>(kAboutLink2, 50, 190, 85, 15, wallet_text(texts.wallets[1]));
    add_text<QLabel>(74, 140, 190, 55, 15, QStringLiteral("или здесь:"));
    add_text<LinkLabel>(kAboutLink3, 200, 190, 80, 15, wallet_text(texts.wallets[2]));
    add_text<QPushButton>(kAboutOk, 105, 210, 80, 20, QStringLiteral("OK"));

    const int links[] = {kAboutLink1, kAboutLink2, kAboutLink3};
    for (int i = 0; i < 3; ++i) {
        if (texts.wallets[i].trimmed().isEmpty()) static_cast<LinkLabel*>(control(links[i]))->set_inert();
    }
    for (int number : {65, 68, 69, 70, 71}) {
        auto* label = static_cast<QLabel*>(control(number));
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setWordWrap(true);
    }
    fit_texts();
}

template <typename W>
W* AboutDialog::add_text(int number, int x, int y, int width, int height, const QString& text) {
    designed_[number] = QRect(x, y, width, height);
    return add<W>(this, number, x, y, width, height, text);
}

void AboutDialog::place_controls() {
    for (const auto& [number, r] : designed_) {
        control(number)->setGeometry(qRound(r.x() * scale_x_), qRound(r.y() * scale_y_),
                                       qRound(r.width() * scale_x_), qRound(r.height() * scale_y_));
    }
    resize(qRound(kClientWidth * scale_x_), qRound(kClientHeight * scale_y_));
}

void AboutDialog::fit_texts() {
    // One-line texts set the width; then the wrapped ones, at that width,
    // set the height (a wider dialog wraps into fewer lines).
    for (const auto& [number, r] : designed_) {
        QWidget* widget = control(number);
        const auto* label = qobject_cast<QLabel*>(widget);
        if (label != nullptr && label->wordWrap()) continue;
        const QString text = label != nullptr ? label->text() : static_cast<QAbstractButton*>(widget)->text();
        const QFontMetricsF metrics(widget->font());
        const double margin = qobject_cast<QPushButton*>(widget) != nullptr ? 16.0 : 2.0;
        scale_x_ = std::max(scale_x_, (metrics.horizontalAdvance(text) + margin) / r.width());
        scale_y_ = std::max(scale_y_, metrics.height() / r.height());
    }
    for (const auto& [number, r] : designed_) {
        const auto* label = qobject_cast<QLabel*>(control(number));
        if (label == nullptr || !label->wordWrap()) continue;
        const int needed = label->heightForWidth(qRound(r.width() * scale_x_));
        scale_y_ = std::max(scale_y_, (needed + 1.0) / r.height());
    }
    place_controls();
}

}  // namespace detalehran::dialogs
