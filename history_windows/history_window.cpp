#include "history_windows/history_window.h"

#include <QBoxLayout>
#include <QDateTime>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTimeZone>

#include "mainwindow/control_numbers.h"
#include "platform/event.h"

namespace detalehran::history_windows {

namespace {

constexpr int kWidth = 1040;
constexpr int kHeight = 640;
// A long caption or value is cut rather than pushing the others out of sight.
constexpr int kWidestColumn = 420;

QString text_of(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

QTableWidget* make_table(QTableWidget* table, const QStringList& captions) {
    make_read_only_table(table, captions);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    return table;
}

void set_row(QTableWidget* table, int row, const QStringList& cells) {
    for (int c = 0; c < cells.size(); ++c) table->setItem(row, c, new QTableWidgetItem(cells[c]));
}

void fit_columns(QTableWidget* table) {
    QHeaderView* header = table->horizontalHeader();
    for (int c = 0; c < table->columnCount(); ++c) {
        if (header->sectionResizeMode(c) == QHeaderView::Stretch) continue;
        table->resizeColumnToContents(c);
        if (table->columnWidth(c) > kWidestColumn) table->setColumnWidth(c, kWidestColumn);
    }
}

QString value_text(const std::optional<std::string>& value) { return value ? text_of(*value) : QStringLiteral("—"); }

// The UTC instant at which the desktop's day begins, as the history stores time.
std::string utc_start_of(const QDate& day) {
    return QDateTime(day, QTime(0, 0), QTimeZone::systemTimeZone())
        .toUTC()
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
        .toStdString();
}

}  // namespace

QString local_time(const std::string& utc) {
    QDateTime at = QDateTime::fromString(text_of(utc).left(19), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!at.isValid()) return text_of(utc);
    at.setTimeZone(QTimeZone::utc());
    return at.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

QDate typed_day(const QString& text) {
    const QString day = text.trimmed();
    for (const QString& form : {QStringLiteral("d.M.yyyy"), QStringLiteral("yyyy-MM-dd")}) {
        const QDate date = QDate::fromString(day, form);
        if (date.isValid()) return date;
    }
    return {};
}

HistoryWindow::HistoryWindow(MainWindow& owner, std::vector<std::string> parts)
    : NumberedDialog(owner, kHistoryWindow, kObjectName, QStringLiteral("История изменений"),
                     Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint,
                     Placement::on_owner),
      parts_(std::move(parts)) {
    auto* column = new QVBoxLayout(this);
    auto* caption = add<QLabel>(this, kHistoryCaption, 0, 0, 0, 0);
    caption->setText(parts_.empty() ? QStringLiteral("Все изменения склада, новые сверху")
                                    : QStringLiteral("Изменения выбранных деталей (%1), новые сверху").arg(parts_.size()));
    column->addWidget(caption);

    auto* filters = new QHBoxLayout;
    const struct {
        int caption;
        int field;
        const char* label;
        const char* hint;
    } fields[] = {{kHistoryWhoCaption, kHistoryWho, "Кто:", "пользователь"},
                  {kHistorySinceCaption, kHistorySince, "С:", "ДД.ММ.ГГГГ"},
                  {kHistoryUntilCaption, kHistoryUntil, "По:", "ДД.ММ.ГГГГ"},
                  {kHistoryTextCaption, kHistoryText, "Текст:", "часть описания или имени"}};
    for (const auto& f : fields) {
        filters->addWidget(add<QLabel>(this, f.caption, 0, 0, 0, 0, QString::fromUtf8(f.label)));
        auto* edit = add<QLineEdit>(this, f.field, 0, 0, 0, 0);
        edit->setPlaceholderText(QString::fromUtf8(f.hint));
        edit->setClearButtonEnabled(true);
        filters->addWidget(edit, f.field == kHistoryText || f.field == kHistoryWho ? 2 : 1);
    }
    auto* show = add<QPushButton>(this, kHistoryShow, 0, 0, 0, 0, QStringLiteral("Показать"));
    show->setDefault(true);
    filters->addWidget(show);
    column->addLayout(filters);

    auto* split = new QSplitter(Qt::Vertical, this);
    operations_ = make_table(add<QTableWidget>(split, kHistoryOperations, 0, 0, 0, 0),
                             {QStringLiteral("№"), QStringLiteral("Когда"), QStringLiteral("Кто"),
                              QStringLiteral("Что"), QStringLiteral("Изменений")});
    changes_ = make_table(add<QTableWidget>(split, kHistoryChanges, 0, 0, 0, 0),
                          {QStringLiteral("Что"), QStringLiteral("Действие"), QStringLiteral("Поле"),
                           QStringLiteral("Было"), QStringLiteral("Стало")});
    // What was done takes the room; the count keeps to its numbers.
    operations_->horizontalHeader()->setStretchLastSection(false);
    operations_->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    split->addWidget(operations_);
    split->addWidget(changes_);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    column->addWidget(split, 1);
    connect(operations_, &QTableWidget::itemSelectionChanged, this, &HistoryWindow::choice_changed);

    auto* buttons = new QHBoxLayout;
    more_ = add<QPushButton>(this, kHistoryMore, 0, 0, 0, 0, QStringLiteral("Показать ещё"));
    buttons->addWidget(more_);
    buttons->addStretch();
    buttons->addWidget(add<QPushButton>(this, kHistoryRevert, 0, 0, 0, 0, QStringLiteral("Отменить операцию…")));
    buttons->addWidget(add<QPushButton>(this, kHistoryClose, 0, 0, 0, 0, QStringLiteral("Закрыть")));
    column->addLayout(buttons);
    resize(kWidth, kHeight);
}

QLineEdit* HistoryWindow::field(int number) const { return qobject_cast<QLineEdit*>(control(number)); }

db::HistoryFilter HistoryWindow::filter(QString* error) const {
    db::HistoryFilter out;
    out.item_ids = parts_;
    out.who = field(kHistoryWho)->text().trimmed().toStdString();
    out.text = field(kHistoryText)->text().trimmed().toStdString();
    const struct {
        int control;
        std::string* bound;
        int days_after;
        const char* name;
    } days[] = {{kHistorySince, &out.since, 0, "«С»"}, {kHistoryUntil, &out.until, 1, "«По»"}};
    for (const auto& d : days) {
        const QString typed = field(d.control)->text().trimmed();
        if (typed.isEmpty()) continue;
        const QDate day = typed_day(typed);
        if (!day.isValid()) {
            if (error) {
                *error = QStringLiteral("В поле %1 не дата: «%2». Введите день как 09.12.2026.")
                             .arg(QString::fromUtf8(d.name), typed);
            }
            return out;
        }
        // The desktop's days, in the UTC the history keeps: "по" takes in the
        // whole of its day.
        *d.bound = utc_start_of(day.addDays(d.days_after));
    }
    return out;
}

void HistoryWindow::show_page(std::vector<db::OperationRecord> page, bool first, bool more) {
    if (first) {
        shown_.clear();
        operations_->setRowCount(0);
        changes_->setRowCount(0);
    }
    const QSignalBlocker quiet(operations_);
    for (db::OperationRecord& operation : page) {
        const int row = operations_->rowCount();
        operations_->insertRow(row);
        const QString what = text_of(operation.caption.empty() ? titles_(operation) : operation.caption);
        set_row(operations_, row,
                {text_of(operation.id), local_time(operation.changed), text_of(operation.who), what,
                 QString::number(operation.changes)});
        operations_->item(row, 4)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        shown_.push_back(std::move(operation));
    }
    if (first) fit_columns(operations_);
    more_->setEnabled(more);
    if (first && !shown_.empty()) {
        operations_->selectRow(0);
        choice_changed();
    }
}

const db::OperationRecord* HistoryWindow::chosen() const {
    const int row = operations_->currentRow();
    if (row < 0 || row >= static_cast<int>(shown_.size()) || operations_->selectedItems().isEmpty()) return nullptr;
    return &shown_[static_cast<std::size_t>(row)];
}

void HistoryWindow::show_changes(const std::vector<db::ChangeRecord>& changes) {
    changes_->setRowCount(0);
    for (const db::ChangeRecord& change : changes) {
        const QString subject = text_of(db::change_subject(change)) +
                                (change.item_id.empty() ? QString() : QStringLiteral(" ") + text_of(change.item_id));
        const QString kind = text_of(db::change_kind(change));
        if (change.fields.empty()) {
            const int row = changes_->rowCount();
            changes_->insertRow(row);
            set_row(changes_, row, {subject, kind, {}, {}, {}});
        }
        for (const db::FieldChange& f : change.fields) {
            const int row = changes_->rowCount();
            changes_->insertRow(row);
            set_row(changes_, row, {subject, kind, text_of(f.column), value_text(f.before), value_text(f.after)});
        }
    }
    fit_columns(changes_);
}

void HistoryWindow::choice_changed() {
    if (on_choice_) on_choice_();
}

}  // namespace detalehran::history_windows
