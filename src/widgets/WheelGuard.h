#pragma once

#include <QObject>

class QWidget;

namespace kdx {

// A value control (combo box, spin box, slider) ignores the mouse wheel
// while it does not have keyboard focus, and the wheel no longer gives it
// focus: scrolling past a "car type" box must not pick another car type.
class WheelGuard : public QObject {
    Q_OBJECT
public:
    // Installs a guard owned by the control.
    static void guard(QWidget* control);

protected:
    explicit WheelGuard(QObject* parent) : QObject(parent) {}
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace kdx
