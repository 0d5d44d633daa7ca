#pragma once

#include "app/BusyState.h"

#include <QObject>

class QEvent;

namespace kdx {

// Discards the technician's input while a long operation runs. The window
// keeps painting during the operation's pauses (progress bars, the upgrade
// log), so the pauses let every event through and this application-wide
// filter swallows the clicks, keys, wheel turns and shortcuts meanwhile: a
// click made one second into "RESET PARAMETERS!" must not switch a page or
// press a mode button after the reset has ended. A modal box opened by the
// operation still takes its input, and a request to close the window is
// refused until the operation has ended (closing mid-way would pull the port
// from under it). Short handlers (an edit, the status tick) are not long
// operations: input during them is delivered after them, as usual.
class InputGuard : public QObject {
    Q_OBJECT
public:
    // A widget with this property set to true (and its children) keeps its
    // input during long operations, for a control such as a cancel button.
    static constexpr const char* kLiveDuringLongOperation = "liveDuringLongOperation";

    explicit InputGuard(BusyState& busy, QObject* parent = nullptr);
    ~InputGuard() override;

    // True for the events a person makes with mouse, keyboard or touch.
    static bool isUserInput(const QEvent* event);
    // Input discarded since start-up (for tests and the curious).
    int discarded() const { return m_discarded; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    BusyState& m_busy;
    int m_discarded = 0;
};

// Marks a scope as a long operation. When the outermost one ends, input
// that arrived after its last pause is read and discarded too, before the
// window goes back to its own event loop.
class LongOperation {
public:
    explicit LongOperation(BusyState& busy);
    ~LongOperation();
    LongOperation(const LongOperation&) = delete;
    LongOperation& operator=(const LongOperation&) = delete;

private:
    BusyState& m_busy;
    BusyScope m_scope;
};

} // namespace kdx
