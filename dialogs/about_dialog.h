#pragma once
// The about dialog (window 64): the program's name and version, its author,
// how to reach the author and three wallet identifiers, each copied to the
// clipboard by a click. A plain top-level widget owned by the main window and
// registered with its window layer; it holds widgets only.

#include <QAbstractButton>
#include <QColor>
#include <QString>
#include <QWidget>
#include <map>

namespace detalehran {

struct App;
class MainWindow;

namespace dialogs {

// What the build configuration put into the dialog.
struct AboutTexts {
    QString author;
    QString contact;
    QString wallets[3];
};
AboutTexts about_texts();

// A one-line, always underlined text that acts like a button: the hand
// pointer over it, another colour while hovered, a click on release.
class LinkLabel : public QAbstractButton {
    Q_OBJECT

public:
    static inline const QColor kNormal{0, 63, 227};
    static inline const QColor kHover{0, 157, 236};

    explicit LinkLabel(const QString& text, QWidget* parent = nullptr);
    QColor text_colour() const { return hovered_ ? kHover : kNormal; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool hovered_ = false;
};

class AboutDialog : public QWidget {
    Q_OBJECT

public:
    // Builds the window and its controls, hidden, as a child of the main window.
    explicit AboutDialog(MainWindow& owner);

    // A numbered control of this window, or null.
    QWidget* control(int number) const;
    void show_centred();
    // Closes the window for real, through the window layer, and lets it go.
    void close_window();

private:
    template <typename W>
    W* add(int number, int x, int y, int width, int height, const QString& text);

    MainWindow& owner_;
    std::map<int, QWidget*> controls_;
    double scale_x_ = 1.0;  // the drawn layout grown for the desktop's font
    double scale_y_ = 1.0;
};

// The open dialog, or null.
AboutDialog* about_dialog(const App& app);

}  // namespace dialogs
}  // namespace detalehran
