#pragma once

#include <QProxyStyle>

namespace kdx {

// Menu look: an item whose caption already names its key in brackets
// ("AutoConnect [F10]") does not repeat the key in the shortcut column.
class MenuStyle : public QProxyStyle {
    Q_OBJECT
public:
    explicit MenuStyle(QObject* owner);

    // The caption and key column as drawn: "Caption\tKey" loses "\tKey"
    // when the caption holds "[Key]".
    static QString shownText(const QString& textAndKey);

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget = nullptr) const override;
};

} // namespace kdx
