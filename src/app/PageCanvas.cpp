#include "app/PageCanvas.h"

#include "widgets/LedIndicator.h"
#include "widgets/StringGrid.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace kdx {

PageCanvas* PageCanvas::wrap(QWidget* page)
{
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(page);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    auto* canvas = new PageCanvas;
    scroll->setWidget(canvas);
    column->addWidget(scroll);
    return canvas;
}

namespace {

// Sets a column's width from the window's: its own width up to a window
// growFrom wide, then a third of what the window has beyond, up to max; plus
// the vertical scroll bar while that shows.
class ColumnWidth : public QObject {
public:
    ColumnWidth(QWidget* column, QScrollBar* bar, int width, int growFrom, int maxWidth)
        : QObject(column), m_column(column), m_bar(bar), m_width(width), m_growFrom(growFrom),
          m_maxWidth(std::max(width, maxWidth))
    {
        bar->installEventFilter(this);
        column->window()->installEventFilter(this);
        apply();
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const bool bar = watched == m_bar && (event->type() == QEvent::Show || event->type() == QEvent::Hide);
        const bool window = watched == m_column->window() && event->type() == QEvent::Resize;
        if (bar || window)
            apply();
        return false;
    }

private:
    void apply()
    {
        const int window = m_column->window()->width();
        int w = m_width;
        if (window > m_growFrom)
            w = std::min(m_maxWidth, m_width + (window - m_growFrom) / 3);
        // The scroll area hides the bar's container, not the bar.
        if (m_bar->isVisibleTo(m_column))
            w += m_bar->sizeHint().width();
        if (m_column->minimumWidth() != w || m_column->maximumWidth() != w)
            m_column->setFixedWidth(w);
    }

    QWidget* m_column;
    QScrollBar* m_bar;
    int m_width;
    int m_growFrom;
    int m_maxWidth;
};

} // namespace

PageCanvas* PageCanvas::wrapColumn(QWidget* column, int width, int growFrom, int maxWidth)
{
    PageCanvas* canvas = wrap(column);
    QScrollArea* scroll = canvas->scrollArea();
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    new ColumnWidth(column, scroll->verticalScrollBar(), width, growFrom, maxWidth);
    // The canvas's width in a column of its own width: no zoom there.
    auto* frame = qobject_cast<QFrame*>(column);
    canvas->m_zoomWidth = width - (frame ? 2 * frame->frameWidth() : 0);
    return canvas;
}

PageCanvas* PageCanvas::of(const QWidget* w)
{
    for (QWidget* p = w ? w->parentWidget() : nullptr; p; p = p->parentWidget())
        if (auto* canvas = qobject_cast<PageCanvas*>(p))
            return canvas;
    return nullptr;
}

PageCanvas::PageCanvas(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(false);
}

QScrollArea* PageCanvas::scrollArea() const
{
    // canvas -> viewport -> scroll area
    QWidget* viewport = parentWidget();
    return viewport ? qobject_cast<QScrollArea*>(viewport->parentWidget()) : nullptr;
}

void PageCanvas::anchor(QWidget* control, int anchors)
{
    if (!control)
        return;
    for (auto& a : m_anchored) {
        if (a.control == control) {
            a.anchors = anchors;
            return;
        }
    }
    m_anchored.push_back({control, control->geometry(), anchors});
    applyAnchors();
}

void PageCanvas::enableZoom(double maxZoom, int footPx)
{
    m_maxZoom = std::max(1.0, maxZoom);
    m_footPx = footPx;
    m_designPointSize = font().pointSizeF();
    m_zoomed.clear();
    for (QObject* o : children()) {
        auto* child = qobject_cast<QWidget*>(o);
        if (!child || child->isWindow())
            continue;
        auto* led = qobject_cast<LedIndicator*>(child);
        m_zoomed.push_back({child, child->geometry(), led ? led->lightSize() : QSize(), child->font().pointSizeF()});
    }
    applyZoom();
}

