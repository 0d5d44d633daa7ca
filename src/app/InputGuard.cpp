#include "app/InputGuard.h"

#include <QApplication>
#include <QCloseEvent>
#include <QWidget>

#include <exception>

namespace kdx {

InputGuard::InputGuard(BusyState& busy, QObject* parent) : QObject(parent), m_busy(busy)
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

InputGuard::~InputGuard()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool InputGuard::isUserInput(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::NativeGesture:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

bool InputGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (!m_busy.inLongOperation())
        return false;
    const bool input = isUserInput(event);
    const bool close = event->type() == QEvent::Close;
    if (!input && !close)
        return false;
    // Shortcuts reach their action objects, everything else a widget; the
    // toolkit's window objects pass, their widgets are filtered.
    QWidget* widget = qobject_cast<QWidget*>(watched);
    if (!widget && event->type() != QEvent::Shortcut)
        return false;
    // A box the operation opened answers its own buttons and keys, the
    // drop-down lists it pops up included (their own windows, hence the walk
    // through the parents rather than within one window).
    if (QWidget* modal = QApplication::activeModalWidget(); modal && widget) {
        for (QWidget* w = widget; w; w = w->parentWidget())
            if (w == modal)
                return false;
        // A popup shown while the box is open is the box's own: a file name
        // box's completion list or a drop-down. It is a window of its own,
        // outside the box's parents, and while it is up every key and click
        // goes to it: swallowing them would leave the box unusable.
        if (widget->window()->windowType() == Qt::Popup)
            return false;
    }
    // A control made to be used during the operation (a cancel button).
    for (QWidget* w = widget; w; w = w->parentWidget())
        if (w->property(kLiveDuringLongOperation).toBool())
            return false;
    if (close) {
        if (!widget->isWindow())
            return false;
        event->ignore();
    }
    ++m_discarded;
    return true;
}

LongOperation::LongOperation(BusyState& busy) : m_busy(busy), m_scope(busy) { ++m_busy.longDepth; }

LongOperation::~LongOperation()
{
    // Drain before leaving: input read now is still inside the operation.
    if (m_busy.longDepth == 1 && std::uncaught_exceptions() == 0 && QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    --m_busy.longDepth;
}

} // namespace kdx
