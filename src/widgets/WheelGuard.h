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
    explicit WheelGuard(QObject* parent = nullptr) : QObject(parent) {}
    void guard(QWidget* control);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace kdx
