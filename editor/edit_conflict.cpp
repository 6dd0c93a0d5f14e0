#include "editor/edit_conflict.h"

#include "editor/item_editor_window.h"
#include "platform/services.h"
#include "state/app.h"
#include "state/column_table.h"

namespace detalehran::editor {

namespace {

QString caption(int column) { return QString::fromUtf8(kColumnCaptions[column]); }

// A value as a message shows it: an empty field said so, not left blank.
QString shown(const QString& value) { return value.isEmpty() ? QStringLiteral("(пусто)") : value; }

}  // namespace

FieldMerge merge_fields(const QStringList& read, const QStringList& mine, const QStringList& stored) {
    FieldMerge out;
    for (int column = 0; column < stored.size(); ++column) {
        const QString& base = read.value(column);
        const QString& own = mine.value(column);
        const QString& now = stored[column];
        if (own == base || own == now) {
            out.merged << now;
            if (own == base && now != base) out.taken.push_back(column);
        } else if (now == base) {
            out.merged << own;
        } else {
            out.merged << own;
            out.both.push_back(column);
        }
    }
    return out;
}

void join_changes(App& app, ItemEditorWindow& editor, const QStringList& read, const QStringList& stored) {
    QStringList mine;
    for (int column = 0; column < stored.size(); ++column) mine << editor.value(column);
    FieldMerge merge = merge_fields(read, mine, stored);
    const QString name = stored.value(0);
    QString kept;
    for (int column : merge.both) {
        const MessageAnswer answer = app.platform.message_box(
            &editor, QStringLiteral("Внимание!"),
            QStringLiteral("Деталь «%1»: поле «%2» тем временем изменил другой пользователь.\n\n"
                           "Сохранено сейчас: %3\nВаше значение: %4\n\n"
                           "Оставить ваше значение? «Нет» возьмёт сохранённое.")
                .arg(name, caption(column), shown(stored[column]), shown(mine[column])),
            MessageButtons::yes_no, MessageIcon::question);
        if (answer != MessageAnswer::yes) {
            merge.merged[column] = stored[column];
            merge.taken.push_back(column);
        } else {
            kept += QStringLiteral("\n%1: %2").arg(caption(column), shown(mine[column]));
        }
    }
    for (int column = 0; column < merge.merged.size(); ++column) editor.set_value(column, merge.merged[column]);
    QString taken;
    for (int column : merge.taken) taken += QStringLiteral("\n%1: %2").arg(caption(column), shown(stored[column]));
    QString text =
        QStringLiteral("Деталь «%1» тем временем изменена другим пользователем; ничего не записано.").arg(name);
    if (!taken.isEmpty()) text += QStringLiteral("\n\nВзято из сохранённой детали:%1").arg(taken);
    if (!kept.isEmpty()) text += QStringLiteral("\n\nОставлены ваши значения:%1").arg(kept);
    text += QStringLiteral("\n\nОкно показывает деталь с изменениями обоих: «ОК» запишет то, что в нём.");
    app.platform.message_box(&editor, QStringLiteral("Внимание!"), text, MessageButtons::ok, MessageIcon::none);
}

}  // namespace detalehran::editor
