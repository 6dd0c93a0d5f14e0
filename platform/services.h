#pragma once
// Everything the program asks of the desktop, behind one interface so that
// tests can answer in its place: message boxes, the file, font and colour
// choosers, opening files and addresses, the clipboard and file type icons.

#include <QIcon>
#include <QString>
#include <QStringList>
#include <optional>

class QTextDocument;
class QWidget;

namespace detalehran {

enum class MessageIcon { none, information, warning, error, question };
enum class MessageButtons { ok, yes_no };
enum class MessageAnswer { ok, yes, no };

// The list font as the program records it: face, size in points and style
// flags (256 bold, 512 italic, 4 underline, 8 strikeout).
struct FontChoice {
    QString face;
    int points = 8;
    int style = 0;
};

// One entry of a file chooser's filter list.
struct FileFilter {
    QString caption;
    QString pattern;  // "*.pdf"
};

// A check box a save chooser shows below the file name ("Добавить столбец
// «Раздел»"), with its state.
struct SaveOption {
    QString caption;
    bool checked = false;
};

class PlatformServices {
public:
    virtual ~PlatformServices() = default;

    virtual MessageAnswer message_box(QWidget* parent, const QString& title, const QString& text,
                                      MessageButtons buttons, MessageIcon icon) = 0;
    // Path of the chosen file, or nothing when cancelled.
    virtual std::optional<QString> choose_file(QWidget* parent, const QString& title,
                                               const QList<FileFilter>& filters) = 0;
    // Path of a file to write, offered under `suggested` with the first
    // filter's extension added when the user gives none; nothing when
    // cancelled. The chooser asks before a file is replaced.
    virtual std::optional<QString> choose_save_file(QWidget* parent, const QString& title, const QString& suggested,
                                                    const QList<FileFilter>& filters) = 0;
    // The same with check boxes the user may change before saving; their
    // states are left in `options` when a file was chosen. A desktop that
    // cannot show them saves with the states given.
    virtual std::optional<QString> choose_save_file_with_options(QWidget* parent, const QString& title,
                                                                 const QString& suggested,
                                                                 const QList<FileFilter>& filters,
                                                                 QList<SaveOption>& options) {
        (void)options;
        return choose_save_file(parent, title, suggested, filters);
    }
    virtual std::optional<FontChoice> choose_font(QWidget* parent, const FontChoice& initial) = 0;
    // Colour in the 0x00BBGGRR layout; nothing when cancelled.
    virtual std::optional<int> choose_colour(QWidget* parent, int initial_bgr) = 0;
    // Opens a file or an address with the desktop's default program, without
    // waiting; false when the desktop refused at once.
    virtual bool open_with_default_program(const QString& path_or_address) = 0;
    virtual bool set_clipboard_text(const QString& text) = 0;
    // Icon the desktop shows for a file of this name (its type), or a null icon.
    virtual QIcon file_type_icon(const QString& file_path) = 0;
    // A line of text the user types ("Имя проекта:"), offered as `suggested`;
    // nothing when cancelled.
    virtual std::optional<QString> ask_text(QWidget* parent, const QString& title, const QString& label,
                                            const QString& suggested) = 0;
    // Prints a document on the printer the user chooses in the desktop's
    // print dialog (which may be a PDF file); false when cancelled or refused.
    virtual bool print_document(QWidget* parent, const QString& title, const QTextDocument& document) = 0;
};

}  // namespace detalehran
