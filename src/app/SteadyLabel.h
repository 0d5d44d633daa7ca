#pragma once

class QLabel;
class QString;

namespace kdx {

// Sets a status-line label's text at a fixed size that changes only when the
// text needs it. A clock in the status line changes its text every second:
// a label free to size itself would then relayout the status line and the
// whole window each time. It widens at once for a longer text and narrows
// only by a clear step, so that the message beside it keeps its room.
void setSteadyText(QLabel& label, const QString& text);

} // namespace kdx
