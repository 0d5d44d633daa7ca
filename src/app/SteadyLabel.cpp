#include "app/SteadyLabel.h"

#include <QLabel>

namespace kdx {

namespace {
constexpr int kShrinkStepPx = 24;
} // namespace

void setSteadyText(QLabel& label, const QString& text)
{
    label.ensurePolished(); // a style sheet's bold font counts in the width
    const QMargins m = label.contentsMargins();
    const QFontMetrics fm = label.fontMetrics();
    const int need = fm.horizontalAdvance(text) + m.left() + m.right() + 2 * label.margin() + 4;
    const int height = fm.height() + m.top() + m.bottom() + 2 * label.margin();
    const int width = label.maximumWidth();
    if (need > width || need < width - kShrinkStepPx || label.minimumWidth() != width
        || label.maximumHeight() != height || label.minimumHeight() != height)
        label.setFixedSize(need, height);
    if (label.text() != text)
        label.setText(text);
}

} // namespace kdx
