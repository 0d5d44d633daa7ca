#include "app/MenuStyle.h"

#include <QStyleOptionMenuItem>

namespace kdx {

MenuStyle::MenuStyle(QObject* owner) : QProxyStyle()
{
    setParent(owner);
}

QString MenuStyle::shownText(const QString& textAndKey)
{
    const qsizetype tab = textAndKey.indexOf(QLatin1Char('\t'));
    if (tab < 0)
        return textAndKey;
    const QString caption = textAndKey.left(tab);
    const QString key = textAndKey.mid(tab + 1);
    if (!key.isEmpty() && caption.contains(QLatin1Char('[') + key + QLatin1Char(']'), Qt::CaseInsensitive))
        return caption;
    return textAndKey;
}

void MenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                            const QWidget* widget) const
{
    if (element == CE_MenuItem) {
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
            QStyleOptionMenuItem copy(*item);
            copy.text = shownText(item->text);
            QProxyStyle::drawControl(element, &copy, painter, widget);
            return;
        }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

QSize MenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                  const QWidget* widget) const
{
    if (type == CT_MenuItem) {
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
            QStyleOptionMenuItem copy(*item);
            copy.text = shownText(item->text);
            if (copy.text != item->text)
                copy.reservedShortcutWidth = 0;
            return QProxyStyle::sizeFromContents(type, &copy, size, widget);
        }
    }
    return QProxyStyle::sizeFromContents(type, option, size, widget);
}

} // namespace kdx
