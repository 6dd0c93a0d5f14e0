#include "dialogs/about_dialog.h"

#include <QFontMetricsF>
#include <algorithm>

#include <QEnterEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include "app/app.h"
#include "app/control_numbers.h"
#include "app/main_window.h"
#include "platform/event.h"

#ifndef DETALEHRAN_AUTHOR
#error "DETALEHRAN_AUTHOR and its companions come from the build configuration"
#endif

namespace detalehran::dialogs {

namespace {

const char* const kObjectName = "about_dialog";
constexpr int kClientWidth = 284;
constexpr int kClientHeight = 237;

}  // namespace

AboutTexts about_texts() {
    return {QString::fromUtf8(DETALEHRAN_AUTHOR),
            QString::fromUtf8(DETALEHRAN_CONTACT),
            {QString::fromUtf8(DETALEHRAN_WALLET_1), QString::fromUtf8(DETALEHRAN_WALLET_2),
             QString::fromUtf8(DETALEHRAN_WALLET_3)}};
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

QSize LinkLabel::sizeHint() const { return {fontMetrics().horizontalAdvance(text()), fontMetrics().height()}; }

void LinkLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(text_colour());
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
}

void LinkLabel::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void LinkLabel::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

// Caption and sizing border; no system menu, hence no close box.
AboutDialog::AboutDialog(MainWindow& owner)
    : QWidget(&owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), owner_(owner) {
    setObjectName(kObjectName);
    setWindowTitle(QStringLiteral("О программе"));
    owner.layer().register_window(this, kAboutWindow);
    const AboutTexts texts = about_texts();

    // The layout was drawn for a narrower font than the desktop's: grow it
    // evenly until every one-line text fits its place, never shrink it.
    const QFontMetricsF metrics(font());
    const std::pair<QString, int> one_liners[] = {
        {QStringLiteral("Благодарности принимаются здесь:"), 185}, {QStringLiteral("здесь:"), 35},
        {QStringLiteral("или здесь:"), 55},          {texts.wallets[0], 80},
        {texts.wallets[1], 85},                        {texts.wallets[2], 80}};
    for (const auto& [text, width] : one_liners) scale_x_ = std::max(scale_x_, (metrics.horizontalAdvance(text) + 2) / width);
    scale_y_ = std::max(1.0, metrics.height() / 15.0);
    resize(qRound(kClientWidth * scale_x_), qRound(kClientHeight * scale_y_));

    // Creation order is the controls' order.
    add<QLabel>(65, 5, 5, 275, 15, QStringLiteral("'Деталехран' Версия 0.9"));
    add<QLabel>(68, 5, 35, 275, 20, QStringLiteral("Автор: ") + texts.author);
    add<QLabel>(69, 5, 55, 275, 30,
                QStringLiteral("При необходимости в программу будут добавляться новые возможности"));
    add<QLabel>(70, 5, 85, 275, 40,
                QStringLiteral("Все предложения и пожелания (а также найденные ошибки) прошу присылать по адресу ") +
                    texts.contact);
    add<QLabel>(71, 5, 130, 275, 30,
                QStringLiteral("Если Вам понравилась программа, Вы всегда можете сказать спасибо."));
    add<QLabel>(72, 10, 175, 185, 15, QStringLiteral("Благодарности принимаются здесь:"));
    add<LinkLabel>(kAboutLink1, 200, 175, 80, 15, texts.wallets[0]);
    add<QLabel>(73, 15, 190, 35, 15, QStringLiteral("здесь:"));
    add<LinkLabel>(kAboutLink2, 50, 190, 85, 15, texts.wallets[1]);
    add<QLabel>(74, 140, 190, 55, 15, QStringLiteral("или здесь:"));
    add<LinkLabel>(kAboutLink3, 200, 190, 80, 15, texts.wallets[2]);
    add<QPushButton>(kAboutOk, 105, 210, 80, 20, QStringLiteral("OK"));

    for (int number : {65, 68, 69, 70, 71}) {
        auto* label = static_cast<QLabel*>(control(number));
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setWordWrap(true);
    }
}

template <typename W>
W* AboutDialog::add(int number, int x, int y, int width, int height, const QString& text) {
    auto* widget = new W(text, this);
    widget->setGeometry(qRound(x * scale_x_), qRound(y * scale_y_), qRound(width * scale_x_),
                        qRound(height * scale_y_));
    owner_.layer().register_control(widget, kAboutWindow, number);
    controls_[number] = widget;
    return widget;
}

QWidget* AboutDialog::control(int number) const {
    const auto found = controls_.find(number);
    return found == controls_.end() ? nullptr : found->second;
}

void AboutDialog::show_centred() {
    const QScreen* screen = owner_.screen() != nullptr ? owner_.screen() : QGuiApplication::primaryScreen();
    WindowLayer::show_centred(this, screen != nullptr ? screen->availableGeometry().center() : QPoint());
}

void AboutDialog::close_window() { owner_.layer().dispose_window(this); }

AboutDialog* about_dialog(const App& app) {
    if (app.main_window == nullptr) return nullptr;
    return app.main_window->findChild<AboutDialog*>(kObjectName, Qt::FindDirectChildrenOnly);
}

}  // namespace detalehran::dialogs
