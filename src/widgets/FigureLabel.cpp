#include "widgets/FigureLabel.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>

namespace kdx {

FigureLabel::FigureLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
}

const QStaticText& FigureLabel::laidOut(const QString& text)
{
    for (auto it = m_kept.begin(); it != m_kept.end(); ++it) {
        if (it->first == text) {
            if (it != m_kept.begin())
                m_kept.splice(m_kept.begin(), m_kept, it);
            return m_kept.front().second;
        }
    }
    QStaticText laid(text);
    laid.setTextFormat(Qt::PlainText);
    laid.prepare(QTransform(), font());
    m_kept.emplace_front(text, std::move(laid));
    if (m_kept.size() > kKeptTexts)
        m_kept.pop_back();
    return m_kept.front().second;
}

void FigureLabel::paintEvent(QPaintEvent* event)
{
    const QString shown = text();
    if (textFormat() != Qt::PlainText || wordWrap() || !pixmap().isNull() || shown.contains(QLatin1Char('\n'))
        || frameWidth() > 0 || indent() > 0) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QRect box = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const QStaticText& laid = laidOut(shown);
    // One line's height, as a label's own drawing centres it.
    const QSizeF size(laid.size().width(), QFontMetricsF(font()).height());
    const Qt::Alignment align = QStyle::visualAlignment(layoutDirection(), alignment());
    qreal x = box.left();
    if (align & Qt::AlignRight)
        x = box.right() + 1 - size.width();
    else if (align & Qt::AlignHCenter)
        x = box.left() + (box.width() - size.width()) / 2;
    qreal y = box.top();
    if (align & Qt::AlignBottom)
        y = box.bottom() + 1 - size.height();
    else if (align & Qt::AlignVCenter)
        y = box.top() + (box.height() - size.height()) / 2;
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    painter.drawStaticText(QPointF(x, y), laid);
}

void FigureLabel::changeEvent(QEvent* event)
{
    // Laid out in the old font, the kept texts would each be laid out
    // again at every paint.
    if (event->type() == QEvent::FontChange)
        m_kept.clear();
    QLabel::changeEvent(event);
}

} // namespace kdx
