#include "editor/item_editor_window.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QValidator>
#include <algorithm>
#include <limits>
#include <utility>

#include "state/app.h"
#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "platform/event.h"

namespace detalehran::editor {

namespace {

constexpr int kClientWidth = 676;
constexpr int kClientHeight = 232;
constexpr int kDataFrame = 47;
constexpr int kPlaceFrame = 41;
constexpr int kQuantityMaximum = 1000;

using Rule = bool (*)(const QString&, int, QChar);

// What an edit inserted into `previous` is put through the typing rule one
// character at a time, as if typed there; refused characters are left out.
// An edit that brings nothing acceptable and replaces nothing is refused.
QValidator::State filter_insertion(const QString& previous, QString& input, int& pos, Rule rule) {
    const qsizetype shortest = std::min(previous.size(), input.size());
    qsizetype prefix = 0;
    while (prefix < shortest && previous[prefix] == input[prefix]) ++prefix;
    qsizetype suffix = 0;
    while (suffix < shortest - prefix && previous[previous.size() - 1 - suffix] == input[input.size() - 1 - suffix]) {
        ++suffix;
    }
    const qsizetype end = input.size() - suffix;
    if (prefix == end) return QValidator::Acceptable;
    QString kept = input.left(prefix);
    const QString tail = input.mid(end);
    for (qsizetype i = prefix; i < end; ++i) {
        // The rule sees the text as it will be, with the rest behind the caret.
        if (rule(kept + tail, static_cast<int>(kept.size()), input[i])) kept += input[i];
    }
    // Nothing taken and nothing replaced: the edit is refused whole.
    if (kept.size() == prefix && prefix + suffix == previous.size()) return QValidator::Invalid;
    pos = static_cast<int>(kept.size());
    input = kept + tail;
    return QValidator::Acceptable;
}

class InsertionFilter : public QValidator {
public:
    InsertionFilter(Rule rule, QLineEdit* field) : QValidator(field), rule_(rule), previous_(field->text()) {
        connect(field, &QLineEdit::textChanged, this, [this](const QString& text) { previous_ = text; });
    }
    State validate(QString& input, int& pos) const override {
        return filter_insertion(previous_, input, pos, rule_);
    }

private:
    Rule rule_;
    QString previous_;
};

// The quantity: a spin field whose arrows stay within 0 to 1000 while its
// text may hold any number of digits.
class QuantitySpin : public QAbstractSpinBox {
public:
    explicit QuantitySpin(QWidget* parent) : QAbstractSpinBox(parent) {
        connect(lineEdit(), &QLineEdit::textChanged, this, [this](const QString& text) { previous_ = text; });
    }
    QLineEdit* line() const { return lineEdit(); }
    void stepBy(int steps) override {
        const qint64 value = std::clamp<qint64>(text().toLongLong() + steps, 0, kQuantityMaximum);
        lineEdit()->setText(QString::number(value));
    }
    QValidator::State validate(QString& input, int& pos) const override {
        return filter_insertion(previous_, input, pos, quantity_accepts);
    }

protected:
    StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }

private:
    QString previous_;
};

bool passes_unfiltered(const QKeyEvent* key) {
    switch (key->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Backspace:
            return true;
        default:
            break;
    }
    // Clipboard shortcuts are let through: what they insert is filtered.
    for (auto shortcut : {QKeySequence::Paste, QKeySequence::Copy, QKeySequence::Cut, QKeySequence::SelectAll,
                          QKeySequence::Undo, QKeySequence::Redo}) {
        if (key->matches(shortcut)) return true;
    }
    return key->text().isEmpty();
}

}  // namespace

bool price_accepts(const QString& text, int pos, QChar c) {
    const qsizetype point = text.indexOf(u'.');
    if (c.isDigit() && c.unicode() < 128) {
        return !(point >= 0 && text.size() - (point + 1) >= 2 && pos >= point + 1);
    }
    if (c == u'.') return pos != 0 && point < 0;
    return false;
}

bool quantity_accepts(const QString&, int, QChar c) { return c >= u'0' && c <= u'9'; }

