#include "bom_windows/bom_window.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>

#include "bom_windows/bom_texts.h"
#include "mainwindow/control_numbers.h"
#include "platform/event.h"
#include "spreadsheet_windows/reorder_window.h"

namespace detalehran::bom_windows {

namespace {

constexpr int kWidth = 1240;
constexpr int kHeight = 680;
// A long name, footprint or designator run is cut (its whole text in the
// tip) rather than pushing the counts out of sight.
constexpr int kWidestColumn = 300;
constexpr int kPartWidth = 290;
const QColor kShortGround(0xF6, 0xCC, 0xCC);
const QColor kLowGround(0xFF, 0xEE, 0xB0);


void set_cell(QTableWidget* table, int row, int column, const QString& text, bool number = false) {
    auto* item = new QTableWidgetItem(text);
    item->setToolTip(text);
    if (number) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    table->setItem(row, column, item);
}

void fit_columns(QTableWidget* table) {
    table->resizeColumnsToContents();
    for (int c = 0; c + 1 < table->columnCount(); ++c) {
        if (table->columnWidth(c) > kWidestColumn) table->setColumnWidth(c, kWidestColumn);
    }
}

// "Резистор 4,7 кОм 0805 · ID 12 · 150 шт."
QString candidate_text(const bom::StockPart& part) {
    return QStringLiteral("%1 · ID %2 · %3 шт.").arg(text_of(part.name), text_of(part.id)).arg(part.quantity);
}

}  // namespace

BomWindow::BomWindow(MainWindow& owner, const QString& refusal)
    : NumberedDialog(owner, kBomWindow, kObjectName, QStringLiteral("Проверка спецификации"),
                     Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint,
                     Placement::on_owner) {
    auto* column = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(add<QLabel>(this, kBomCaption, 0, 0, 0, 0), 1);
    auto* boards_caption = add<QLabel>(this, kBomBoardsCaption, 0, 0, 0, 0, QStringLiteral("Число пл&ат:"));
    boards_ = add<QSpinBox>(this, kBomBoards, 0, 0, 0, 0);
    boards_->setRange(1, static_cast<int>(bom::kMaxBoards));
    boards_caption->setBuddy(boards_);
    top->addWidget(boards_caption);
    top->addWidget(boards_);
    column->addLayout(top);

    tabs_ = add<QTabWidget>(this, kBomTabs, 0, 0, 0, 0);
    tabs_->addTab(make_check_page(), QStringLiteral("Пр&оверка"));
    tabs_->addTab(make_pick_page(), QStringLiteral("&Что взять"));
    tabs_->addTab(make_short_page(), QStringLiteral("&Не хватает"));
    column->addWidget(tabs_, 1);

    auto* access = add<QLabel>(this, kBomAccess, 0, 0, 0, 0, refusal);
    access->setWordWrap(true);
    access->setVisible(!refusal.isEmpty());
    column->addWidget(access);
    auto* buttons = new QHBoxLayout;
    auto* take = add<QPushButton>(this, kBomTake, 0, 0, 0, 0, QStringLiteral("&Списать на сборку…"));
    auto* save = add<QPushButton>(this, kBomSaveProject, 0, 0, 0, 0, QStringLiteral("Сохранить п&роект…"));
    for (QPushButton* write : {take, save}) {
        write->setEnabled(refusal.isEmpty());
        write->setToolTip(refusal);
    }
    buttons->addWidget(take);
    buttons->addWidget(save);
    buttons->addStretch();
    buttons->addWidget(add<QPushButton>(this, kBomClose, 0, 0, 0, 0, QStringLiteral("&Закрыть")));
    column->addLayout(buttons);

    connect(boards_, &QSpinBox::valueChanged, this, [this](int boards) {
        if (on_boards_) on_boards_(boards);
    });
    resize(kWidth, kHeight);
}

QWidget* BomWindow::make_check_page() {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    check_ = make_read_only_table(
        add<QTableWidget>(page, kBomCheckTable, 0, 0, 0, 0),
        {QStringLiteral("Обозначения"), QStringLiteral("Номинал"), QStringLiteral("Корпус"), QStringLiteral("На плату"),
         QStringLiteral("Нужно"), QStringLiteral("Деталь"), QStringLiteral("На складе"), QStringLiteral("Расположение"),
         QStringLiteral("Не хватает"), QStringLiteral("Отметки")});
    column->addWidget(check_, 1);
    auto* under = new QHBoxLayout;
    totals_ = add<QLabel>(page, kBomTotals, 0, 0, 0, 0);
    totals_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    under->addWidget(totals_, 1);
    under->addWidget(add<QPushButton>(page, kBomConfirmAll, 0, 0, 0, 0, QStringLiteral("&Подтвердить все")), 0,
                     Qt::AlignTop);
    column->addLayout(under);
    return page;
}

QWidget* BomWindow::make_pick_page() {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    pick_ = make_read_only_table(add<QTableWidget>(page, kBomPickTable, 0, 0, 0, 0),
                       {QStringLiteral("Расположение"), QStringLiteral("ID"), QStringLiteral("Название"),
                        QStringLiteral("Взять"), QStringLiteral("Обозначения")});
    column->addWidget(pick_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(add<QPushButton>(page, kBomPrint, 0, 0, 0, 0, QStringLiteral("П&ечать…")));
    buttons->addWidget(add<QPushButton>(page, kBomPickPdf, 0, 0, 0, 0, QStringLiteral("Сохранить в P&DF…")));
    buttons->addWidget(add<QPushButton>(page, kBomPickCsv, 0, 0, 0, 0, QStringLiteral("Сохранить в &CSV…")));
    column->addLayout(buttons);
    return page;
}

QWidget* BomWindow::make_short_page() {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    short_ = add<QTableWidget>(page, kBomShortTable, 0, 0, 0, 0);
    spreadsheet_windows::make_reorder_table(short_);
    short_->setTabKeyNavigation(false);
    column->addWidget(short_, 1);
    auto* under = new QHBoxLayout;
    under->addWidget(add<QLabel>(page, kBomShortTotal, 0, 0, 0, 0), 1);
    under->addWidget(add<QPushButton>(page, kBomShortCsv, 0, 0, 0, 0, QStringLiteral("Сохранить в &CSV…")));
    under->addWidget(add<QPushButton>(page, kBomAddToOrder, 0, 0, 0, 0, QStringLiteral("&Добавить в список заказа")));
    column->addLayout(under);
    return page;
}

QComboBox* BomWindow::part_box(int row) const { return qobject_cast<QComboBox*>(check_->cellWidget(row, part)); }

void BomWindow::show_session() {
    const QSignalBlocker quiet(boards_);
    boards_->setValue(static_cast<int>(session_.check.boards));
    QString caption =
        QStringLiteral("Спецификация «%1»: строк %2").arg(text_of(session_.bom.name)).arg(session_.bom.lines.size());
    if (!session_.project.empty()) caption += QStringLiteral(", проект «%1»").arg(text_of(session_.project));
    static_cast<QLabel*>(control(kBomCaption))->setText(caption);
    show_check_rows();
    totals_->setText(totals_text(session_.check));
    show_pick_rows();
    spreadsheet_windows::show_reorder_rows(short_, session_.shortfall);
    static_cast<QLabel*>(control(kBomShortTotal))
        ->setText(QStringLiteral("Строк к заказу: %1; итого: %2")
                      .arg(session_.shortfall.rows.size())
                      .arg(text_of(session_.shortfall.total)));
    control(kBomConfirmAll)->setEnabled(count_proposals(session_.check) > 0);
}

void BomWindow::show_check_rows() {
    const bom::BuildCheck& check = session_.check;
    const auto& parts = session_.stock->parts();
    const bool first = check_->rowCount() != static_cast<int>(check.lines.size());
    check_->setRowCount(static_cast<int>(check.lines.size()));
    for (int row = 0; row < check_->rowCount(); ++row) {
        const bom::CheckLine& line = check.lines[static_cast<std::size_t>(row)];
        const bom::BomLine& bom_line = session_.bom.lines[line.line];
        const bom::StockPart* stock_part = line.part ? &parts[*line.part] : nullptr;
        set_cell(check_, row, designators, text_of(bom::designators_text(bom_line.designators)));
        set_cell(check_, row, value, text_of(bom_line.value));
        set_cell(check_, row, footprint, text_of(bom_line.footprint));
        set_cell(check_, row, per_board, QString::number(bom_line.per_board), true);
        set_cell(check_, row, needed, QString::number(line.needed), true);
        set_cell(check_, row, part, {});
        set_cell(check_, row, in_stock, stock_part ? QString::number(line.in_stock) : QStringLiteral("0"), true);
        set_cell(check_, row, place, stock_part ? place_text(stock_part->place) : QStringLiteral("—"));
        set_cell(check_, row, short_by, QString::number(line.shortfall), true);
        set_cell(check_, row, marks, line_marks(line));

        auto* box = part_box(row);
        if (box == nullptr) {
            box = new QComboBox;
            box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
            box->setMinimumContentsLength(16);
            check_->setCellWidget(row, part, box);
            connect(box, &QComboBox::activated, this, [this, box, row](int index) {
                const qlonglong chosen = box->itemData(index).toLongLong();
                if (on_part_) {
                    on_part_(static_cast<std::size_t>(row),
                             chosen < 0 ? std::nullopt : std::optional<std::size_t>(static_cast<std::size_t>(chosen)));
                }
            });
        }
        const QSignalBlocker quiet(box);
        box->clear();
        for (const bom::Candidate& candidate : line.candidates) {
            box->addItem(candidate_text(parts[candidate.part]), static_cast<qlonglong>(candidate.part));
        }
        box->addItem(QString::fromUtf8(bom::kNotInStock), qlonglong{-1});
        box->setCurrentIndex(line.part ? box->findData(static_cast<qlonglong>(*line.part)) : box->count() - 1);
        // A guess shows slanted until the user confirms it.
        QFont font = box->font();
        font.setItalic(is_proposal(line));
        box->setFont(font);

        const QColor ground = line.shortfall > 0 ? kShortGround : line.below_minimum ? kLowGround : QColor();
        for (int c = 0; c < columns; ++c) {
            QTableWidgetItem* item = check_->item(row, c);
            if (ground.isValid()) item->setBackground(ground);
            QFont cell_font = item->font();
            cell_font.setItalic(is_proposal(line));
            item->setFont(cell_font);
        }
    }
    if (first) {
        fit_columns(check_);
        // The counts and the marks stay in sight beside the long texts.
        for (const auto& [column, widest] :
             {std::pair{designators, 140}, {value, 110}, {footprint, 170}, {place, 180}}) {
            if (check_->columnWidth(column) > widest) check_->setColumnWidth(column, widest);
        }
        check_->setColumnWidth(part, kPartWidth);
    }
}

void BomWindow::show_pick_rows() {
    const auto& parts = session_.stock->parts();
    pick_->setRowCount(static_cast<int>(session_.pick.size()));
    for (int row = 0; row < pick_->rowCount(); ++row) {
        const bom::PickRow& pick = session_.pick[static_cast<std::size_t>(row)];
        const bom::StockPart& stock_part = parts[pick.part];
        const bom::BomLine& bom_line = session_.bom.lines[session_.check.lines[pick.line].line];
        set_cell(pick_, row, 0, place_text(stock_part.place));
        set_cell(pick_, row, 1, text_of(stock_part.id), true);
        set_cell(pick_, row, 2, text_of(stock_part.name));
        set_cell(pick_, row, 3, QString::number(pick.take), true);
        set_cell(pick_, row, 4, text_of(bom::designators_text(bom_line.designators)));
    }
    fit_columns(pick_);
}

}  // namespace detalehran::bom_windows
