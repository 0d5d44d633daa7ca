#pragma once

#include <QColor>
#include <QObject>
#include <QString>

class QLineEdit;

namespace kdx {

// Shows plainly that an edit box holds text the controller was not sent:
// while its text differs from the text last shown or sent, the box is
// tinted; Escape puts the shown text back. Leaving the box keeps the tint.
class UnsentTextMark : public QObject {
    Q_OBJECT
public:
    explicit UnsentTextMark(QObject* parent = nullptr) : QObject(parent) {}

    // Takes the box's current text as the shown one.
    void attach(QLineEdit* edit);
    // Text written by the program: shown whole (a shorter length limit is
    // raised to it), nothing pending.
    static void setShownText(QLineEdit* edit, const QString& text);
    // The box's text went to the controller.
    static void markSent(QLineEdit* edit);
    static bool isUnsent(const QLineEdit* edit);
    static QString shownText(const QLineEdit* edit);

    // The tint of text not yet sent (edit boxes and grid cells).
    static QColor tint() { return QColor(255, 214, 140); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static void refresh(QLineEdit* edit);
};

} // namespace kdx
