#include "widgets/Meter270.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace kdx {

namespace {

constexpr double kStartDeg = 225.0; // minimum at the lower left
const QPointF kCentre(99.0, 92.0);
constexpr double kFaceRadius = 86.0;
// Numbers ring outside the scale arc; the needle ends inside the arc.
constexpr double kNumberRadius = 72.0;
constexpr double kRadius = 58.0;       // scale arc, ticks point inwards
constexpr double kNeedleRadius = 54.0; // needle tip
constexpr double kTipLength = 12.0;    // lime pointer tip at the needle's end

QPointF polar(double radius, double angleDeg)
{
    const double a = qDegreesToRadians(angleDeg);
    return kCentre + QPointF(radius * std::cos(a), -radius * std::sin(a));
}

} // namespace

Meter270::Meter270(QWidget* parent) : QWidget(parent)
{
    resize(kDesignWidth, kDesignHeight);
}

QPointF Meter270::centre() { return kCentre; }
double Meter270::faceRadius() { return kFaceRadius; }

QFont Meter270::numberFont() const
{
    QFont f = font();
    f.setPixelSize(10);
    f.setBold(true);
    return f;
}

QFont Meter270::nameFont() const
{
    QFont f = font();
    f.setPixelSize(11);
    f.setBold(true);
    return f;
}

QFont Meter270::unitFont() const
{
    QFont f = font();
    f.setPixelSize(9);
    return f;
}

QFont Meter270::valueFont() const
{
    QFont f = font();
    f.setPixelSize(14);
    f.setBold(true);
    return f;
}

QRectF Meter270::textBox(const QFont& font, const QString& text, const QPointF& c)
{
    const QFontMetricsF fm(font);
    const double w = fm.horizontalAdvance(text) + 2.0;
    const double h = fm.ascent() + fm.descent();
    return QRectF(c.x() - w / 2.0, c.y() - h / 2.0, w, h);
}

QRectF Meter270::scaleLabelRect(int k) const
{
    const double a = kStartDeg - kSweepDeg * k / m_majorSteps;
    return textBox(numberFont(), scaleLabel(k), polar(kNumberRadius, a));
}

// The quarter below the hub: |x| < y there, whatever the needle does.
QRectF Meter270::valueRect() const { return QRectF(kCentre.x() - 25.0, kCentre.y() + 28.0, 50.0, 19.0); }

QRectF Meter270::signalNameRect() const
{
    return textBox(nameFont(), m_signalName, QPointF(kCentre.x(), valueRect().bottom() + 8.0));
}

QRectF Meter270::unitRect() const
{
    return textBox(unitFont(), m_unit, QPointF(kCentre.x(), signalNameRect().bottom() + 8.0));
}

QPainterPath Meter270::needlePath(double v) const
{
    const double av = angleForValue(v);
    QPainterPath needle;
    needle.moveTo(polar(kNeedleRadius, av));
    needle.lineTo(polar(4.0, av + 90.0));
    needle.lineTo(polar(10.0, av + 180.0));
    needle.lineTo(polar(4.0, av - 90.0));
    needle.closeSubpath();
    return needle;
}

void Meter270::setValue(double value)
{
    if (value == m_value)
        return;
    m_value = value;
    if (!m_painted) {
        update();
        return;
    }
    const QPointF moved = tipInDevicePixels(value) - tipInDevicePixels(m_paintedValue);
    if (std::hypot(moved.x(), moved.y()) >= 1.0 || numberText(value) != numberText(m_paintedValue))
        update();
}

QPointF Meter270::tipInDevicePixels(double v) const
{
    const double s = std::min(width() / double(kDesignWidth), height() / double(kDesignHeight));
    return polar(kNeedleRadius, angleForValue(v)) * (s * devicePixelRatioF());
}

void Meter270::dropFace()
{
    m_face = QPixmap();
    update();
}

void Meter270::resizeEvent(QResizeEvent*) { dropFace(); }

void Meter270::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::LocaleChange:
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
        dropFace();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void Meter270::setRange(double minimum, double maximum)
{
    if (maximum <= minimum)
        return;
    m_min = minimum;
    m_max = maximum;
    dropFace();
}

void Meter270::setScaleSteps(int majorSteps, int subSteps)
{
    m_majorSteps = std::max(1, majorSteps);
    m_subSteps = std::max(1, subSteps);
    dropFace();
}

void Meter270::setSignalName(const QString& name)
{
    m_signalName = name;
    dropFace();
}

void Meter270::setUnit(const QString& unit)
{
    m_unit = unit;
    dropFace();
}

QString Meter270::numberText(double v)
{
    // One decimal with the locale's separator, as every other number on the
    // dashboard; never grouped.
    QString text = QString::number(v, 'f', 1);
    const QString point = QLocale().decimalPoint();
    if (point != QLatin1String("."))
        text.replace(QLatin1Char('.'), point);
    return text;
}

QString Meter270::scaleLabel(int k) const
{
    // The lowest mark stands for the range start, which is just above zero.
    const double v = m_min + (m_max - m_min) * k / m_majorSteps;
    return numberText(v);
}

QString Meter270::valueText() const
{
    return numberText(m_value);
}

double Meter270::angleForValue(double v) const
{
    const double t = std::clamp((v - m_min) / (m_max - m_min), 0.0, 1.0);
    return kStartDeg - kSweepDeg * t;
}

QSize Meter270::sizeHint() const { return QSize(kDesignWidth, kDesignHeight); }

