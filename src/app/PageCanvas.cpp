#include "app/PageCanvas.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

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

// Widens a fixed-width column by its vertical scroll bar while that shows.
class ColumnWidth : public QObject {
public:
    ColumnWidth(QWidget* column, QScrollBar* bar) : QObject(column), m_column(column), m_width(column->width())
    {
        if (column->minimumWidth() == column->maximumWidth())
            m_width = column->minimumWidth();
        bar->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show || event->type() == QEvent::Hide) {
            auto* bar = static_cast<QScrollBar*>(watched);
            m_column->setFixedWidth(m_width + (event->type() == QEvent::Show ? bar->sizeHint().width() : 0));
        }
        return false;
    }

private:
    QWidget* m_column;
    int m_width;
};

} // namespace

PageCanvas* PageCanvas::wrapColumn(QWidget* column)
{
    PageCanvas* canvas = wrap(column);
    QScrollArea* scroll = canvas->scrollArea();
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    new ColumnWidth(column, scroll->verticalScrollBar());
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

QRect PageCanvas::designRect(const QWidget* child) const
{
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
    // A control shown or hidden changes what must fit.
    if (event->type() == QEvent::LayoutRequest) {
        updateGeometry();
        if (QScrollArea* scroll = scrollArea())
            QCoreApplication::postEvent(scroll, new QEvent(QEvent::LayoutRequest));
    }
    return QWidget::event(event);
}

void PageCanvas::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    applyAnchors();
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
        if (a.control->geometry() != r)
            a.control->setGeometry(r);
    }
}

} // namespace kdx
