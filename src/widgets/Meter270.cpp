#include "widgets/Meter270.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <algorithm>
#include <cmath>

namespace kdx {

namespace {

constexpr double kStartDeg = 225.0; // minimum at the lower left
const QPointF kCentre(99.0, 92.0);
constexpr double kRadius = 75.0;
constexpr double kFaceRadius = 86.0;

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

void Meter270::setValue(double value)
{
    if (value == m_value)
        return;
    m_value = value;
    update();
}

void Meter270::setRange(double minimum, double maximum)
{
    if (maximum <= minimum)
        return;
    m_min = minimum;
    m_max = maximum;
    update();
}

void Meter270::setScaleSteps(int majorSteps, int subSteps)
{
    m_majorSteps = std::max(1, majorSteps);
    m_subSteps = std::max(1, subSteps);
    update();
}

void Meter270::setSignalName(const QString& name)
{
    m_signalName = name;
    update();
}

void Meter270::setUnit(const QString& unit)
{
    m_unit = unit;
    update();
}

QString Meter270::scaleLabel(int k) const
{
    // The lowest mark stands for the range start, which is just above zero.
    const double v = m_min + (m_max - m_min) * k / m_majorSteps;
    return QString::number(v, 'f', 1);
}

QString Meter270::valueText() const
{
    return QString::number(m_value, 'f', 1);
}

double Meter270::angleForValue(double v) const
{
    const double t = std::clamp((v - m_min) / (m_max - m_min), 0.0, 1.0);
    return kStartDeg - kSweepDeg * t;
}

QSize Meter270::sizeHint() const { return QSize(kDesignWidth, kDesignHeight); }

void Meter270::paintEvent(QPaintEvent*)
{
    QPainter p(this);
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
    const double bandR = kRadius - 4.0;
    const QRectF bandRect(kCentre.x() - bandR, kCentre.y() - bandR, 2 * bandR, 2 * bandR);
    for (const auto& sec : sectors) {
        const double a0 = angleForValue(m_min + span * sec.from);
        const double a1 = angleForValue(m_min + span * sec.to);
        p.setPen(QPen(sec.color, 6.0, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(bandRect, qRound(a0 * 16), qRound((a1 - a0) * 16));
    }

    // Scale: black arc, major and minor ticks, bold numbers.
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
    }
    QFont numbers = font();
    numbers.setPixelSize(11);
    numbers.setBold(true);
    p.setFont(numbers);
    p.setPen(Qt::black);
    for (int k = 0; k <= m_majorSteps; ++k) {
        const double a = kStartDeg - kSweepDeg * k / m_majorSteps;
        const QPointF c = polar(kRadius - 23.0, a);
        p.drawText(QRectF(c.x() - 14, c.y() - 7, 28, 14), Qt::AlignCenter, scaleLabel(k));
    }

    // Signal name and unit above the hub, the value in figures below it.
    QFont name = font();
    name.setPixelSize(12);
    name.setBold(true);
    p.setFont(name);
    p.drawText(QRectF(kCentre.x() - 40, kCentre.y() - 36, 80, 14), Qt::AlignCenter, m_signalName);
    QFont unitFont = font();
    unitFont.setPixelSize(10);
    p.setFont(unitFont);
    p.drawText(QRectF(kCentre.x() - 40, kCentre.y() - 23, 80, 12), Qt::AlignCenter, m_unit);

    QFont valueFont = font();
    valueFont.setPixelSize(15);
    valueFont.setBold(true);
    p.setFont(valueFont);
    const QRectF valueBox(kCentre.x() - 28, kCentre.y() + 26, 56, 20);
    p.setPen(QPen(QColor(90, 90, 90), 1.0));
    p.setBrush(QColor(250, 250, 240));
    p.drawRoundedRect(valueBox, 3, 3);
    p.setPen(Qt::black);
    p.drawText(valueBox, Qt::AlignCenter, valueText());

    // Lime pointer mark on the scale rim.
    const double av = angleForValue(m_value);
    QPainterPath mark;
    mark.moveTo(polar(kRadius + 1.0, av));
    mark.lineTo(polar(kRadius + 9.0, av + 4.0));
    mark.lineTo(polar(kRadius + 9.0, av - 4.0));
    mark.closeSubpath();
    p.setPen(QPen(QColor(0, 100, 0), 0.8));
    p.setBrush(QColor(0, 255, 0));
    p.drawPath(mark);

    // Navy needle with its hub.
    QPainterPath needle;
    needle.moveTo(polar(kRadius - 6.0, av));
    needle.lineTo(polar(4.0, av + 90.0));
    needle.lineTo(polar(10.0, av + 180.0));
    needle.lineTo(polar(4.0, av - 90.0));
    needle.closeSubpath();
    p.setPen(QPen(QColor(0, 0, 60), 0.8));
    p.setBrush(QColor(0, 0, 128));
    p.drawPath(needle);
    p.setBrush(QColor(40, 40, 40));
    p.drawEllipse(kCentre, 5.0, 5.0);
}

} // namespace kdx
