#include "spreadsheet_windows/import_dialog.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableWidget>
#include <algorithm>
#include <map>

#include "mainwindow/control_numbers.h"
#include "mainwindow/main_window.h"
#include "platform/event.h"
#include "spreadsheet/csv_reader.h"
#include "spreadsheet/text_decoding.h"

namespace detalehran::spreadsheet_windows {

namespace {

constexpr int kWidth = 820;
constexpr int kHeight = 600;
// The preview shows at least this many of the file's lines, however small
// the window is made.
constexpr int kLeastPreviewLines = 5;
constexpr int kHeaderLineShown = 70;  // characters of a line offered as the header
constexpr int kSummaryLines = 4;      // lines of the summary seen without scrolling
const QColor kProblemGround(255, 224, 224);
// The problem of a line stands first, where it is seen without scrolling;
// the file's columns follow.
constexpr int kReasonColumn = 0;
constexpr int kFirstFileColumn = 1;
const QColor kProblemText(170, 0, 0);

QString text_of(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

QString separator_caption(char separator) {
    const QString name = QString::fromUtf8(spreadsheet::separator_name(separator));
    return separator == '\t' ? name : name + QStringLiteral(" «%1»").arg(QLatin1Char(separator));
}

// A line offered as the header: its number and its cells, cut short.
QString header_line_caption(const spreadsheet::PreviewRow& record) {
    QStringList cells;
    for (const std::string& cell : record.cells) cells << text_of(cell).simplified();
    QString text = cells.join(QStringLiteral(" | "));
    if (text.size() > kHeaderLineShown) text = text.left(kHeaderLineShown) + u'…';
    return QStringLiteral("%1: %2").arg(record.line).arg(text);
}

bool has_field(const std::vector<spreadsheet::Field>& mapping, spreadsheet::Field field) {
    return std::find(mapping.begin(), mapping.end(), field) != mapping.end();
}

}  // namespace

ImportDialog::ImportDialog(MainWindow& owner, const QString& file_path)
    : NumberedDialog(owner, kImportWindow, kObjectName, QStringLiteral("Импорт из CSV"),
                     Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint,
                     Placement::on_owner) {
    job_.file_path = file_path;
    auto* column = new QVBoxLayout(this);
    add<QLabel>(this, kImportFileName, 0, 0, 0, 0, QStringLiteral("Файл: %1").arg(file_path));
    column->addWidget(control(kImportFileName));
    build_choices();
    build_preview();
    build_targets();
    build_buttons();
    resize(kWidth, kHeight);
}

void ImportDialog::build_choices() {
    auto* row = new QHBoxLayout;
    row->addWidget(add<QLabel>(this, kImportEncodingCaption, 0, 0, 0, 0, QStringLiteral("Кодировка:")));
    encoding_ = add<QComboBox>(this, kImportEncoding, 0, 0, 0, 0);
    for (const spreadsheet::Encoding encoding : spreadsheet::kEncodings) {
        encoding_->addItem(QString::fromUtf8(spreadsheet::encoding_name(encoding)), static_cast<int>(encoding));
    }
    row->addWidget(encoding_);
    row->addSpacing(16);
    row->addWidget(add<QLabel>(this, kImportSeparatorCaption, 0, 0, 0, 0, QStringLiteral("Разделитель:")));
    separator_ = add<QComboBox>(this, kImportSeparator, 0, 0, 0, 0);
    for (char separator : spreadsheet::kSeparators) separator_->addItem(separator_caption(separator), int(separator));
    row->addWidget(separator_);
    row->addStretch();
    static_cast<QVBoxLayout*>(layout())->addLayout(row);

    // A title ("Остатки склада на 01.12.2024") often stands above the header.
    auto* header_row = new QHBoxLayout;
    header_row->addWidget(add<QLabel>(this, kImportHeaderLineCaption, 0, 0, 0, 0, QStringLiteral("Строка заголовка:")));
    header_line_ = add<QComboBox>(this, kImportHeaderLine, 0, 0, 0, 0);
    header_line_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    header_line_->setMinimumContentsLength(40);
    header_row->addWidget(header_line_, 1);
    static_cast<QVBoxLayout*>(layout())->addLayout(header_row);
}

void ImportDialog::build_preview() {
    auto* column = static_cast<QVBoxLayout*>(layout());
    column->addWidget(add<QLabel>(this, kImportPreviewCaption, 0, 0, 0, 0,
                                  QStringLiteral("Что загружать из каждого столбца, и первые строки файла "
                                                 "(строки с ошибками отмечены красным):")));
    preview_ = add<QTableWidget>(this, kImportPreview, 0, 0, 0, 0);
    preview_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    preview_->setSelectionMode(QAbstractItemView::NoSelection);
    preview_->verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    preview_->verticalHeader()->setDefaultSectionSize(preview_->fontMetrics().height() + 8);
    column->addWidget(preview_, 1);
    // The summary may run to several sentences: it scrolls in a space of
    // its own rather than pushing into the preview when the window is small.
    auto* room = new QScrollArea(this);
    room->setFrameShape(QFrame::NoFrame);
    room->setWidgetResizable(true);
    room->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    summary_ = add<QLabel>(room, kImportSummary, 0, 0, 0, 0);
    summary_->setWordWrap(true);
    summary_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    room->setWidget(summary_);
    room->setFixedHeight(kSummaryLines * fontMetrics().lineSpacing() + 4);
    column->addWidget(room);
}

void ImportDialog::build_targets() {
    auto* grid = new QGridLayout;
    grid->addWidget(add<QLabel>(this, kImportSectionCaption, 0, 0, 0, 0, QStringLiteral("Раздел:")), 0, 0);
    section_ = add<QComboBox>(this, kImportSection, 0, 0, 0, 0);
    grid->addWidget(section_, 0, 1);
    grid->addWidget(add<QLabel>(this, kImportPlaceCaption, 0, 0, 0, 0, QStringLiteral("Место хранения:")), 1, 0);
    place_ = add<QComboBox>(this, kImportPlace, 0, 0, 0, 0);
    grid->addWidget(place_, 1, 1);
    grid->setColumnStretch(1, 1);
    auto* column = static_cast<QVBoxLayout*>(layout());
    column->addWidget(add<QLabel>(this, kImportTargetCaption, 0, 0, 0, 0,
                                  QStringLiteral("Куда загружать детали, для которых в файле не указаны раздел или "
                                                 "место хранения:")));
    column->addLayout(grid);

    auto* frame = add<QGroupBox>(this, kImportDuplicatesFrame, 0, 0, 0, 0,
                                 QStringLiteral("Деталь с тем же названием и типом корпуса уже есть в разделе"));
    auto* choices = new QHBoxLayout(frame);
    choices->addWidget(add<QRadioButton>(frame, kImportAsNew, 0, 0, 0, 0, QStringLiteral("добавить как новую")));
    choices->addWidget(
        add<QRadioButton>(frame, kImportAddQuantity, 0, 0, 0, 0, QStringLiteral("прибавить к её количеству")));
    choices->addWidget(add<QRadioButton>(frame, kImportSkip, 0, 0, 0, 0, QStringLiteral("пропустить")));
    choices->addStretch();
    static_cast<QRadioButton*>(control(kImportAsNew))->setChecked(true);
    column->addWidget(frame);
}

void ImportDialog::build_buttons() {
    auto* column = static_cast<QVBoxLayout*>(layout());
    progress_ = add<QProgressBar>(this, kImportProgress, 0, 0, 0, 0);
    progress_->setVisible(false);
    column->addWidget(progress_);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(add<QPushButton>(this, kImportStart, 0, 0, 0, 0, QStringLiteral("Загрузить")));
    row->addWidget(add<QPushButton>(this, kImportCancel, 0, 0, 0, 0, QStringLiteral("Отмена")));
    column->addLayout(row);
}

void ImportDialog::show_plan(const std::vector<PreviewLine>& lines) {
    const spreadsheet::ImportPlan& plan = job_.plan;
    encoding_->setCurrentIndex(encoding_->findData(static_cast<int>(plan.encoding)));
    separator_->setCurrentIndex(separator_->findData(int(plan.separator)));
    fill_header_lines();
    // A choice in one drop-down must not send the user back to the start.
    const int across = preview_->horizontalScrollBar()->value();
    const int down = preview_->verticalScrollBar()->value();
    fill_mapping_row();
    fill_lines(lines);
    preview_->horizontalScrollBar()->setValue(across);
    preview_->verticalScrollBar()->setValue(down);

    QStringList text;
    if (plan.refusal) {
        text << QStringLiteral("Загрузить файл нельзя: %1").arg(text_of(plan.refusal->reason));
        if (!plan.header.empty() && !has_field(plan.mapping, spreadsheet::Field::name)) {
            text << QStringLiteral("Столбец с названиями можно выбрать в списке над ним.");
        }
    } else {
        QString counts = QStringLiteral("Будет загружено деталей: %1.").arg(plan.new_items.size());
        if (!plan.errors.empty()) {
            counts += QStringLiteral(" Строк с ошибками: %1, они загружены не будут.").arg(plan.errors.size());
        }
        text << counts;
    }
    for (const std::string& note : spreadsheet::import_notes(plan)) text << text_of(note);
    if (plan.unloaded_columns.size() == 1) {
        text << QStringLiteral("Выберите для него поле в списке над столбцом или оставьте «не загружать».");
    } else if (!plan.unloaded_columns.empty()) {
        text << QStringLiteral("Выберите для них поле в списке над столбцом или оставьте «не загружать».");
    }
    summary_->setText(text.join(u' '));
    const bool warn = plan.refusal || !plan.errors.empty() || !plan.unloaded_columns.empty();
    summary_->setStyleSheet(warn ? QStringLiteral("color: #aa0000") : QString());
    control(kImportStart)->setEnabled(!plan.refusal);
}

void ImportDialog::fill_header_lines() {
    const spreadsheet::ImportPlan& plan = job_.plan;
    header_line_->clear();
    for (const spreadsheet::PreviewRow& record : plan.first_records) {
        header_line_->addItem(header_line_caption(record), record.line);
    }
    const int at = header_line_->findData(plan.header_line);
    header_line_->setCurrentIndex(at);
}

void ImportDialog::show_on_screen() {
    const QScreen* screen = owner().screen() != nullptr ? owner().screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) return show_centred();
    const QRect room = screen->availableGeometry();
    // Room for the frame the window system adds.
    constexpr int kFrameAllowance = 40;
    resize(std::min(width(), std::max(minimumWidth(), room.width() - kFrameAllowance)),
           std::min(height(), std::max(minimumHeight(), room.height() - kFrameAllowance)));
    show_centred();
    const QRect frame = frameGeometry();
    const int x = std::clamp(frame.left(), room.left(), std::max(room.left(), room.right() + 1 - frame.width()));
    const int y = std::clamp(frame.top(), room.top(), std::max(room.top(), room.bottom() + 1 - frame.height()));
    if (x != frame.left() || y != frame.top()) move(x, y);
}

void ImportDialog::fill_mapping_row() {
    const spreadsheet::ImportPlan& plan = job_.plan;
    field_boxes_.clear();
    preview_->clear();
    const int columns = static_cast<int>(plan.mapping.size());
    preview_->setColumnCount(kFirstFileColumn + columns);
    QStringList captions{QStringLiteral("Ошибка")};
    for (const std::string& caption : plan.header) captions << text_of(caption);
    preview_->setHorizontalHeaderLabels(captions);
    preview_->setRowCount(1);
    preview_->setVerticalHeaderItem(0, new QTableWidgetItem(QStringLiteral("Поле")));
    for (int c = 0; c < columns; ++c) {
        auto* box = new QComboBox(preview_);
        box->addItem(QString::fromUtf8(spreadsheet::field_caption(spreadsheet::Field::none)),
                     static_cast<int>(spreadsheet::Field::none));
        for (spreadsheet::Field field : spreadsheet::kLoadedFields) {
            box->addItem(QString::fromUtf8(spreadsheet::field_caption(field)), static_cast<int>(field));
        }
        box->addItem(QString::fromUtf8(spreadsheet::field_caption(spreadsheet::Field::note)),
                     static_cast<int>(spreadsheet::Field::note));
        box->setCurrentIndex(box->findData(static_cast<int>(plan.mapping[static_cast<std::size_t>(c)])));
        const auto& unloaded = plan.unloaded_columns;
        if (std::find(unloaded.begin(), unloaded.end(), static_cast<std::size_t>(c)) != unloaded.end()) {
            // Data that would be left behind: seen before anything is stored.
            box->setStyleSheet(QStringLiteral("QComboBox { background: #ffe0e0; color: #aa0000; }"));
            box->setToolTip(QStringLiteral("В столбце есть данные, но он не загружается"));
            if (QTableWidgetItem* caption = preview_->horizontalHeaderItem(kFirstFileColumn + c)) {
                caption->setForeground(kProblemText);
                caption->setToolTip(box->toolTip());
            }
        }
        // A choice here is a choice of the preview control, routed as one.
        connect(box, &QComboBox::activated, this, [this] {
            owner().layer().deliver_later(Event{kControlEvent, kImportWindow, kImportPreview, kValueChanged});
        });
        preview_->setCellWidget(0, kFirstFileColumn + c, box);
        field_boxes_.push_back(box);
    }
}

void ImportDialog::fill_lines(const std::vector<PreviewLine>& lines) {
    std::map<int, QString> problems;
    for (const spreadsheet::Problem& p : job_.plan.errors) problems.emplace(p.line, text_of(p.reason));
    const int file_columns = preview_->columnCount() - kFirstFileColumn;
    preview_->setRowCount(1 + static_cast<int>(lines.size()));
    for (int r = 0; r < static_cast<int>(lines.size()); ++r) {
        const PreviewLine& line = lines[static_cast<std::size_t>(r)];
        preview_->setVerticalHeaderItem(r + 1, new QTableWidgetItem(QString::number(line.line)));
        const auto problem = problems.find(line.line);
        for (int c = 0; c < file_columns; ++c) {
            const QString cell =
                c < static_cast<int>(line.cells.size()) ? text_of(line.cells[static_cast<std::size_t>(c)]) : QString();
            auto* item = new QTableWidgetItem(cell);
            if (problem != problems.end()) item->setBackground(kProblemGround);
            preview_->setItem(r + 1, kFirstFileColumn + c, item);
        }
        auto* reason = new QTableWidgetItem(problem != problems.end() ? problem->second : QString());
        if (line.line == job_.plan.total_line) {
            reason->setText(QStringLiteral("строка итогов, не загружается"));
            reason->setForeground(Qt::darkGray);
        }
        if (problem != problems.end()) {
            reason->setBackground(kProblemGround);
            reason->setForeground(kProblemText);
            reason->setToolTip(problem->second);
        }
        preview_->setItem(r + 1, kReasonColumn, reason);
    }
    preview_->resizeColumnsToContents();
    // The drop-downs need their width; long cells are cut with a tooltip.
    for (int c = 0; c < preview_->columnCount(); ++c) {
        int width = preview_->columnWidth(c);
        const int box = c - kFirstFileColumn;
        if (box >= 0 && box < static_cast<int>(field_boxes_.size())) {
            width = std::max(width, field_boxes_[static_cast<std::size_t>(box)]->sizeHint().width());
        }
        preview_->setColumnWidth(c, std::min(width, 260));
    }
    preview_->resizeRowToContents(0);
    // The captions, the fields' row and the least number of lines, with a
    // scroll bar below them.
    preview_->setMinimumHeight(preview_->horizontalHeader()->sizeHint().height() + preview_->rowHeight(0) +
                               kLeastPreviewLines * preview_->verticalHeader()->defaultSectionSize() +
                               preview_->horizontalScrollBar()->sizeHint().height() + 2 * preview_->frameWidth());
}

std::vector<spreadsheet::Field> ImportDialog::mapping() const {
    std::vector<spreadsheet::Field> fields;
    for (const QComboBox* box : field_boxes_)
        fields.push_back(static_cast<spreadsheet::Field>(box->currentData().toInt()));
    return fields;
}

void ImportDialog::set_targets(QComboBox* box, const std::vector<TargetNode>& nodes, const QString& selected) {
    box->clear();
    for (const TargetNode& node : nodes) box->addItem(node.shown, node.path);
    const int at = box->findData(selected);
    box->setCurrentIndex(at >= 0 ? at : 0);
}

QString ImportDialog::chosen_target(const QComboBox* box) { return box->currentData().toString(); }

spreadsheet::DuplicateChoice ImportDialog::duplicates() const {
    auto checked = [this](int number) { return static_cast<QRadioButton*>(control(number))->isChecked(); };
    if (checked(kImportAddQuantity)) return spreadsheet::DuplicateChoice::add_quantity;
    if (checked(kImportSkip)) return spreadsheet::DuplicateChoice::skip;
    return spreadsheet::DuplicateChoice::add_new;
}

void ImportDialog::set_running(bool running) {
    for (int number : {kImportEncoding, kImportSeparator, kImportHeaderLine, kImportPreview, kImportSection,
                       kImportPlace, kImportDuplicatesFrame, kImportStart}) {
        control(number)->setEnabled(!running);
    }
    progress_->setVisible(running);
}

}  // namespace detalehran::spreadsheet_windows
