#pragma once
// The about dialog (window 64): the program's name and version, its author,
// how to reach the author and three wallet identifiers, each copied to the
// clipboard by a click. A plain top-level widget owned by the main window and
// registered with its window layer; it holds widgets only.

#include <QAbstractButton>
#include <QColor>
#include <QString>
#include <map>

#include "mainwindow/numbered_dialog.h"

namespace detalehran {

struct App;
class MainWindow;

namespace dialogs {

// What the build configuration put into the dialog; an empty text is a
// detail the build did not set.
struct AboutTexts {
    QString author;
    QString contact;
    QString wallets[3];
};
AboutTexts about_texts();

// The lines as the dialog shows them: a detail that is not set says so in
// plain words instead of looking like a real one.
QString author_line(const AboutTexts& texts);
QString contact_line(const AboutTexts& texts);
QString wallet_text(const QString& wallet);
inline constexpr const char* kNotSet = "не указан";

// A one-line, always underlined text that acts like a button: the hand
// pointer over it, another colour while hovered, a click on release.
class LinkLabel : public QAbstractButton {
    Q_OBJECT

public:
    static inline const QColor kNormal{0, 63, 227};
    static inline const QColor kHover{0, 157, 236};

    explicit LinkLabel(const QString& text, QWidget* parent = nullptr);
    QColor text_colour() const { return hovered_ ? kHover : kNormal; }
    // A link with nothing behind it is drawn as plain text and does nothing.
    void set_inert();
    bool inert() const { return inert_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool hovered_ = false;
    bool inert_ = false;
};

class AboutDialog : public NumberedDialog {
    Q_OBJECT

public:
    static constexpr const char* kObjectName = "about_dialog";

    // Builds the window and its controls, hidden, as a child of the main window.
    AboutDialog(MainWindow& owner, const AboutTexts& texts);

private:
    // A text at its drawn place; fit_texts scales every place evenly.
    template <typename W>
    W* add_text(int number, int x, int y, int width, int height, const QString& text);
    // Grows the drawn layout evenly until every text fits its place under
    // the desktop's font, never shrinking it.
    void fit_texts();
    void place_controls();

    std::map<int, QRect> designed_;  // each control's place in the drawn layout
    double scale_x_ = 1.0;  // the drawn layout grown for the desktop's font
    double scale_y_ = 1.0;
};

// The open dialog, or null.
inline AboutDialog* about_dialog(const App& app) { return find_dialog<AboutDialog>(app); }

}  // namespace dialogs
}  // namespace detalehran
