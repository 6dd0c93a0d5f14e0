#include "itemlist/table_settings_dialog.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <QValidator>
#include <algorithm>
#include <span>
#include <utility>

#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "platform/event.h"
#include "state/app.h"

namespace detalehran::itemlist {

namespace {

constexpr int kClientWidth = 494;
// The row order's frame below the two frames as first designed, and the
// room the window grows by for it.
constexpr int kOrderFrameTop = 135;
constexpr int kOrderFrameHeight = 35;
constexpr int kOrderRoom = 40;
constexpr int kClientHeight = 186 + kOrderRoom;
// Right edge of the widest row as designed; the frames end 5 pixels further.
constexpr int kDesignedContentRight = 485;
constexpr int kHighlightFrameHeight = 85;
// Numbered controls the router never hears from.
constexpr int kMinimumCaption = 92;
constexpr int kColumnFrame = 94;
constexpr int kHighlightFrame = 95;
constexpr int kOrderFrame = 99;

// Controls side by side on the panel's page, left to right.
constexpr int kColumnRow[] = {86, 87, 88, 89, 90, 91};
constexpr int kMinimumRow[] = {kMinimumCaption, kSettingsMinimumField};
constexpr int kHighlightRow[] = {kSettingsHighlightBox};
constexpr int kColourRow[] = {kSettingsColourButton};
constexpr int kOrderRow[] = {kSettingsValueOrderBox};
constexpr std::span<const int> kPageRows[] = {kColumnRow, kMinimumRow, kHighlightRow, kColourRow, kOrderRow};

// Width a control needs so that its caption is not cut, never less than given.
int needed_width(QWidget* widget) {
    widget->ensurePolished();
    const int given = widget->width();
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QRect contents = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        // The style's button margin keeps the text off the bevel.
        const int padding = given - contents.width() + button->style()->pixelMetric(QStyle::PM_ButtonMargin);
        return std::max(given, button->fontMetrics().horizontalAdvance(button->text()) + padding);
    }
    if (qobject_cast<QCheckBox*>(widget) != nullptr || qobject_cast<QLabel*>(widget) != nullptr) {
        return std::max(given, widget->sizeHint().width());
    }
    return given;
}

}  // namespace

// Keeps the digits of what the user types, pastes or drops and leaves out the
// rest; an edit that brings no digit at all is refused whole, like a typed
// letter. Text that was already there is not its business.
class DigitFilter : public QValidator {
public:
    using QValidator::QValidator;

    void remember(const QString& text) { previous_ = text; }

    State validate(QString& input, int& pos) const override {
        // The inserted part is what lies between the text's unchanged start and end.
        const qsizetype shortest = std::min(previous_.size(), input.size());
        qsizetype prefix = 0;
        while (prefix < shortest && previous_[prefix] == input[prefix]) ++prefix;
        qsizetype suffix = 0;
        while (suffix < shortest - prefix &&
               previous_[previous_.size() - 1 - suffix] == input[input.size() - 1 - suffix]) {
            ++suffix;
        }
        const qsizetype end = input.size() - suffix;
        if (prefix == end) return Acceptable;

        QString digits;
        int dropped_before_cursor = 0;
        for (qsizetype i = prefix; i < end; ++i) {
            const QChar c = input[i];
            if (c >= u'0' && c <= u'9') {
                digits += c;
            } else if (i < pos) {
                ++dropped_before_cursor;
            }
        }
        if (digits.isEmpty()) return Invalid;
        input = input.left(prefix) + digits + input.mid(end);
        pos -= dropped_before_cursor;
        return Acceptable;
    }

private:
    QString previous_;
};

