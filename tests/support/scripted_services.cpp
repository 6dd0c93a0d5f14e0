#include "scripted_services.h"

#include <QApplication>
#include <QFileInfo>
#include <QTextDocument>
#include <cstdlib>

namespace detalehran::testing {

namespace {

template <typename T>
std::optional<T> take(std::deque<std::optional<T>>& queue) {
    std::optional<T> answer;
    if (!queue.empty()) {
        answer.swap(queue.front());
        queue.pop_front();
    }
    return answer;
}

}  // namespace

ServiceCall& ScriptedServices::record(ServiceKind kind, QWidget* parent) {
    ServiceCall& call = calls.emplace_back();
    call.kind = kind;
    call.parent = parent;
    return call;
}

MessageAnswer ScriptedServices::message_box(QWidget* parent, const QString& title, const QString& text,
                                            MessageButtons buttons, MessageIcon icon) {
    ServiceCall& call = record(ServiceKind::message_box, parent);
    call.title = title;
    call.text = text;
    call.buttons = buttons;
    call.icon = icon;
    if (while_shown) while_shown(call);
    if (message_answers.empty()) return buttons == MessageButtons::yes_no ? MessageAnswer::no : MessageAnswer::ok;
    const MessageAnswer answer = message_answers.front();
    message_answers.pop_front();
    return answer;
}

std::optional<QString> ScriptedServices::choose_file(QWidget* parent, const QString& title,
                                                     const QList<FileFilter>& filters) {
    ServiceCall& call = record(ServiceKind::choose_file, parent);
    call.title = title;
    call.filters = filters;
    return take(file_answers);
}

std::optional<QString> ScriptedServices::choose_save_file(QWidget* parent, const QString& title,
                                                          const QString& suggested, const QList<FileFilter>& filters) {
    ServiceCall& call = record(ServiceKind::choose_save_file, parent);
    call.title = title;
    call.text = suggested;
    call.filters = filters;
    return take(save_answers);
}

std::optional<QString> ScriptedServices::choose_save_file_with_options(QWidget* parent, const QString& title,
                                                                       const QString& suggested,
                                                                       const QList<FileFilter>& filters,
                                                                       QList<SaveOption>& options) {
    ServiceCall& call = record(ServiceKind::choose_save_file, parent);
    call.title = title;
    call.text = suggested;
    call.filters = filters;
    call.options = options;
    std::optional<QString> answer = take(save_answers);
    if (!save_option_answers.empty()) {
        const std::vector<bool> states = save_option_answers.front();
        save_option_answers.pop_front();
        for (qsizetype k = 0; answer && k < options.size() && k < static_cast<qsizetype>(states.size()); ++k) {
            options[k].checked = states[static_cast<std::size_t>(k)];
        }
    }
    return answer;
}

std::optional<FontChoice> ScriptedServices::choose_font(QWidget* parent, const FontChoice& initial) {
    record(ServiceKind::choose_font, parent).font = initial;
    return take(font_answers);
}

std::optional<int> ScriptedServices::choose_colour(QWidget* parent, int initial_bgr) {
    record(ServiceKind::choose_colour, parent).colour = initial_bgr;
    return take(colour_answers);
}

bool ScriptedServices::open_with_default_program(const QString& path_or_address) {
    record(ServiceKind::open, nullptr).text = path_or_address;
    return open_result;
}

bool ScriptedServices::set_clipboard_text(const QString& text) {
    record(ServiceKind::clipboard, nullptr).text = text;
    if (clipboard_result) clipboard_ = text;
    return clipboard_result;
}

QIcon ScriptedServices::file_type_icon(const QString& file_path) {
    record(ServiceKind::file_icon, nullptr).text = file_path;
    const auto found = icons_by_suffix.find(QFileInfo(file_path).suffix().toLower());
    return found == icons_by_suffix.end() ? QIcon() : found->second;
}

std::optional<QString> ScriptedServices::ask_text(QWidget* parent, const QString& title, const QString& label,
                                                  const QString& suggested) {
    ServiceCall& call = record(ServiceKind::ask_text, parent);
    call.title = title;
    call.label = label;
    call.text = suggested;
    return take(text_answers);
}

bool ScriptedServices::print_document(QWidget* parent, const QString& title, const QTextDocument& document) {
    ServiceCall& call = record(ServiceKind::print, parent);
    call.title = title;
    call.text = document.toPlainText();
    return print_result;
}

int ScriptedServices::count(ServiceKind kind) const {
    int n = 0;
    for (const ServiceCall& call : calls) n += call.kind == kind ? 1 : 0;
    return n;
}

const ServiceCall* ScriptedServices::last(ServiceKind kind) const {
    for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
        if (it->kind == kind) return &*it;
    }
    return nullptr;
}

QApplication& test_application() {
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) return *existing;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "detalehran_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's own globals (input devices) go away at exit
    // before a static application would, and its destructor would use them.
    static auto* application = new QApplication(argc, argv);
    return *application;
}

}  // namespace detalehran::testing
