#pragma once

#include <QTabWidget>

namespace kdx {

// The window's page control. Pages whose tab is hidden (the mode pages the
// controller is not in, the empty "errors" page, the tester page without
// --tester) are not reachable from the keyboard either: Ctrl+Tab,
// Ctrl+Shift+Tab, Ctrl+PgDn, Ctrl+PgUp and the wheel over the tabs step
// through the visible, enabled tabs only, and a hidden page never stays in
// front when the last visible one is shown.
class PageControl : public QTabWidget {
    Q_OBJECT
public:
    explicit PageControl(QWidget* parent = nullptr);

    // The visible, enabled tab step tabs away from from (wrapping), or -1
    // when there is none other than from itself.
    int nextReachable(int from, int step) const;
    bool isReachable(int index) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace kdx
