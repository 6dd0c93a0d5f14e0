#include "trees/tree_messages.h"

#include "db/failure_text.h"
#include "mainwindow/main_window.h"
#include "platform/services.h"
#include "state/app.h"

namespace detalehran::trees {

namespace {

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

QString root_message() { return text("Невозможно изменить/удалить корневой раздел!"); }
QString duplicate_message() { return text("Такой раздел уже существует!"); }
QString no_section_message() { return text("Не выбран раздел!"); }

QString delete_question() {
    return text("Раздел содержит вложенные данные! Это действие удалит выбранный раздел вместе с данными! Продолжить?");
}

QString rename_unread_message(const QString& why) {
    return text("Не удалось прочитать позиции раздела из базы данных:\n%1\n\nРаздел сохранил прежнее имя.").arg(why);
}

QString rename_failed_message(const QString& why) {
    return text("Не удалось записать новое имя раздела в пути позиций:\n%1\n\nРаздел сохранил прежнее имя.").arg(why);
}

QString delete_unread_message(const QString& why) {
    return text("Не удалось прочитать позиции раздела из базы данных:\n%1\n\nРаздел не удалён.").arg(why);
}

QString delete_failed_message(const QString& why) {
    return text("Не удалось удалить позиции раздела:\n%1\n\nРаздел не удалён.").arg(why);
}

QString cut_failed_message(const QString& why, int items) {
    return text("Не удалось вырезать позиции (%1):\n%2\n\nОни остались на прежнем месте.").arg(items).arg(why);
}

QString paste_failed_message(const QString& why) {
    return text(
               "Не удалось вставить вырезанные позиции:\n%1\n\nОни сохранены и будут вставлены следующей командой "
               "\"Вставить\".")
        .arg(why);
}

QString paste_not_emptied_message(const QString& why) {
    return text("Позиции вставлены, но буфер вырезанных позиций не очищен:\n%1").arg(why);
}

QString trees_unread_message(const QString& why) {
    return text(
               "Разделы и места хранения не прочитаны с сервера:\n%1\n\nОбновите список (F5), чтобы прочитать их "
               "снова.")
        .arg(why);
}

QString trees_changed_message() {
    return text(
        "Разделы или места хранения тем временем изменил другой пользователь: они прочитаны с сервера заново и "
        "показаны такими, как сейчас. Ничего не изменено; проверьте и повторите действие.");
}

QString nodes_not_added_message(const QString& why) {
    return text(
               "Детали сохранены, но новые разделы не добавлены на сервер:\n%1\n\nОни появятся при следующем "
               "запуске программы.")
        .arg(why);
}

QString create_failed_message(const QString& why) { return text("Раздел не создан:\n%1").arg(why); }

QString move_into_itself_message() { return text("Раздел нельзя переместить в него самого или в его подраздел!"); }

QString move_failed_message(const QString& why) {
    return text("Раздел не перемещён:\n%1\n\nРаздел и пути его позиций остались прежними.").arg(why);
}

QString no_moving_node_message() {
    return text("Вырезанного раздела больше нет: его удалили или переименовали. Вырежьте раздел снова.");
}

QString stranded_returned_message(const QStringList& names) {
    return text(
               "Детали, которые вы вырезали и не вставили, пока программа не была закрыта, возвращены на свои места: "
               "%1.")
        .arg(names.join(QStringLiteral(", ")));
}

QString stranded_not_returned_message(const QString& why) {
    return text(
               "Вырезанные и не вставленные детали не возвращены на свои места:\n%1\n\nОни ждут команды "
               "«Вставить».")
        .arg(why);
}

void warn(App& app, const QString& message, QWidget* parent) {
    app.platform.message_box(parent != nullptr ? parent : app.main_window, text("Внимание!"), message,
                             MessageButtons::ok, MessageIcon::warning);
}

bool ask_delete(App& app) {
    return app.platform.message_box(app.main_window, text("Внимание!"), delete_question(), MessageButtons::yes_no,
                                    MessageIcon::question) == MessageAnswer::yes;
}

bool update_done(App& app, const db::Statement& statement) {
    if (!app.database.is_open()) return false;
    return app.database.db_update(statement) || app.database.last_diagnostic().sqlstate == db::kNoRowMatched;
}

QString diagnostic_text(const App& app) {
    const db::Diagnostic& why = app.database.last_diagnostic();
    if (!app.database.is_open() || why.text.empty()) return text("нет соединения с базой данных");
    return QString::fromStdString(db::failure_text(why));
}

}  // namespace detalehran::trees
