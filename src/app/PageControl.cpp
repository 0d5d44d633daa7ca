#include "app/PageControl.h"

#include <QKeyEvent>
#include <QTabBar>
#include <QWheelEvent>

namespace kdx {

PageControl::PageControl(QWidget* parent) : QTabWidget(parent)
{
    tabBar()->installEventFilter(this);
}

bool PageControl::isReachable(int index) const
{
    return index >= 0 && index < count() && isTabVisible(index) && isTabEnabled(index);
}

int PageControl::nextReachable(int from, int step) const
{
    const int n = count();
    if (n == 0 || step == 0)
        return -1;
    int index = from;
    for (int pass = 0; pass < n; ++pass) {
        index = ((index + step) % n + n) % n;
        if (index == from)
            return -1;
        if (isReachable(index))
            return index;
    }
    return -1;
}

void PageControl::keyPressEvent(QKeyEvent* event)
{
    // The toolkit's own stepping knows only enabled tabs, not hidden ones.
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    int step = 0;
    if (ctrl && event->key() == Qt::Key_Tab)
        step = (event->modifiers() & Qt::ShiftModifier) ? -1 : 1;
    else if (ctrl && event->key() == Qt::Key_Backtab)
        step = -1;
    else if (ctrl && event->key() == Qt::Key_PageDown)
        step = 1;
    else if (ctrl && event->key() == Qt::Key_PageUp)
        step = -1;
    if (step == 0) {
        QTabWidget::keyPressEvent(event);
        return;
    }
    const int next = nextReachable(currentIndex(), step);
    if (next >= 0)
        setCurrentIndex(next);
    event->accept();
}

bool PageControl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == tabBar()) {
        if (event->type() == QEvent::Wheel) {
            const QPoint delta = static_cast<QWheelEvent*>(event)->angleDelta();
            const int d = delta.y() != 0 ? delta.y() : delta.x();
            if (d != 0) {
                // One page per notch, no wrapping, as the tab bar itself does.
                const int step = d > 0 ? -1 : 1;
                for (int i = currentIndex() + step; i >= 0 && i < count(); i += step) {
                    if (isReachable(i)) {
                        setCurrentIndex(i);
                        break;
                    }
                }
            }
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            // Arrow keys on a focused tab bar: same rule.
            auto* key = static_cast<QKeyEvent*>(event);
            const bool rtl = layoutDirection() == Qt::RightToLeft;
            int step = 0;
            if (key->key() == Qt::Key_Left || key->key() == Qt::Key_Up)
                step = rtl && key->key() == Qt::Key_Left ? 1 : -1;
            else if (key->key() == Qt::Key_Right || key->key() == Qt::Key_Down)
                step = rtl && key->key() == Qt::Key_Right ? -1 : 1;
            if (step != 0 && !(key->modifiers() & Qt::ControlModifier)) {
                for (int i = currentIndex() + step; i >= 0 && i < count(); i += step) {
                    if (isReachable(i)) {
                        setCurrentIndex(i);
                        break;
                    }
                }
                return true;
            }
        }
    }
    return QTabWidget::eventFilter(watched, event);
}

} // namespace kdx
