#include "widgets/WheelGuard.h"

#include <QEvent>
#include <QWidget>

namespace kdx {

void WheelGuard::guard(QWidget* control)
{
    if (!control)
        return;
    if (control->focusPolicy() == Qt::WheelFocus)
        control->setFocusPolicy(Qt::StrongFocus);
    control->installEventFilter(new WheelGuard(control));
}

bool WheelGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel && watched->isWidgetType() && !static_cast<QWidget*>(watched)->hasFocus()) {
        event->ignore();
        return true;
    }
    return false;
}

} // namespace kdx
