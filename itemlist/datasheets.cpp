#include "itemlist/datasheets.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>

#include "mainwindow/main_window.h"
#include "platform/services.h"
#include "platform/working_folder.h"
#include "state/app.h"

namespace detalehran::itemlist {

namespace {

// Kinds of file the desktop runs instead of showing, by content or name.
bool runs_when_opened(const QFileInfo& file) {
    static constexpr const char* kRunnable[] = {
        "application/x-desktop",     "application/x-executable",
        "application/x-sharedlib",   "application/x-pie-executable",
        "application/x-shellscript", "application/x-ms-dos-executable",
        "application/x-msdownload",  "application/x-msi",
        "application/java-archive",  "application/x-appimage",
        "application/vnd.appimage",  "application/x-perl",
        "application/x-python",      "text/x-python",
        "application/x-ruby",        "application/x-csh",
    };
    const QMimeDatabase mimes;
    for (const QMimeType& type :
         {mimes.mimeTypeForFile(file), mimes.mimeTypeForFile(file, QMimeDatabase::MatchContent)}) {
        for (const char* runnable : kRunnable) {
            if (type.inherits(QString::fromLatin1(runnable))) return true;
        }
    }
    return false;
}

}  // namespace

QIcon document_icon(App& app, const QString& name) { return app.platform.file_type_icon(datasheet_folder() + name); }

QString document_refusal(const QString& folder, const QString& name) {
    const QString inside = QFileInfo(folder).canonicalFilePath();
    const QFileInfo file(folder + name);
    const QString path = file.canonicalFilePath();  // links and ".." resolved; empty when missing
    if (inside.isEmpty() || path.isEmpty()) return QStringLiteral("файла нет в папке Datasheet");
    if (!path.startsWith(inside + QLatin1Char('/'))) return QStringLiteral("файл лежит вне папки Datasheet");
    const QFileInfo target(path);
    if (!target.isFile()) return QStringLiteral("это не обычный файл");
    const auto run_bits = QFileDevice::ExeOwner | QFileDevice::ExeUser | QFileDevice::ExeGroup | QFileDevice::ExeOther;
    if ((target.permissions() & run_bits) != 0 || target.suffix().compare("desktop", Qt::CaseInsensitive) == 0 ||
        runs_when_opened(target)) {
        return QStringLiteral("это программа или ярлык запуска, а не документ");
    }
    return {};
}

void open_document(App& app, const QString& name) {
    if (name.isEmpty()) return;
    const QString folder = datasheet_folder();
    if (const QString refusal = document_refusal(folder, name); !refusal.isEmpty()) {
        app.platform.message_box(app.main_window, QStringLiteral("Внимание!"),
                                 QStringLiteral("Документ «%1» не открыт: %2.").arg(name, refusal), MessageButtons::ok,
                                 MessageIcon::warning);
        return;
    }
    app.platform.open_with_default_program(folder + name);
}

}  // namespace detalehran::itemlist
