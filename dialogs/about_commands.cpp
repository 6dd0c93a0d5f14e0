// Commands of the about dialog: opening it, copying a wallet identifier and
// its two ways of closing.

#include <QTreeView>

#include "state/app.h"
#include "dialogs/about_commands.h"
#include "mainwindow/main_window.h"
#include "dialogs/about_dialog.h"
#include "platform/services.h"

namespace detalehran::dialogs {

void open_about_dialog(App& app, const Event&) { open_about_dialog(app, about_texts()); }

void open_about_dialog(App& app, const AboutTexts& texts) {
    auto* dialog = open_modal<AboutDialog>(app, [&texts](MainWindow& main) { return new AboutDialog(main, texts); });
    if (dialog != nullptr) dialog->show_centred();
}

void copy_wallet_identifier(App& app, const Event& event) {
    AboutDialog* dialog = about_dialog(app);
    if (dialog == nullptr) return;
    auto* link = qobject_cast<LinkLabel*>(dialog->control(event.control));
    // A wallet the build did not set is no identifier to pay to.
    if (link == nullptr || link->inert()) return;
    // A clipboard that cannot be opened copies nothing; the message comes all the same.
    app.platform.set_clipboard_text(link->text());
    app.platform.message_box(dialog, QString(), QStringLiteral("Номер кошелька скопирован в буфер обмена"),
                             MessageButtons::ok, MessageIcon::information);
}

void about_ok(App& app, const Event&) {
    if (AboutDialog* dialog = about_dialog(app)) leave_dialog(app, *dialog);
}

void close_about_dialog(App& app, const Event&) { close_by_close_box(app, about_dialog(app)); }

}  // namespace detalehran::dialogs
