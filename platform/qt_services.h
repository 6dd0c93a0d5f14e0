#pragma once
// The platform services as the Qt desktop gives them: standard dialogs,
// QDesktopServices, the clipboard and the file icon provider.

#include <QColor>
#include <QFont>
#include <QUrl>

#include "platform/services.h"

namespace detalehran {

class QtPlatformServices : public PlatformServices {
public:
    MessageAnswer message_box(QWidget* parent, const QString& title, const QString& text, MessageButtons buttons,
                              MessageIcon icon) override;
    std::optional<QString> choose_file(QWidget* parent, const QString& title,
                                       const QList<FileFilter>& filters) override;
    std::optional<QString> choose_save_file(QWidget* parent, const QString& title, const QString& suggested,
                                            const QList<FileFilter>& filters) override;
    std::optional<QString> choose_save_file_with_options(QWidget* parent, const QString& title,
                                                         const QString& suggested, const QList<FileFilter>& filters,
                                                         QList<SaveOption>& options) override;
    std::optional<FontChoice> choose_font(QWidget* parent, const FontChoice& initial) override;
    std::optional<int> choose_colour(QWidget* parent, int initial_bgr) override;
    bool open_with_default_program(const QString& path_or_address) override;
    bool set_clipboard_text(const QString& text) override;
    QIcon file_type_icon(const QString& file_path) override;
    std::optional<QString> ask_text(QWidget* parent, const QString& title, const QString& label,
                                    const QString& suggested) override;
    bool print_document(QWidget* parent, const QString& title, const QTextDocument& document) override;
};

// The conversions the services make, kept apart so that they can be checked
// without showing a dialog.

// "Caption (*.a *.b);;Caption (*.c)"; ";" between patterns becomes a space.
QString file_filter_text(const QList<FileFilter>& filters);
QColor colour_from_bgr(int bgr);
int bgr_from_colour(const QColor& colour);
QFont font_from_choice(const FontChoice& choice);
FontChoice choice_from_font(const QFont& font);
// A local path becomes a file URL; an address (with a scheme, or "www.") is
// taken as it is.
QUrl url_for(const QString& path_or_address);

}  // namespace detalehran