void Meter270::paintEvent(QPaintEvent*)
{
    const double dpr = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * dpr).toSize();
    // The scale numbers follow the default locale, which may change under us.
    const QString point = QLocale().decimalPoint();
    if (m_face.isNull() || m_face.size() != pixels || m_face.devicePixelRatio() != dpr || point != m_facePoint) {
        m_facePoint = point;
        m_face = QPixmap(pixels);
        m_face.setDevicePixelRatio(dpr);
        m_face.fill(Qt::transparent);
        QPainter fp(&m_face);
        paintFace(fp);
    }
    QPainter p(this);
    p.drawPixmap(0, 0, m_face);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const double s = std::min(width() / double(kDesignWidth), height() / double(kDesignHeight));
    p.translate((width() - kDesignWidth * s) / 2.0, (height() - kDesignHeight * s) / 2.0);
    p.scale(s, s);

    // Below the hub: the value in figures.
    p.setFont(valueFont());
    const QRectF valueBox = valueRect();
    p.setPen(QPen(QColor(90, 90, 90), 1.0));
    p.setBrush(QColor(250, 250, 240));
    p.drawRoundedRect(valueBox, 3, 3);
    p.setPen(Qt::black);
    p.drawText(valueBox, Qt::AlignCenter, valueText());

    // Navy needle with a lime pointer tip, then the hub.
    const double av = angleForValue(m_value);
    p.setPen(QPen(QColor(0, 0, 60), 0.8));
    p.setBrush(QColor(0, 0, 128));
    p.drawPath(needlePath(m_value));
    QPainterPath tip;
    tip.moveTo(polar(kNeedleRadius, av));
    tip.lineTo(polar(kNeedleRadius - kTipLength, av + 3.2));
    tip.lineTo(polar(kNeedleRadius - kTipLength, av - 3.2));
    tip.closeSubpath();
    p.setPen(QPen(QColor(0, 100, 0), 0.6));
    p.setBrush(QColor(0, 255, 0));
    p.drawPath(tip);
    p.setPen(QPen(QColor(0, 0, 60), 0.8));
    p.setBrush(QColor(40, 40, 40));
    p.drawEllipse(kCentre, 5.0, 5.0);
    m_painted = true;
    m_paintedValue = m_value;
}

void Meter270::paintFace(QPainter& p) const
{
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    // Uniform scale into the design space, centred in the widget.
    const double s = std::min(width() / double(kDesignWidth), height() / double(kDesignHeight));
    p.translate((width() - kDesignWidth * s) / 2.0, (height() - kDesignHeight * s) / 2.0);
    p.scale(s, s);
    // Dial face.
    QRadialGradient face(kCentre, kFaceRadius);
    face.setColorAt(0.0, QColor(255, 255, 255));
    face.setColorAt(1.0, QColor(228, 228, 228));
    p.setPen(QPen(QColor(120, 120, 120), 1.5));
    p.setBrush(face);
    p.drawEllipse(kCentre, kFaceRadius, kFaceRadius);

    // Coloured sectors along the inside of the scale: normal, high, over.
    const double span = m_max - m_min;
    struct Sector { double from, to; QColor color; };
    const Sector sectors[] = {
        {0.0, 4.0 / 7.0, QColor(60, 179, 113)},
        {4.0 / 7.0, 5.5 / 7.0, QColor(255, 200, 0)},
        {5.5 / 7.0, 1.0, QColor(220, 30, 30)},
    };
    const double bandR = kRadius - 3.0;
    const QRectF bandRect(kCentre.x() - bandR, kCentre.y() - bandR, 2 * bandR, 2 * bandR);
    for (const auto& sec : sectors) {
        const double a0 = angleForValue(m_min + span * sec.from);
        const double a1 = angleForValue(m_min + span * sec.to);
        p.setPen(QPen(sec.color, 5.0, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(bandRect, qRound(a0 * 16), qRound((a1 - a0) * 16));
    }

    // Scale: black arc, major and minor ticks, bold numbers outside it.
    p.setPen(QPen(Qt::black, 1.2));
    const QRectF arcRect(kCentre.x() - kRadius, kCentre.y() - kRadius, 2 * kRadius, 2 * kRadius);
    p.drawArc(arcRect, qRound(kStartDeg * 16), qRound(-kSweepDeg * 16));
    const int ticks = m_majorSteps * m_subSteps;
    for (int i = 0; i <= ticks; ++i) {
        const double a = kStartDeg - kSweepDeg * i / ticks;
        const bool major = i % m_subSteps == 0;
        const bool half = !major && (m_subSteps % 2 == 0) && i % (m_subSteps / 2) == 0;
        const double len = major ? 8.0 : (half ? 6.0 : 3.5);
        p.setPen(QPen(Qt::black, major ? 1.6 : 0.8, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(polar(kRadius, a), polar(kRadius - len, a));
        if (major)
            p.drawLine(polar(kRadius, a), polar(kRadius + 3.0, a));
    }
    p.setFont(numberFont());
    p.setPen(Qt::black);
    for (int k = 0; k <= m_majorSteps; ++k)
        p.drawText(scaleLabelRect(k), Qt::AlignCenter, scaleLabel(k));

    // The signal name and the unit, below the value.
    p.setPen(Qt::black);
    p.setFont(nameFont());
    p.drawText(signalNameRect(), Qt::AlignCenter, m_signalName);
    p.setFont(unitFont());
    p.drawText(unitRect(), Qt::AlignCenter, m_unit);
}

} // namespace kdx
