#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <map>

class QWidget;

namespace kdx {

// Runs a control's handler when Enter (Return or keypad Enter) is released
// in it, or in a widget inside it such as a grid's in-place editor, and only
// when the press of that same key went there too. A release whose press went
// elsewhere does nothing: Enter pressed on the OK button of a message box
// closes the box and its release, landing back in the control, must not
// commit a second time. One press gives at most one handler run.
// Watches the whole application's key events; costs a type check per event.
class EnterKeyWatch : public QObject {
    Q_OBJECT
public:
    explicit EnterKeyWatch(QObject* parent = nullptr);

    void watch(QWidget* control, std::function<void()> handler);
    // The control that received the last Enter press, while its release is due.
    QWidget* armed() const { return m_armed; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The watched control that is `object` or contains it, or nullptr.
    QWidget* controlOf(QObject* object) const;

    std::map<const QObject*, std::function<void()>> m_handlers;
    QPointer<QWidget> m_armed;
};

} // namespace kdx