ItemEditorWindow::ItemEditorWindow(MainWindow& owner)
    : NumberedDialog(owner, kEditorWindow, kObjectName, QStringLiteral("Добавить/редактировать"),
                     Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint,
                     Placement::on_owner) {
    setFixedSize(kClientWidth, kClientHeight);
    // The frames lie behind the controls they group.
    add<QGroupBox>(this, kDataFrame, 2, 0, 323, 205, QStringLiteral("Данные"))->lower();
    add<QGroupBox>(this, kPlaceFrame, 326, 0, 349, 205, QStringLiteral("Расположение"))->lower();

    fields_[0] = add<QLineEdit>(this, kEditorName, 100, 20, 199, 20);
    label(38, 25, 80, QStringLiteral("Название"));
    fields_[1] = add<QLineEdit>(this, kEditorDescription, 100, 70, 220, 20);
    label(40, 75, 80, QStringLiteral("Описание"));
    fields_[2] = add<QLineEdit>(this, kEditorPlace, 440, 20, 230, 20);
    auto* quantity = add<QuantitySpin>(this, kEditorQuantity, 100, 95, 100, 20);
    fields_[3] = quantity->line();
    label(42, 100, 80, QStringLiteral("Количество"));
    fields_[4] = add<QLineEdit>(this, kEditorPrice, 100, 145, 100, 20);
    label(43, 150, 85, QStringLiteral("Цена расходная"));
    fields_[5] = add<QLineEdit>(this, kEditorPurchasePrice, 100, 120, 100, 20);
    label(44, 125, 85, QStringLiteral("Цена  приходная"));
    supplier_ = add<QComboBox>(this, kEditorSupplier, 100, 170, 199, 20);
    fields_[6] = nullptr;
    label(45, 175, 80, QStringLiteral("Поставщик"));
    fields_[7] = add<QLineEdit>(this, kEditorSectionPath, 440, 45, 170, 20);
    package_ = add<QComboBox>(this, kEditorPackage, 100, 45, 199, 20);
    label(46, 50, 80, QStringLiteral("Тип корпуса"));
    fields_[9] = add<QLineEdit>(this, kEditorId, 440, 70, 230, 20);
    fields_[10] = add<QLineEdit>(this, kEditorDocument, 440, 95, 230, 20);
    for (int hidden : {2, 7, 9, 10}) {
        fields_[hidden]->setReadOnly(true);
        fields_[hidden]->hide();
    }
    for (QComboBox* box : {supplier_, package_}) {
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
    }
    // A line edit keeps 32767 characters unless told otherwise; a text the
    // database holds (a long description from an import) must come back
    // whole when the user saves a change to another field.
    for (QLineEdit* line : findChildren<QLineEdit*>()) line->setMaxLength(std::numeric_limits<int>::max());

    tree_ = add<QTreeWidget>(this, kEditorLocationTree, 330, 20, 340, 180);
    tree_->setHeaderHidden(true);
    add<QPushButton>(this, kEditorOk, 560, 210, 55, 20, QStringLiteral("ОК"));
    add<QPushButton>(this, kEditorCancel, 620, 210, 55, 20, QStringLiteral("Отмена"));
    auto* add_document = add<QPushButton>(this, kEditorAddDocument, 300, 20, 20, 20);
    add_document->setIcon(owner.image(0));
    add_document->setToolTip(QStringLiteral("Добавить Datasheet"));
    add<QPushButton>(this, kEditorRemovePackage, 300, 45, 20, 20)->setIcon(owner.image(1));
    // The supplier's minus button has no action: suppliers are no table.
    add<QPushButton>(this, kEditorRemoveDocument, 300, 170, 20, 20)->setIcon(owner.image(1));

    for (QLineEdit* price : {fields_[4], fields_[5]}) {
        price->setValidator(new InsertionFilter(price_accepts, price));
        price->installEventFilter(this);
    }
    quantity->installEventFilter(this);
    fields_[3]->installEventFilter(this);
    set_value(3, QStringLiteral("0"));
}

void ItemEditorWindow::label(int number, int y, int width, const QString& text) {
    auto* caption = add<QLabel>(this, number, 10, y, width, 15, text);
    // The layout was drawn for a narrower font: a caption that would be cut
    // gets a smaller size of the same font instead.
    QFont font = caption->font();
    while (QFontMetrics(font).horizontalAdvance(text) > width && font.pointSizeF() > 6.0) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
    }
    caption->setFont(font);
}

QString ItemEditorWindow::value(int column) const {
    if (column == 6) return supplier_->currentText();
    if (column == 8) return package_->currentText();
    return column >= 0 && column < 11 ? fields_[column]->text() : QString();
}

void ItemEditorWindow::set_value(int column, const QString& text) {
    if (column == 6 || column == 8) {
        QComboBox* box = column == 6 ? supplier_ : package_;
        // A known entry counts as picked from the list.
        box->setCurrentIndex(box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
        box->setEditText(text);
        if (box->lineEdit() != nullptr) box->lineEdit()->setCursorPosition(0);
        return;
    }
    if (column < 0 || column >= 11) return;
    QLineEdit* field = fields_[column];
    const QValidator* filter = field->validator();
    // The program's own text goes in as it is.
    field->setValidator(nullptr);
    field->setText(text);
    field->setValidator(filter);
    // A long text shows from its start, not scrolled to its end.
    field->setCursorPosition(0);
}

bool ItemEditorWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (passes_unfiltered(key)) return false;
    QLineEdit* field = qobject_cast<QLineEdit*>(watched);
    if (field == nullptr) field = fields_[3];
    const Rule rule = field == fields_[3] ? quantity_accepts : price_accepts;
    QString text = field->text();
    int pos = field->cursorPosition();
    if (field->hasSelectedText()) {
        pos = field->selectionStart();
        text.remove(pos, field->selectedText().size());
    }
    const QString typed = key->text();
    if (typed.size() == 1 && rule(text, pos, typed[0])) return false;
    QApplication::beep();
    return true;
}

}  // namespace detalehran::editor
