#include "spreadsheet_windows/reorder_window.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include "mainwindow/control_numbers.h"
#include "platform/event.h"

namespace detalehran::spreadsheet_windows {

namespace {

constexpr int kWidth = 1000;
constexpr int kHeight = 520;
// Columns from "Количество" on hold numbers.
constexpr int kFirstNumberColumn = 3;
const QColor kTotalGround(0xEE, 0xEE, 0xEE);
// A long name is cut rather than pushing the money columns out of sight.
constexpr int kNameColumn = 1;
constexpr int kWidestName = 340;
// A footprint's library name is long too (a missing part shows it whole).
constexpr int kPackageColumn = 2;
constexpr int kWidestPackage = 240;

QString text_of(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

}  // namespace

ReorderWindow::ReorderWindow(MainWindow& owner)
    : NumberedDialog(owner, kReorderWindow, kObjectName, QStringLiteral("Список для заказа"),
                     Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint,
                     Placement::on_owner) {
    auto* column = new QVBoxLayout(this);
    column->addWidget(add<QLabel>(this, kReorderCaption, 0, 0, 0, 0));
    table_ = add<QTableWidget>(this, kReorderTable, 0, 0, 0, 0);
    make_reorder_table(table_);
    column->addWidget(table_, 1);
    total_ = add<QLabel>(this, kReorderTotal, 0, 0, 0, 0);
    column->addWidget(total_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(add<QPushButton>(this, kReorderSave, 0, 0, 0, 0, QStringLiteral("Сохранить в CSV…")));
    buttons->addWidget(add<QPushButton>(this, kReorderClose, 0, 0, 0, 0, QStringLiteral("Закрыть")));
    column->addLayout(buttons);
    resize(kWidth, kHeight);
}

namespace {

void add_row(QTableWidget* table, const QStringList& cells, bool total_row) {
    const int row = table->rowCount();
    table->insertRow(row);
    for (int c = 0; c < cells.size(); ++c) {
        auto* item = new QTableWidgetItem(cells[c]);
        if (c >= kFirstNumberColumn) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (total_row) {
            QFont bold = item->font();
            bold.setBold(true);
            item->setFont(bold);
            item->setBackground(kTotalGround);
        }
        table->setItem(row, c, item);
    }
}

}  // namespace

void make_reorder_table(QTableWidget* table) {
    table->setColumnCount(static_cast<int>(std::size(spreadsheet::kReorderCaptions)));
    QStringList captions;
    for (const char* caption : spreadsheet::kReorderCaptions) captions << QString::fromUtf8(caption);
    table->setHorizontalHeaderLabels(captions);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->setVisible(false);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
}

void show_reorder_rows(QTableWidget* table, const spreadsheet::ReorderList& list) {
    table->setRowCount(0);
    for (const spreadsheet::SupplierTotal& group : list.suppliers) {
        for (std::size_t r = group.first_row; r < group.first_row + group.row_count; ++r) {
            const spreadsheet::ReorderRow& row = list.rows[r];
            add_row(table,
                    {text_of(row.supplier), text_of(row.name), text_of(row.package), text_of(row.quantity),
                     text_of(row.minimum), text_of(row.order), text_of(row.purchase_price), text_of(row.sum)},
                    false);
        }
        add_row(table,
                {text_of(group.supplier), QStringLiteral("Итого по поставщику"), {}, {}, {}, {}, {},
                 text_of(group.sum)},
                true);
    }
    add_row(table, {QStringLiteral("Итого"), {}, {}, {}, {}, {}, {}, text_of(list.total)}, true);
    table->resizeColumnsToContents();
    if (table->columnWidth(kNameColumn) > kWidestName) table->setColumnWidth(kNameColumn, kWidestName);
    if (table->columnWidth(kPackageColumn) > kWidestPackage) table->setColumnWidth(kPackageColumn, kWidestPackage);
}

void ReorderWindow::show_list(spreadsheet::ReorderList list, const QString& minimum) {
    list_ = std::move(list);
    show_reorder_rows(table_, list_);
    static_cast<QLabel*>(control(kReorderCaption))
        ->setText(QStringLiteral("Детали, которых меньше минимума (%1): %2")
                      .arg(minimum.isEmpty() ? QStringLiteral("0") : minimum)
                      .arg(list_.rows.size()));
    total_->setText(QStringLiteral("Итого к заказу: %1").arg(text_of(list_.total)));
}

}  // namespace detalehran::spreadsheet_windows
