#pragma once

#include "app/AppContext.h"
#include "live/DashboardView.h"
#include "live/StatusDecoder.h"
#include "live/StatusFrame.h"
#include "live/StatusPoller.h"
#include "params/GridPaint.h"
#include "session/SessionListener.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kdx {

class MainWindow;
class ParameterEditorsGlue;
class TesterPage;

// The window's side of the device session: what the session reports (a
// search, a connection, a full read, progress, the status line, a lost link)
// and what each status tick brings reach the pages and panels that show it.
// Decisions stay with the session's procedures; this class only hands their
// results to the pages.
class WindowSession : public SessionListener {
public:
    // Listens to the context's session from now until it goes.
    WindowSession(MainWindow& window, AppContext& context, ParameterEditorsGlue& editors, TesterPage& tester);
    ~WindowSession() override;
    WindowSession(const WindowSession&) = delete;
    WindowSession& operator=(const WindowSession&) = delete;

    // The 50 ms timer's work while a controller is connected.
    void tick();
    // The image in the editors and maps. After a full read the "NEW ECU"
    // message is due once per controller whose parameters are not set up.
    void showParameters(bool afterRead);
    // An edit the save watcher has not seen yet starts the deferred save
    // before the parameters are shown again or read anew.
    void watchImage();
    // A new language: texts composed from it (lamps, measurements, the
    // diagnostic rows, the save lamp) follow at once, not with the next frame,
    // which never comes while the controller is away.
    void languageChanged();
    // Where the map grids mark the controller's live state, from the last
    // valid frame.
    LiveMarkers markers() const;

    // --- SessionListener --------------------------------------------------------
    void searchStarted() override;
    void tryingPort(const std::string& deviceName) override;
    void searchEnded(const SearchOutcome& outcome) override;
    void connected(uint8_t hardwareVersion, uint8_t softwareVersion, uint8_t softwareRevision,
                   std::optional<uint32_t> serialNumber) override;
    void imageLoaded() override;
    void pollRestarted(const std::optional<TickResult::SaveLamp>& lamp) override;
    void pollingEnabled(bool enabled) override;
    void linkLost() override;
    void progress(int position, int maximum) override;
    void statusText(const std::string& text) override;

private:
    void showFrame(const StatusFrame& frame);
    // The frame as the pages show it, in the window's language and locale.
    DashboardView decode(const StatusFrame& frame, StatusDecoder::Detail detail);
    bool diagInView() const;
    // The diagnostic page, brought into view, shows the last frame at once.
    void catchUpDiag();
    void applySaveLamp(const TickResult::SaveLamp& lamp);

    MainWindow& m_window;
    AppContext& m_ctx;
    ParameterEditorsGlue& m_editors;
    TesterPage& m_tester;
    std::optional<StatusFrame> m_lastFrame;
    bool m_viewBehind = false; // frames came while the window was minimised
    bool m_diagBehind = false; // frames came while the diagnostic page was not in view
    // Serial number the "NEW ECU" message was last shown for, until a read
    // finds set-up parameters again.
    std::optional<uint32_t> m_markerShownFor;
};

} // namespace kdx
