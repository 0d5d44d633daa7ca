#pragma once

#include "live/DashboardView.h"
#include "live/LiveTexts.h"
#include "live/StatusFrame.h"

#include <cstdint>
#include <string>

namespace kdx {

// Turns a valid status frame into what the dashboard, the mode pages and the
// diagnostic page show. Keeps the current mode text between frames.
class StatusDecoder {
public:
    explicit StatusDecoder(TextLookup texts);

    // Whether the diagnostic page's grid texts are made too. Formatting them
    // is most of a frame's decoding; a window not showing the page leaves
    // them out and asks again when the page comes into view.
    enum class Detail { Full, WithoutDiagTexts };

    // decimalSeparator: the system locale's, e.g. "." or ",".
    DashboardView decode(const StatusFrame& frame, uint8_t hardwareVersion,
                         const std::string& decimalSeparator, Detail detail = Detail::Full);

    // Text of the last work mode seen; empty before the first frame.
    const std::string& modeText() const { return m_modeText; }

private:
    TextLookup m_texts;
    std::string m_modeText;
};

} // namespace kdx
