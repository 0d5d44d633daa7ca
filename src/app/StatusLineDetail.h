#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <string>

class QAction;
class QDialog;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;

namespace kdx {

// The status line's message in full, to read and to pass on: a click on the
// message opens a small window holding its whole text, selectable, with a
// button that copies it; the right mouse button offers "copy" at once. The
// window is not modal, so the polling goes on while it is open.
class StatusLineDetail : public QObject {
    Q_OBJECT
public:
    // The window's words, by language key; english is the built-in text.
    using Words = std::function<std::string(int key, const char* english)>;

    StatusLineDetail(QStatusBar& bar, Words words);

    // Opens the window on the message shown now; nothing when there is none.
    void showDetail();
    // Puts the message shown now on the clipboard.
    void copyMessage();

    QDialog* dialog() const { return m_dialog; }
    QMenu* menu() const { return m_menu; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void retranslate();
    QString word(int key, const char* english) const;

    QStatusBar& m_bar;
    Words m_words;
    QMenu* m_menu = nullptr;
    QAction* m_copyAction = nullptr;
    QAction* m_showAction = nullptr;
    QDialog* m_dialog = nullptr; // StatusDetail
    QPlainTextEdit* m_text = nullptr;
    QPushButton* m_copy = nullptr;
    QPushButton* m_close = nullptr;
};

} // namespace kdx