void PageCanvas::applyZoom()
{
    if (m_zoomed.empty())
        return;
    const QSize design = minimumSizeHint();
    const int contentBottom = design.height() - kMarginPx;
    if (design.isEmpty() || contentBottom <= 0)
        return;
    const double byWidth = double(width()) / (m_zoomWidth > 0 ? m_zoomWidth : design.width());
    const double byHeight = double(height() - m_footPx) / contentBottom;
    const double zoom = std::clamp(std::min(byWidth, byHeight), 1.0, m_maxZoom);
    m_zoom = zoom;
    auto scaled = [zoom](int v) { return static_cast<int>(std::lround(v * zoom)); };
    QFont f = font();
    if (m_designPointSize > 0 && f.pointSizeF() != m_designPointSize * zoom) {
        f.setPointSizeF(m_designPointSize * zoom);
        setFont(f);
    }
    for (const Zoomed& z : m_zoomed) {
        if (!z.control)
            continue;
        // From the edges, so that controls side by side stay side by side.
        const QRect r(QPoint(scaled(z.design.left()), scaled(z.design.top())),
                      QPoint(scaled(z.design.left() + z.design.width()) - 1,
                             scaled(z.design.top() + z.design.height()) - 1));
        // A fixed size: the canvas is the control's only geometry, and a
        // label of fixed size does not ask its parent for a new layout each
        // time its text changes (the figures, ten times a second).
        if (z.control->minimumSize() != r.size() || z.control->maximumSize() != r.size())
            z.control->setFixedSize(r.size());
        if (z.control->geometry() != r)
            z.control->setGeometry(r);
        if (auto* led = qobject_cast<LedIndicator*>(z.control))
            led->setLightSize(QSize(scaled(z.light.width()), scaled(z.light.height())));
        // A control with a font of its own (a mode button in bold) does not
        // follow the canvas's.
        if (z.control->testAttribute(Qt::WA_SetFont) && z.pointSize > 0
            && z.control->font().pointSizeF() != z.pointSize * zoom) {
            QFont own = z.control->font();
            own.setPointSizeF(z.pointSize * zoom);
            z.control->setFont(own);
        }
    }
}

QRect PageCanvas::designRect(const QWidget* child) const
{
    for (const auto& z : m_zoomed)
        if (z.control == child)
            return z.design;
    for (const auto& a : m_anchored)
        if (a.control == child)
            return a.design;
    return child->geometry();
}

QSize PageCanvas::minimumSizeHint() const
{
    QRect bounds;
    for (QObject* o : children()) {
        auto* child = qobject_cast<QWidget*>(o);
        if (!child || child->isWindow() || child->isHidden())
            continue;
        bounds = bounds.united(designRect(child));
    }
    if (bounds.isEmpty())
        return {0, 0};
    // Little room on the right: at 1024 pixels the widest page fits beside
    // the dashboard and its scroll bar without scrolling sideways.
    return {bounds.right() + 1 + kRightMarginPx, bounds.bottom() + 1 + kMarginPx};
}

bool PageCanvas::event(QEvent* event)
{
    // A control shown or hidden changes what must fit. A label whose text
    // changed asks too, ten times a second while polling, but the design
    // rectangles did not move: the scroll area is left alone then.
    if (event->type() == QEvent::LayoutRequest) {
        const QSize fit = minimumSizeHint();
        if (fit != m_fitSize) {
            m_fitSize = fit;
            updateGeometry();
            if (QScrollArea* scroll = scrollArea())
                QCoreApplication::postEvent(scroll, new QEvent(QEvent::LayoutRequest));
        }
    }
    return QWidget::event(event);
}

void PageCanvas::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    applyAnchors();
    applyZoom();
}

void PageCanvas::applyAnchors()
{
    for (const auto& a : m_anchored) {
        QWidget* parent = a.control->parentWidget();
        if (!parent)
            continue;
        // The page's extra room over its smallest size, in the control's parent.
        // Counted against the full right margin, which a grown page keeps.
        const QSize extra =
            (size() - minimumSizeHint() - QSize(kMarginPx - kRightMarginPx, 0)).expandedTo(QSize(0, 0));
        QRect r = a.design;
        if (a.anchors & GrowRight)
            r.setWidth(a.design.width() + extra.width());
        if (a.anchors & GrowDown)
            r.setHeight(a.design.height() + extra.height());
        if (a.anchors & StickDown)
            r.moveTop(a.design.top() + extra.height());
        if (parent != this) {
            // A control inside a group grows with the group's own growth.
            r.setWidth(std::min(r.width(), std::max(a.design.width(), parent->width() - a.design.left() - kMarginPx)));
            r.setHeight(std::min(r.height(), std::max(a.design.height(), parent->height() - a.design.top() - kMarginPx)));
        }
        if (auto* grid = qobject_cast<StringGrid*>(a.control)) {
            // A grid grows by its cells, within limits, and keeps its corner.
            grid->spreadOver(r.size(), kMaxCellGrowth);
            if (grid->pos() != r.topLeft())
                grid->move(r.topLeft());
        } else if (a.control->geometry() != r) {
            a.control->setGeometry(r);
        }
    }
}

} // namespace kdx
