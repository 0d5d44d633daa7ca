#include "widgets/EnterKeyWatch.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace kdx {

namespace {

bool isEnter(const QEvent* event)
{
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

EnterKeyWatch::EnterKeyWatch(QObject* parent) : QObject(parent)
{
    // A key event is offered to the application's filters once for its
    // receiver and again for each parent it propagates to.
    qApp->installEventFilter(this);
}

void EnterKeyWatch::watch(QWidget* control, std::function<void()> handler)
{
    if (!control)
        return;
    m_handlers[control] = std::move(handler);
    connect(control, &QObject::destroyed, this, [this](QObject* gone) { m_handlers.erase(gone); });
}

QWidget* EnterKeyWatch::controlOf(QObject* object) const
{
    if (!object || !object->isWidgetType())
        return nullptr;
    for (auto* w = static_cast<QWidget*>(object); w; w = w->isWindow() ? nullptr : w->parentWidget())
        if (m_handlers.count(w))
            return w;
    return nullptr;
}

bool EnterKeyWatch::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type != QEvent::KeyPress && type != QEvent::KeyRelease) || !isEnter(event))
        return false;
    QWidget* control = controlOf(watched);
    if (type == QEvent::KeyPress) {
        // Every Enter press decides where the next release may commit, also
        // one that goes to a control not watched here (a message box). A
        // press that was not taken propagates to the parents of its receiver
        // and is offered here again: that does not move it.
        if (static_cast<QKeyEvent*>(event)->isAutoRepeat())
            return false;
        if (control)
            m_armed = control;
        else if (!(m_armed && watched->isWidgetType() && static_cast<QWidget*>(watched)->isAncestorOf(m_armed)))
            m_armed = nullptr;
        return false;
    }
    if (static_cast<QKeyEvent*>(event)->isAutoRepeat() || !control || control != m_armed)
        return false;
    m_armed = nullptr;
    const auto it = m_handlers.find(control);
    if (it != m_handlers.end()) {
        const std::function<void()> handler = it->second; // may open a modal box
        handler();
    }
    return true; // committed: not offered again to the parents
}

} // namespace kdx
