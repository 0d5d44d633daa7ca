#include "app/KdxLogo.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace kdx {

QPixmap makeKdxLogo(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.scale(size / 128.0, size / 128.0);

    // Disc.
    QRadialGradient disc(QPointF(50, 44), 80);
    disc.setColorAt(0.0, QColor(90, 160, 230));
    disc.setColorAt(1.0, QColor(10, 60, 140));
    p.setPen(QPen(QColor(8, 40, 100), 2.0));
    p.setBrush(disc);
    p.drawEllipse(QRectF(4, 4, 120, 120));

    // Water drop.
    QPainterPath drop;
    drop.moveTo(64, 14);
    drop.cubicTo(78, 34, 88, 46, 88, 60);
    drop.cubicTo(88, 74, 77, 84, 64, 84);
    drop.cubicTo(51, 84, 40, 74, 40, 60);
    drop.cubicTo(40, 46, 50, 34, 64, 14);
    QLinearGradient water(QPointF(40, 20), QPointF(88, 84));
    water.setColorAt(0.0, QColor(235, 248, 255));
    water.setColorAt(1.0, QColor(140, 210, 250));
    p.setPen(QPen(QColor(255, 255, 255), 1.5));
    p.setBrush(water);
    p.drawPath(drop);

    // Lettering.
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(26);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 86, 128, 30), Qt::AlignCenter, QStringLiteral("KDX"));
    return pm;
}

} // namespace kdx
