#pragma once
// A scripted stand-in for the desktop: answers come from queues the test
// fills, every call is recorded, and no window is ever shown.

#include <deque>
#include <functional>
#include <map>
#include <vector>

#include "platform/services.h"

class QApplication;

namespace detalehran::testing {

enum class ServiceKind {
    message_box,
    choose_file,
    choose_save_file,
    choose_font,
    choose_colour,
    open,
    clipboard,
    file_icon,
    ask_text,
    print
};

struct ServiceCall {
    ServiceKind kind = ServiceKind::message_box;
    QWidget* parent = nullptr;
    QString title;
    // message text, the path or address opened, the clipboard text, the file
    // asked about, the name a save chooser suggested, the text a prompt
    // offered, the printed document's plain text
    QString text;
    QString label;  // what a text prompt asks for
    MessageButtons buttons = MessageButtons::ok;
    MessageIcon icon = MessageIcon::none;
    QList<FileFilter> filters;
    FontChoice font;            // initial font of a font chooser
    int colour = 0;             // initial colour of a colour chooser
    QList<SaveOption> options;  // the check boxes a save chooser offered, as offered
};

class ScriptedServices : public PlatformServices {
public:
    // Answers, used first in first out. With a queue empty, a message box is
    // answered "OK" (a yes/no box "no") and every chooser is cancelled.
    std::deque<MessageAnswer> message_answers;
    std::deque<std::optional<QString>> file_answers;
    std::deque<std::optional<QString>> save_answers;
    // States the user gives a save chooser's check boxes, one list per
    // chooser with them; with none left the offered states stay.
    std::deque<std::vector<bool>> save_option_answers;
    std::deque<std::optional<FontChoice>> font_answers;
    std::deque<std::optional<int>> colour_answers;
    std::deque<std::optional<QString>> text_answers;
    bool print_result = true;
    bool open_result = true;
    bool clipboard_result = true;
    // Icons by lower-case file suffix; a null icon for others.
    std::map<QString, QIcon> icons_by_suffix;

    std::vector<ServiceCall> calls;
    // Called with each message box before it is answered: what the world
    // does while the user reads it.
    std::function<void(const ServiceCall&)> while_shown;

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

    int count(ServiceKind kind) const;
    // The last call of that kind, or null.
    const ServiceCall* last(ServiceKind kind) const;
    // What the program last put on the clipboard (through these services).
    QString clipboard_text() const { return clipboard_; }

private:
    ServiceCall& record(ServiceKind kind, QWidget* parent);

    QString clipboard_;
};

// The process's QApplication, created on first use (tests have no main of
// their own; gtest_main is shared by every test file).
QApplication& test_application();

}  // namespace detalehran::testing
