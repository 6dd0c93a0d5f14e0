#include "editor/documents.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "state/app.h"
#include "platform/working_folder.h"
#include "mainwindow/main_window.h"
#include "db/statements.h"
#include "editor/item_editor_window.h"
#include "itemlist/item_list_model.h"
#include "platform/services.h"

namespace detalehran::editor {

QString file_extension(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const qsizetype point = name.lastIndexOf(u'.');
    return point < 0 ? QString() : name.mid(point + 1);
}

QString document_chooser_title() { return QStringLiteral("Выберите файл"); }

QList<FileFilter> document_filters() {
    return {{"All files", "*"},
            {"Document PDF", "*.pdf"},
            {"Document DjView", "*.djvu"},
            {"Picture", "*.jpg"}};
}

namespace {

// A name is taken when a file of that name exists; a folder does not count.
bool taken(const QString& name) { return QFileInfo(datasheet_folder() + name).isFile(); }

void warn(App& app, QWidget* parent, const QString& text) {
    app.platform.message_box(parent, QStringLiteral("Внимание!"), text, MessageButtons::ok, MessageIcon::none);
}

// ID the next new item is expected to get.
QString next_id(App& app) {
    long long last = 0;
    if (app.database.db_query(db::kSelectIdsDescending)) {
        if (app.database.db_first_row()) last = app.database.db_int(0);
        app.database.db_finish();
    }
    return QString::number(last + 1);
}

// Copies into the datasheet folder, replacing a file of that name; the
// folder is made when it is missing.
bool copy_in(App& app, ItemEditorWindow& editor, const QString& source, const QString& target) {
    const QString folder = datasheet_folder();
    const QString path = folder + target;
    bool done = QDir().mkpath(folder) && QFileInfo(source).isFile();
    if (done && source != path) {
        if (QFileInfo::exists(path)) QFile::remove(path);
        done = QFile::copy(source, path);
    }
    if (!done) {
        warn(app, &editor,
             QStringLiteral("Не удалось скопировать файл «%1» в папку Datasheet под именем «%2».")
                 .arg(QDir::toNativeSeparators(source), target));
    }
    return done;
}

// The item's name as the start of a file name in the datasheet folder. Part
// names such as "IRF540/IRF540N" are common: a separator must not make the
// copy land in another folder (or fail), so each becomes "_".
QString file_name_of(const QString& item_name) {
    QString out = item_name;
    out.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
    out.replace(QChar(0), QLatin1Char('_'));
    return out;
}

// The chosen file under the item's name: plain form, or numbered with `id`
// when the plain name is taken.
bool attach_chosen(App& app, ItemEditorWindow& editor, const QString& id) {
    const QString name = file_name_of(editor.value(db::kName));
    const QString extension = file_extension(editor.chosen_file);
    QString target = name + "." + extension;
    if (taken(target)) target = name + "_" + id + "." + extension;
    if (!copy_in(app, editor, editor.chosen_file, target)) return false;
    editor.set_value(db::kDatasheet, target);
    return true;
}

}  // namespace

bool document_step(App& app, ItemEditorWindow& editor, int row, DocumentRename& renamed) {
    renamed = {};
    const QString document = editor.value(db::kDatasheet);
    const ItemListModel& list = app.main_window->list_model();
    switch (app.editor_mode) {
        case EditorMode::add:
            return document.isEmpty() || attach_chosen(app, editor, next_id(app));
        case EditorMode::duplicate: {
            const QString id = next_id(app);
            if (document.isEmpty()) return true;
            if (document != list.cell(row, db::kDatasheet)) return attach_chosen(app, editor, id);
            // The copy gets a file of its own.
            const QString target = file_name_of(editor.value(db::kName)) + "_" + id + "." + file_extension(document);
            if (!copy_in(app, editor, datasheet_folder() + document, target)) return false;
            editor.set_value(db::kDatasheet, target);
            return true;
        }
        case EditorMode::edit:
            break;
    }
    const QString id = list.cell(row, db::kId);
    if (document != list.cell(row, db::kDatasheet)) {
        return document.isEmpty() || attach_chosen(app, editor, id);
    }
    const QString old_name = file_name_of(list.cell(row, db::kName));
    const QString new_name = file_name_of(editor.value(db::kName));
    if (document.isEmpty() || new_name == old_name || !document.startsWith(old_name)) return true;
    // Only the item's name at the start of the document's name is replaced.
    const QString rest = document.mid(old_name.size());
    QString target = new_name + rest;
    if (taken(target)) target = new_name + "_" + id + rest;
    if (!QFile::rename(datasheet_folder() + document, datasheet_folder() + target)) {
        warn(app, &editor,
             QStringLiteral("Не удалось переименовать документ «%1» в «%2»; у детали остаётся прежний документ.")
                 .arg(document, target));
        return true;
    }
    renamed = {document, target};
    editor.set_value(db::kDatasheet, target);
    return true;
}

void undo_rename(const DocumentRename& renamed) {
    if (renamed.from.isEmpty()) return;
    QFile::rename(datasheet_folder() + renamed.to, datasheet_folder() + renamed.from);
}

}  // namespace detalehran::editor
