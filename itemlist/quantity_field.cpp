#include "itemlist/quantity_field.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTreeView>

#include "db/failure_text.h"
#include "db/operation.h"
#include "db/statements.h"
#include "itemlist/datasheets.h"
#include "itemlist/item_list.h"
#include "itemlist/item_list_model.h"
#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "platform/services.h"
#include "state/app.h"

namespace detalehran::itemlist {

namespace {

constexpr int kMaximumDigits = 9;  // any such number fits the stored 32 bits
constexpr int kIconBandStart = 19;
constexpr int kIconBandEnd = 37;

bool only_digits(const QString& text) {
    for (QChar c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

}  // namespace

QuantityField::QuantityField(App& app, int row, QWidget* parent) : QSpinBox(parent), app_(app), row_(row) {
    setRange(0, 1000);
    setAccelerated(false);
    setKeyboardTracking(false);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    connect(lineEdit(), &QLineEdit::textChanged, this, [this](const QString& text) { text_ = text; });
}

QString QuantityField::text() const { return text_; }

void QuantityField::set_text(const QString& text) {
    text_ = text;
    lineEdit()->setText(text);
}

QString QuantityField::textFromValue(int) const { return text_; }

int QuantityField::valueFromText(const QString& text) const {
    return static_cast<int>(std::clamp<qint64>(text.toLongLong(), 0, 1000));
}

QValidator::State QuantityField::validate(QString& input, int&) const {
    // Any count of up to nine digits may be typed; only the arrows keep to
    // 0..1000. An empty field is allowed: it writes nothing.
    if (!only_digits(input) || input.size() > kMaximumDigits) return QValidator::Invalid;
    return QValidator::Acceptable;
}

void QuantityField::fixup(QString&) const {}

void QuantityField::stepBy(int steps) {
    const qint64 now = text().isEmpty() ? 0 : text().toLongLong();
    const qint64 next = std::clamp<qint64>(now + steps, 0, 1000);
    set_text(QString::number(next));
}

QAbstractSpinBox::StepEnabled QuantityField::stepEnabled() const { return StepUpEnabled | StepDownEnabled; }

void QuantityField::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            commit();
            return;
        case Qt::Key_Escape:
            cancel();
            return;
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            QSpinBox::keyPressEvent(event);
            return;
        default:
            break;
    }
    if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Copy) ||
        event->matches(QKeySequence::Cut) || event->matches(QKeySequence::SelectAll) ||
        event->matches(QKeySequence::Undo)) {
        QSpinBox::keyPressEvent(event);  // pasted text still passes validate
        return;
    }
    const QString typed = event->text();
    if (!typed.isEmpty() && only_digits(typed)) {
        QSpinBox::keyPressEvent(event);
        return;
    }
    // Anything else is dropped without a beep.
    event->accept();
}

void QuantityField::focusOutEvent(QFocusEvent* event) {
    // Read the text before the spin box's own handling can correct it.
    if (!finished_) commit();
    QSpinBox::focusOutEvent(event);
}

void QuantityField::finish() {
    finished_ = true;
    hide();
    deleteLater();
    if (app_.main_window != nullptr) app_.main_window->item_list()->setFocus();
}

void QuantityField::commit() {
    if (finished_) return;
    const QString typed = text();
    finish();
    MainWindow* window = app_.main_window;
    if (window == nullptr || typed.isEmpty()) return;  // an emptied field writes nothing
    ItemListModel& model = window->list_model();
    const QString quantity = QString::number(typed.toLongLong());
    const std::string id = model.cell(row_, db::kId).toStdString();
    const QString shown = model.cell(row_, db::kQuantity);
    if (save_quantity(model.cell(row_, db::kName), shown, quantity, id)) {
        model.set_cell(row_, db::kQuantity, quantity);
        return;
    }
    // The cell keeps the stored value; the user hears why once.
    const db::Diagnostic why = app_.database.last_diagnostic();
    const QString name = model.cell(row_, db::kName);
    QString text = QString::fromUtf8("Количество не сохранено.");
    if (why.sqlstate != db::kNoRowMatched) {
        if (!why.empty()) text += "\n" + QString::fromStdString(db::failure_text(why));
    } else {
        // Someone changed or deleted the item since the list was read.
        QString mover;
        switch (show_stored_row(app_, row_, &mover)) {
            case StoredRow::shown:
                text += QString::fromUtf8(
                            "\nДеталь «%1» тем временем изменена другим пользователем: "
                            "сейчас сохранено количество %2.")
                            .arg(name, model.cell(row_, db::kQuantity));
                if (add_to_stored(text, shown.toLongLong(), quantity.toLongLong())) return;
                break;
            case StoredRow::gone:
                text += QString::fromUtf8("\nДеталь «%1» тем временем удалена другим пользователем.").arg(name);
                break;
            case StoredRow::moving:
                text += moving_text(name, mover);
                break;
            case StoredRow::unread:
                text += "\n" + QString::fromStdString(db::failure_text(why));
                break;
        }
    }
    app_.platform.message_box(window, QString::fromUtf8("Внимание!"), text, MessageButtons::ok, MessageIcon::warning);
}