TableSettingsDialog::TableSettingsDialog(MainWindow& owner)
    : NumberedDialog(owner, kTableSettingsWindow, kObjectName, QStringLiteral("Настройка отображения таблицы"),
                     Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint,
                     Placement::on_owner) {
    // Creation order is the controls' order.
    add<QPushButton>(this, kSettingsOk, 389, 163 + kOrderRoom, 50, 20, QStringLiteral("ОК"));
    add<QPushButton>(this, kSettingsCancel, 443, 163 + kOrderRoom, 50, 20, QStringLiteral("Отмена"));
    auto* panel = add<QTabWidget>(this, kSettingsPanel, 0, 0, 495, 160 + kOrderRoom);
    page_ = new QWidget;
    panel->addTab(page_, QStringLiteral("Tab #1"));
    page_->installEventFilter(this);

    add<QCheckBox>(page_, 86, 6, 25, 84, 15, QStringLiteral("Тип корпуса"));
    add<QCheckBox>(page_, 87, 94, 25, 70, 15, QStringLiteral("Описание"));
    add<QCheckBox>(page_, 88, 168, 25, 79, 15, QStringLiteral("Количество"));
    add<QCheckBox>(page_, 89, 252, 25, 46, 15, QStringLiteral("Цена"));
    add<QCheckBox>(page_, 90, 302, 25, 103, 15, QStringLiteral("Цена приходная"));
    add<QCheckBox>(page_, 91, 408, 25, 77, 15, QStringLiteral("Поставщик"));
    add<QLabel>(page_, kMinimumCaption, 5, 90, 278, 15,
                QStringLiteral("Выделять цветом детали, колличество которых меньше "));
    minimum_field_ = add<QLineEdit>(page_, kSettingsMinimumField, 285, 85, 25, 20, QStringLiteral("5"));
    // The frames lie behind the controls they group.
    add<QGroupBox>(page_, kColumnFrame, 0, 0, 490, 50, QStringLiteral("Настройка отображения столбцов"))->lower();
    add<QGroupBox>(page_, kHighlightFrame, 0, 50, 490, kHighlightFrameHeight, QStringLiteral("Настройка выделения"))
        ->lower();
    add<QPushButton>(page_, kSettingsColourButton, 5, 110, 77, 19, QStringLiteral("Выбрать цвет"));
    add<QCheckBox>(page_, kSettingsHighlightBox, 5, 70, 168, 15, QStringLiteral("Включить выделение цветом"));
    add<QGroupBox>(page_, kOrderFrame, 0, kOrderFrameTop, 490, kOrderFrameHeight,
                   QStringLiteral("Порядок строк"))
        ->lower();
    add<QCheckBox>(page_, kSettingsValueOrderBox, 5, kOrderFrameTop + 16, 330, 15,
                   QStringLiteral("Сортировать названия по номиналу: 1 кОм < 2,2 кОм < 10 кОм"));

    filter_ = new DigitFilter(minimum_field_);
    filter_->remember(minimum_field_->text());
    connect(minimum_field_, &QLineEdit::textChanged, filter_, &DigitFilter::remember);
    minimum_field_->setValidator(filter_);

    fit_to_font();
}

// The layout was drawn for a narrower font than Qt's usual one: a control
// whose caption would be cut is widened and pushes the controls right of it
// along; the frames, the panel and the window grow with the widest row.
void TableSettingsDialog::fit_to_font() {
    int right = kDesignedContentRight;
    for (std::span<const int> row : kPageRows) {
        int shift = 0;
        for (int number : row) {
            QWidget* widget = control(number);
            const int given = widget->width();
            const int width = needed_width(widget);
            widget->setGeometry(widget->x() + shift, widget->y(), width, widget->height());
            shift += width - given;
            right = std::max(right, widget->x() + width);
        }
    }
    const int growth = right - kDesignedContentRight;
    for (QWidget* widget :
         {control(kColumnFrame), control(kHighlightFrame), control(kOrderFrame), control(kSettingsPanel)}) {
        widget->resize(widget->width() + growth, widget->height());
    }
    // OK and Cancel keep to the bottom right corner, with the gap between them.
    QWidget* ok = control(kSettingsOk);
    QWidget* cancel = control(kSettingsCancel);
    const int gap = cancel->x() - (ok->x() + ok->width());
    const int cancel_right = cancel->x() + cancel->width() + growth;
    const int cancel_width = needed_width(cancel);
    const int ok_width = needed_width(ok);
    cancel->setGeometry(cancel_right - cancel_width, cancel->y(), cancel_width, cancel->height());
    ok->setGeometry(cancel->x() - gap - ok_width, ok->y(), ok_width, ok->height());
    setFixedSize(kClientWidth + growth, kClientHeight);
}

void TableSettingsDialog::fit_highlight_frame() {
    QWidget* frame = control(kHighlightFrame);
    frame->resize(frame->width(), std::min(kHighlightFrameHeight, page_->height() - frame->y()));
    QWidget* order = control(kOrderFrame);
    order->resize(order->width(), std::min(kOrderFrameHeight, page_->height() - order->y()));
}

bool TableSettingsDialog::eventFilter(QObject* watched, QEvent* event) {
    // The highlight frame fills the page down to its bottom, whatever height
    // the style gives the tab bar.
    if (watched == page_ && event->type() == QEvent::Resize) fit_highlight_frame();
    return QWidget::eventFilter(watched, event);
}

QCheckBox* TableSettingsDialog::check_box(int number) const { return qobject_cast<QCheckBox*>(control(number)); }

void TableSettingsDialog::set_minimum_text(const QString& text) {
    minimum_field_->setValidator(nullptr);
    minimum_field_->setText(text);
    minimum_field_->setValidator(filter_);
}

void TableSettingsDialog::set_highlight_controls_enabled(bool enabled) {
    for (QWidget* widget : {control(kSettingsColourButton), control(kSettingsMinimumField), control(kMinimumCaption)}) {
        widget->setEnabled(enabled);
    }
}

}  // namespace detalehran::itemlist
