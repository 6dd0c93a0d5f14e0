#include "platform/qt_services.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFontDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocument>

namespace detalehran {

namespace {

constexpr int kBold = 256;
constexpr int kItalic = 512;
constexpr int kUnderline = 4;
constexpr int kStrikeout = 8;

QMessageBox::Icon qt_icon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::information:
            return QMessageBox::Information;
        case MessageIcon::warning:
            return QMessageBox::Warning;
        case MessageIcon::error:
            return QMessageBox::Critical;
        case MessageIcon::question:
            return QMessageBox::Question;
        case MessageIcon::none:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

QString file_filter_text(const QList<FileFilter>& filters) {
    QStringList parts;
    for (const FileFilter& filter : filters) {
        QString patterns = filter.pattern;
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        parts << QStringLiteral("%1 (%2)").arg(filter.caption, patterns.simplified());
    }
    return parts.join(QStringLiteral(";;"));
}

QColor colour_from_bgr(int bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

int bgr_from_colour(const QColor& colour) { return colour.red() | (colour.green() << 8) | (colour.blue() << 16); }

QFont font_from_choice(const FontChoice& choice) {
    QFont font(choice.face);
    if (choice.points > 0) font.setPointSize(choice.points);
    font.setBold((choice.style & kBold) != 0);
    font.setItalic((choice.style & kItalic) != 0);
    font.setUnderline((choice.style & kUnderline) != 0);
    font.setStrikeOut((choice.style & kStrikeout) != 0);
    return font;
}

FontChoice choice_from_font(const QFont& font) {
    FontChoice choice;
    choice.face = font.family();
    choice.points = font.pointSize() > 0 ? font.pointSize() : qRound(font.pointSizeF());
    if (font.bold()) choice.style |= kBold;
    if (font.italic()) choice.style |= kItalic;
    if (font.underline()) choice.style |= kUnderline;
    if (font.strikeOut()) choice.style |= kStrikeout;
    return choice;
}

QUrl url_for(const QString& path_or_address) {
    const QString text = path_or_address.trimmed();
    if (text.startsWith(QStringLiteral("www."), Qt::CaseInsensitive)) return QUrl(QStringLiteral("http://") + text);
    const QUrl url(text);
    // One-letter schemes are drive letters, not addresses.
    if (url.isValid() && url.scheme().size() > 1) return url;
    return QUrl::fromLocalFile(QFileInfo(text).absoluteFilePath());
}

MessageAnswer QtPlatformServices::message_box(QWidget* parent, const QString& title, const QString& text,
                                              MessageButtons buttons, MessageIcon icon) {
    const auto qt_buttons = buttons == MessageButtons::yes_no ? QMessageBox::Yes | QMessageBox::No
                                                              : QMessageBox::StandardButtons(QMessageBox::Ok);
    QMessageBox box(qt_icon(icon), title, text, qt_buttons, parent);
    const int answer = box.exec();
    if (buttons == MessageButtons::ok) return MessageAnswer::ok;
    return answer == QMessageBox::Yes ? MessageAnswer::yes : MessageAnswer::no;
}

std::optional<QString> QtPlatformServices::choose_file(QWidget* parent, const QString& title,
                                                       const QList<FileFilter>& filters) {
    const QString filter = file_filter_text(filters);
    QString selected = filter.section(QStringLiteral(";;"), 0, 0);
    const QString path = QFileDialog::getOpenFileName(parent, title, QString(), filter, &selected);
    if (path.isEmpty()) return std::nullopt;
    return path;
}

std::optional<QString> QtPlatformServices::choose_save_file(QWidget* parent, const QString& title,
                                                            const QString& suggested,
                                                            const QList<FileFilter>& filters) {
    QFileDialog dialog(parent, title, suggested, file_filter_text(filters));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!filters.isEmpty()) dialog.setDefaultSuffix(filters.first().pattern.section(QLatin1Char('.'), -1));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
}

std::optional<QString> QtPlatformServices::choose_save_file_with_options(QWidget* parent, const QString& title,
                                                                         const QString& suggested,
                                                                         const QList<FileFilter>& filters,
                                                                         QList<SaveOption>& options) {
    QFileDialog dialog(parent, title, suggested, file_filter_text(filters));
    // The desktop's own chooser has no room for the program's check boxes.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!filters.isEmpty()) dialog.setDefaultSuffix(filters.first().pattern.section(QLatin1Char('.'), -1));
    QList<QCheckBox*> boxes;
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        for (const SaveOption& option : options) {
            auto* box = new QCheckBox(option.caption, &dialog);
            box->setChecked(option.checked);
            grid->addWidget(box, grid->rowCount(), 0, 1, grid->columnCount());
            boxes.append(box);
        }
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    for (qsizetype k = 0; k < boxes.size(); ++k) options[k].checked = boxes[k]->isChecked();
    return dialog.selectedFiles().first();
}

std::optional<FontChoice> QtPlatformServices::choose_font(QWidget* parent, const FontChoice& initial) {
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, font_from_choice(initial), parent);
    if (!ok) return std::nullopt;
    return choice_from_font(font);
}

std::optional<int> QtPlatformServices::choose_colour(QWidget* parent, int initial_bgr) {
    const QColor colour = QColorDialog::getColor(colour_from_bgr(initial_bgr), parent);
    if (!colour.isValid()) return std::nullopt;
    return bgr_from_colour(colour);
}

bool QtPlatformServices::open_with_default_program(const QString& path_or_address) {
    // openUrl starts the desktop's opener detached; it does not wait for it.
    return QDesktopServices::openUrl(url_for(path_or_address));
}

bool QtPlatformServices::set_clipboard_text(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) return false;
    clipboard->setText(text);
    return true;
}

QIcon QtPlatformServices::file_type_icon(const QString& file_path) {
    const QFileInfo info(file_path);
    if (info.exists()) {
        static QFileIconProvider provider;
        const QIcon icon = provider.icon(info);
        if (!icon.isNull()) return icon;
    }
    // Files that are not there yet, or a provider without icons: ask the
    // icon theme by the name's type.
    static QMimeDatabase mime_types;
    const QMimeType type = mime_types.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
    return icon;
}

std::optional<QString> QtPlatformServices::ask_text(QWidget* parent, const QString& title, const QString& label,
                                                    const QString& suggested) {
    bool ok = false;
    const QString text = QInputDialog::getText(parent, title, label, QLineEdit::Normal, suggested, &ok);
    if (!ok) return std::nullopt;
    return text;
}

bool QtPlatformServices::print_document(QWidget* parent, const QString& title, const QTextDocument& document) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(title);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(title);
    if (dialog.exec() != QDialog::Accepted) return false;
    document.print(&printer);
    return printer.printerState() != QPrinter::Error;
}

}  // namespace detalehran