bool QuantityField::save_quantity(const QString& name, const QString& was, const QString& quantity,
                                  const std::string& id) {
    const QString caption = QString::fromUtf8("Количество «%1»: %2 → %3").arg(name, was, quantity);
    return db::run_operation(app_.database, caption.toStdString(), [&] {
        return app_.database.db_update(db::set_item_quantity(quantity.toStdString(), id, was.toStdString()));
    });
}

bool QuantityField::add_to_stored(const QString& why, long long shown, long long typed) {
    MainWindow* window = app_.main_window;
    ItemListModel& model = window->list_model();
    const QString stored = model.cell(row_, db::kQuantity);
    const long long sum = stored.toLongLong() + (typed - shown);
    // A sum below zero or past what a quantity holds is no quantity: the
    // user is only told.
    if (sum < 0 || QString::number(sum).size() > kMaximumDigits) return false;
    const QString question =
        why + QString::fromUtf8("\nВы изменили %1 на %2.\n\nПрибавить моё изменение к сохранённому (будет %3)?")
                  .arg(shown)
                  .arg(typed)
                  .arg(sum);
    if (app_.platform.message_box(window, QString::fromUtf8("Внимание!"), question, MessageButtons::yes_no,
                                  MessageIcon::question) != MessageAnswer::yes) {
        return true;
    }
    const std::string id = model.cell(row_, db::kId).toStdString();
    if (save_quantity(model.cell(row_, db::kName), stored, QString::number(sum), id)) {
        model.set_cell(row_, db::kQuantity, QString::number(sum));
        return true;
    }
    // Changed once more meanwhile, or gone: shown as stored, nothing added.
    show_stored_row(app_, row_);
    app_.platform.message_box(window, QString::fromUtf8("Внимание!"),
                              QString::fromUtf8("Количество не сохранено: деталь снова изменена или недоступна. "
                                                "Список показывает её такой, как она сохранена."),
                              MessageButtons::ok, MessageIcon::warning);
    return true;
}

void QuantityField::cancel() {
    if (finished_) return;
    finish();
}

QuantityField* open_quantity_field(App& app) {
    if (app.main_window == nullptr) return nullptr;
    // A finished field lingers until the event loop deletes it.
    const auto fields =
        app.main_window->item_list()->viewport()->findChildren<QuantityField*>(QString(), Qt::FindDirectChildrenOnly);
    for (QuantityField* field : fields) {
        if (!field->finished()) return field;
    }
    return nullptr;
}

namespace {

void open_field(App& app, QTreeView* list, const QModelIndex& index, int row) {
    if (QuantityField* old = open_quantity_field(app)) old->commit();
    const QRect cell = list->visualRect(index);
    auto* field = new QuantityField(app, row, list->viewport());
    app.main_window->layer().register_control(field, kMainWindow, kQuantityField);
    field->setGeometry(cell.left() + 1, cell.top(), std::max(cell.width() - 1, 1), cell.height());
    field->set_text(app.main_window->list_model().cell(row, db::kQuantity));
    field->show();
    field->setFocus();
    field->selectAll();
}

// The list's own part of a double click; true when it goes no further.
bool list_double_click(App& app, QMouseEvent* event) {
    MainWindow* window = app.main_window;
    if (window == nullptr) return false;
    QTreeView* list = window->item_list();
    const QPoint at = event->position().toPoint();
    const QModelIndex index = list->indexAt(at);
    if (!index.isValid()) return true;  // no row there: nothing to edit or open
    const int selected = window->selected_row();
    if (index.column() == db::kQuantity) {
        open_field(app, list, index, selected >= 0 ? selected : index.row());
        return true;
    }
    if (index.column() == db::kName) {
        const int x = at.x() - list->visualRect(index).left();
        if (x > kIconBandStart && x < kIconBandEnd) {
            const int row = selected >= 0 ? selected : index.row();
            const QString document = window->list_model().cell(row, db::kDatasheet);
            if (!document.isEmpty()) open_document(app, document);
            return true;
        }
    }
    return false;
}

// A list still filling is filled before the user's touch reaches it: a
// click, a key or a menu on it then finds every row, as it always did
// (selecting all, a range, a sort by its header, a check).
class FillBeforeTouch : public QObject {
public:
    FillBeforeTouch(ItemListModel& model, QObject* parent) : QObject(parent), model_(model) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
            case QEvent::KeyPress:
            case QEvent::ContextMenu:
                model_.finish_rows();
                break;
            default:
                break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    ItemListModel& model_;
};

}  // namespace

void install_list_behaviour(App& app) {
    MainWindow* window = app.main_window;
    if (window == nullptr) return;
    QTreeView* list = window->item_list();
    auto* touch = new FillBeforeTouch(window->list_model(), list);
    for (QObject* part : {static_cast<QObject*>(list), static_cast<QObject*>(list->viewport()),
                          static_cast<QObject*>(list->header()), static_cast<QObject*>(list->header()->viewport())}) {
        part->installEventFilter(touch);
    }
    window->layer().set_double_click_handler(window->item_list(),
                                             [&app](QMouseEvent* event) { return list_double_click(app, event); });
}

}  // namespace detalehran::itemlist
