#pragma once

#include "app/AppContext.h"
#include "app/MainWindowHooks.h"
#include "app/FirmwarePage.h"
#include "i18n/LanguageSwitcher.h"
#include "i18n/LanguageTexts.h"
#include "live/ConnectionLog.h"
#include "live/StatusDecoder.h"
#include "live/StatusPoller.h"
#include "live/Tester.h"
#include "app/TesterPage.h"
#include "live/Tone.h"
#include "params/ControllerCommands.h"
#include "params/ControlUpdates.h"
#include "params/EditResult.h"
#include "params/ParameterImage.h"
#include "params/RegisterWriter.h"
#include "session/SessionListener.h"

#include <QPointer>

#include <memory>
#include <unordered_map>
#include <optional>
#include <string>
#include <vector>

class QPainter;
class QRect;

namespace kdx {

class ChartsGlue;
class MainWindow;
class ParameterEditorsGlue;
class ParameterFilesGlue;
class LinkStatusPanel;
struct DashboardView;

// Ties the program's procedures to the main window: the connection search and
// full read, the status polling and its displays, the parameter editors, the
// connection log, the language, the tester and the firmware upgrade. The
// procedures decide; this class only applies what they return to the
// controls the window's pages hand out.
class AppController : public SessionListener {
public:
    AppController(AppContext& context, Tone& tone, std::vector<std::string> languageFallbacks = {});
    ~AppController() override;

    // The hooks the window's handlers call.
    MainWindowHooks hooks();

    ParameterImage& image() { return m_image; }
    StatusPoller& poller() { return m_poller; }
    LanguageTexts& texts() { return m_texts; }
    Tester& tester() { return m_tester; }
    // The decimal separator texts are written and read with.
    static char decimalSeparator();

    // --- SessionListener --------------------------------------------------------
    void pollingEnabled(bool enabled) override;
    void connected(uint8_t hardwareVersion, uint8_t softwareVersion, uint8_t softwareRevision,
                   std::optional<uint32_t> serialNumber) override;
    void progress(int position, int maximum) override;
    void pollRestarted(const std::optional<TickResult::SaveLamp>& lamp) override;
    void imageLoaded() override;
    void statusText(const std::string& text) override;
    void tryingPort(const std::string& deviceName) override;
    void searchStarted() override;
    void searchEnded(const SearchOutcome& outcome) override;
    void linkLost() override;

private:
    MainWindow& window();
    // The window the hooks act on; the page glue is made when it first binds.
    void bind(MainWindow& w);

    // ShowAllData; after a read the marker message is due once per
    // controller whose parameters are not initialised.
    void showParameters(bool afterRead);
    bool readAllChecked();
    void statusTick();
    void applyDashboard(const DashboardView& view);
    void applySaveLamp(const TickResult::SaveLamp& lamp);
    // An edit the save watcher has not seen yet starts the deferred save
    // before the parameters are shown again or read anew.
    void watchImage();
    void showConnectionLog();
    void setProgress(int position, int maximum) { progress(position, maximum); }
    void paintLogCell(QPainter& painter, int column, int row, const QRect& rect);
    void repaintMapGrids();
    void sendTesterCommand(const TesterCommand& command);
    void loadLanguage();
    void switchLanguage(uint8_t code);
    void setWorkMode(uint8_t mode);
    void setDefaults();
    LinkCounts linkCounts() const;

    AppContext& m_ctx;
    MainWindow* m_window = nullptr;

    // The session's parts, by their old names.
    DeviceSession& m_session;
    ParameterImage& m_image;
    RegisterWriter& m_writer;
    ControllerCommands& m_commands;
    LanguageTexts& m_texts; // the context's
    StatusPoller& m_poller;
    StatusDecoder& m_decoder;
    ConnectionLog& m_log;
    Tester m_tester;
    std::unique_ptr<TesterPage> m_testerPage;
    std::optional<StatusFrame> m_lastFrame;
    bool m_viewBehind = false; // frames came while the window was minimised
    // The mode page a mode button brought up, until the controller's status
    // confirms that mode (an answer already on its way may still show the
    // old one and hide the page meanwhile).
    std::optional<ModePage> m_requestedPage;
    std::unique_ptr<ParameterEditorsGlue> m_params;
    int m_requestFrames = 0;
    std::unique_ptr<LanguageSwitcher> m_language;
    std::unique_ptr<ParameterFilesGlue> m_files;
    // Serial number the "NEW ECU" message was last shown for, until a read
    // finds initialised parameters again.
    std::optional<uint32_t> m_markerShownFor;
    std::vector<std::string> m_languageFallbacks;
    std::unique_ptr<FirmwarePage> m_firmwarePage;
};

} // namespace kdx
