#include "widgets/UnsentTextMark.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>

namespace kdx {

namespace {

constexpr const char* kShown = "kdxShownText";
constexpr const char* kAttached = "kdxUnsentMark";

} // namespace

void UnsentTextMark::attach(QLineEdit* edit)
{
    if (!edit || edit->property(kAttached).toBool())
        return;
    edit->setProperty(kAttached, true);
    edit->setProperty(kShown, edit->text());
    edit->setProperty("kdxPlainBase", edit->palette().color(QPalette::Base));
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textChanged, edit, [edit] { refresh(edit); });
}

void UnsentTextMark::setShownText(QLineEdit* edit, const QString& text)
{
    // A box limited to fewer characters than the value needs would cut it
    // (general delay 1234 would read 123): the limit gives way to the value.
    if (text.size() > edit->maxLength())
        edit->setMaxLength(static_cast<int>(text.size()));
    edit->setProperty(kShown, text);
    edit->setText(text);
    refresh(edit);
}

void UnsentTextMark::markSent(QLineEdit* edit)
{
    edit->setProperty(kShown, edit->text());
    refresh(edit);
}

QString UnsentTextMark::shownText(const QLineEdit* edit) { return edit->property(kShown).toString(); }

bool UnsentTextMark::isUnsent(const QLineEdit* edit)
{
    return edit->property(kAttached).toBool() && edit->text() != shownText(edit);
}

void UnsentTextMark::refresh(QLineEdit* edit)
{
    const bool unsent = isUnsent(edit);
    if (edit->property("kdxTinted").toBool() == unsent)
        return;
    edit->setProperty("kdxTinted", unsent);
    QPalette pal = edit->palette();
    pal.setColor(QPalette::Base, unsent ? tint() : edit->property("kdxPlainBase").value<QColor>());
    edit->setPalette(pal);
}

bool UnsentTextMark::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        auto* edit = qobject_cast<QLineEdit*>(watched);
        if (edit && isUnsent(edit)) {
            edit->setText(shownText(edit));
            return true;
        }
    }
    return false;
}

} // namespace kdx
