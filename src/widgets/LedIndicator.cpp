#include "widgets/LedIndicator.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRadialGradient>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace kdx {

LedIndicator::LedIndicator(QWidget* parent) : QWidget(parent)
{
    m_blinkTimer = new QTimer(this);
    m_blinkTimer->setTimerType(Qt::PreciseTimer);
    connect(m_blinkTimer, &QTimer::timeout, this, &LedIndicator::blinkStep);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void LedIndicator::setOn(bool on)
{
    if (on == m_on)
        return;
    m_on = on;
    m_blinkLit = true; // a lamp that comes on starts lit
    updateBlinkTimer();
    update();
}

void LedIndicator::setCaption(const QString& caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    updateGeometry();
    update();
}

void LedIndicator::setShape(Shape shape)
{
    m_shape = shape;
    update();
}

void LedIndicator::setLightSize(const QSize& size)
{
    m_lightSize = size;
    updateGeometry();
    update();
}

void LedIndicator::setOnColor(const QColor& color)
{
    if (color == m_onColor)
        return;
    m_onColor = color;
    update();
}

void LedIndicator::setOffColor(const QColor& color)
{
    if (color == m_offColor)
        return;
    m_offColor = color;
    update();
}

QColor LedIndicator::offColor() const
{
    return m_offColor.isValid() ? m_offColor : palette().color(QPalette::Button);
}

void LedIndicator::setFlashing(bool flashing, double rateHz)
{
    m_flashing = flashing;
    m_flashRateHz = rateHz;
    m_blinkLit = true;
    m_blinkTimer->stop(); // a new rate starts a new interval
    updateBlinkTimer();
    update();
}

int LedIndicator::blinkIntervalMs() const
{
    if (m_flashRateHz <= 0.0)
        return 0;
    return std::max(1, static_cast<int>(std::lround(500.0 / m_flashRateHz)));
}

bool LedIndicator::isBlinking() const { return m_on && m_flashing && blinkIntervalMs() > 0; }

void LedIndicator::setHeld(bool held)
{
    if (held == m_held)
        return;
    m_held = held;
    const bool wasDark = !m_blinkLit;
    updateBlinkTimer();
    if (wasDark && m_blinkLit)
        update(lightRect());
}

void LedIndicator::showEvent(QShowEvent* event)
{
    updateBlinkTimer();
    QWidget::showEvent(event);
}

void LedIndicator::hideEvent(QHideEvent* event)
{
    updateBlinkTimer();
    QWidget::hideEvent(event);
}

void LedIndicator::blinkStep()
{
    if (!m_on || !m_flashing || m_held)
        return;
    m_blinkLit = !m_blinkLit;
    update(lightRect());
}

void LedIndicator::updateBlinkTimer()
{
    if (isBlinking() && isVisible() && !m_held) {
        if (!m_blinkTimer->isActive())
            m_blinkTimer->start(blinkIntervalMs());
    } else {
        m_blinkTimer->stop();
        m_blinkLit = true;
    }
}

QColor LedIndicator::currentLightColor() const
{
    if (!m_on)
        return offColor();
    if (m_flashing && m_flashRateHz > 0.0 && !m_blinkLit)
        return offColor();
    return m_onColor;
}

QRect LedIndicator::lightRect() const
{
    const int y = std::max(0, (height() - m_lightSize.height()) / 2);
    return QRect(QPoint(0, y), m_lightSize);
}

QRect LedIndicator::captionRect() const
{
    const int x = m_lightSize.width() + kCaptionGapPx;
    return QRect(x, 0, std::max(0, width() - x), height());
}

QSize LedIndicator::sizeHint() const
{
    const QFontMetrics fm(font());
    const int textWidth = m_caption.isEmpty() ? 0 : fm.horizontalAdvance(m_caption) + 2;
    return QSize(m_lightSize.width() + (textWidth ? kCaptionGapPx + textWidth : 0),
                 std::max(m_lightSize.height(), fm.height()));
}

QSize LedIndicator::minimumSizeHint() const { return sizeHint(); }

void LedIndicator::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);

    const QColor light = currentLightColor();
    // Half-pixel inset keeps the 1 px outline on whole pixels at any size.
    const QRectF r = QRectF(lightRect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QColor rim = palette().color(QPalette::Dark);

    if (m_shape == Shape::Round) {
        QRadialGradient g(r.center() - QPointF(r.width() * 0.15, r.height() * 0.15),
                          r.width() * 0.65);
        g.setColorAt(0.0, light.lighter(150));
        g.setColorAt(0.7, light);
        g.setColorAt(1.0, light.darker(115));
        p.setBrush(g);
        p.setPen(QPen(rim, 1.0));
        p.drawEllipse(r);
    } else {
        p.setBrush(light);
        p.setPen(QPen(rim, 1.0));
        p.drawRect(r);
    }

    if (!m_caption.isEmpty()) {
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                 QPalette::WindowText));
        p.setFont(font());
        p.drawText(captionRect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   m_caption);
    }
}

void LedIndicator::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void LedIndicator::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        if (rect().contains(event->position().toPoint()))
            emit clicked();
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void LedIndicator::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange)
        updateGeometry();
    QWidget::changeEvent(event);
}

} // namespace kdx
