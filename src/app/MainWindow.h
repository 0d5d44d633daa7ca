#pragma once

#include "app/AppContext.h"
#include "app/ProcedureRunner.h"
#include "live/DashboardView.h"
#include "live/Tester.h"
#include "live/Tone.h"
#include "live/WorkModeChoice.h"

#include <QMainWindow>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QFrame;
class QLineEdit;
class QMenu;
class QPainter;
class QTabWidget;
class QTimer;
class QWidget;

namespace kdx {

struct AboutFacts;
struct AutoPage;
class ChartsGlue;
class DashboardPanel;
class DiagPage;
class EnterKeyWatch;
class FileDialogSettings;
struct FirmwareControls;
class FirmwarePage;
class InputGuard;
class LanguageRegistry;
class LanguageSwitcher;
struct LinkCounts;
class LinkStatusPanel;
struct ManualConstPage;
struct ManualTrigPage;
class ParameterEditorsGlue;
class ParameterFilesGlue;
struct ParametersPage;
struct SerwisPage;
class StringGrid;
struct TesterControls;
class TesterPage;
class WindowSession;

// The main window "TForm1": the tabbed pages on the left, the dashboard panel
// on the right, the menu and the 50 ms timer. Each page builds its own
// controls, hands them out typed and binds its parameter controls to the
// editors itself; every control carries its system name as object name for
// accessibility and tests. The window holds the pages' glue, runs the
// procedures of the menu and the window-wide buttons (the handlers below,
// named after the control and the event; pressing a hidden button means
// calling its handler), and its WindowSession shows what the controller's
// session reports.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kOuterWidth = 1016;
    static constexpr int kOuterHeight = 669;
    static constexpr int kPanelWidth = 344;
    // A window wider than this gives the dashboard a third of its further
    // width, up to the widest; the dashboard's controls zoom with it.
    static constexpr int kPanelGrowFromWidth = 1366;
    static constexpr int kPanelMaxWidth = 512;
    static constexpr double kPanelMaxZoom = 1.5;
    // Kept free at the dashboard's foot for the link counters laid over it.
    static constexpr int kPanelFootPx = 18;
    // The smallest window: below the design size the pages and the
    // dashboard scroll rather than overlap.
    static constexpr int kMinWidth = 760;
    static constexpr int kMinHeight = 460;

    // tone: the production tester's alarm. languageFallbacks: where language
    // and firmware files are looked for after the start directory.
    MainWindow(AppContext& context, Tone& tone, std::vector<std::string> languageFallbacks = {},
               QWidget* parent = nullptr);
    ~MainWindow() override;

    AppContext& context() { return m_ctx; }
    // The production tester the "test" page drives.
    const Tester& tester() const { return *m_testerProcedure; }

    QTabWidget* pageControl() const { return m_pageControl; }
    // The pages' and panels' controls, built once with the window.
    const ParametersPage& parametersPage() const { return *m_parameters; }
    const AutoPage& autoPage() const { return *m_auto; }
    const ManualTrigPage& manualTrigPage() const { return *m_manualTrig; }
    const ManualConstPage& manualConstPage() const { return *m_manualConst; }
    const SerwisPage& serwisPage() const { return *m_serwis; }
    const FirmwareControls& firmwareControls() const { return *m_firmware; }
    DashboardPanel& dashboard() const { return *m_dashboard; }
    DiagPage& diagPage() const { return *m_diag; }
    const TesterControls& testerControls() const { return *m_tester; }
    ChartsGlue* charts() const { return m_charts; }
    LinkStatusPanel& linkPanel() const { return *m_linkPanel; }
    QFrame* dashboardFrame() const { return m_panel4; }
    // The controls whose texts follow the language, by language key.
    LanguageRegistry& languageTexts() const { return *m_texts; }
    QMenu* fileMenu() const { return m_fileMenu; }
    QAction* exitAction() const { return m_exit1; }
    QAction* helpAction() const { return m_help1; }
    InputGuard* inputGuard() const { return m_inputGuard; }
    // How the window's handlers, menus and pages run their procedures.
    const ProcedureRunner& runner() const { return m_runner; }
    QTimer* timer1() const { return m_timer1; }
    QAction* autoConnectAction() const { return m_autoConnect1; }

    // Folders fixed when the window was created.
    const QString& startDirectory() const { return m_startDirectory; }
    const QString& parameterFolder() const { return m_parameterFolder; }
    const QString& firmwareFolder() const { return m_firmwareFolder; }
    // The firmware file dialog: initial folder FirmwareFolder, "*.hex".
    const FileDialogSettings& openDialog2() const { return *m_openDialog2; }
    const FileDialogSettings& saveDialog1() const { return *m_saveDialog1; }

    // Brings a page to the front, showing its tab if it is hidden (never the
    // "errors" page).
    void showPage(QWidget* page);
    QWidget* modePage(ModePage which) const { return m_modePages[static_cast<size_t>(which)]; }
    QWidget* parameterPage() const { return m_parameterPage; }
    QWidget* diagTab() const { return m_diagTab; }
    QWidget* testerTab() const { return m_testerTab; }
    QWidget* firmwareTab() const { return m_firmwareTab; }

    // --- window events ----------------------------------------------------------
    void FormCreate();
    void FormClose();

    // --- menu ---------------------------------------------------------------------
    void AutoConnect1Click();
    void Open1Click();
    void SaveToDisc1Click();
    void Exit1Click();
    void Help1Click();
    // What the About box shows: versions, serial number, folders.
    AboutFacts aboutFacts();
    void English1Click();
    void Polski1Click();
    void Russian1Click();
    void German1Click();

    // --- timer --------------------------------------------------------------------
    void Timer1Timer();

    // --- parameter page ---------------------------------------------------------------
    void ButtonAutoconnectClick();
    void ButtonLoadAllDataClick();
    void ButtonReadParClick();
    void ButtonWyswParClick();
    void ButtonSetDefaultClick();

    // --- firmware page -----------------------------------------------------------------
    void ButtonFirmwareClick();
    void ButtonResetClick();
    void ButtonRFTD1Click();
    void ButtonOpenFirmFileClick();
    void ButtonTalkToBootClick();
    void ButtonSwitchToSaveClick();

    // --- tester page -------------------------------------------------------------------
    void EditSerialKeyUp();

    // --- dashboard ---------------------------------------------------------------------
    // A work mode button.
    void modeButtonClick(const WorkModeChoice& choice);
    // The mode pages follow the controller's status: a page shows while its
    // mode is on, and the page a mode button asked for comes to the front
    // once the controller confirms the mode.
    void followWorkMode(const DashboardView& view);
    void ButtonSaveEepClick();
    // Shared by AbLEDErrMem, AbLEDWarP1, AbLEDWarP2 and AbLEDZapisDoPamieci.
    void AbLEDErrMemClick();

signals:
    // Another language was chosen and its texts are in the context: windows
    // that compose their texts compose them again.
    void languageSwitched();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenu();
    void buildPages();
    void connectHandlers();
    // Checks the menu item of the language lan.txt names.
    void markLanguage();
    // Runs handler when Enter is released in watched after its press went there.
    void onEnterReleased(QObject* watched, std::function<void()> handler);
    // The pages' glue, once the pages and the folders are there.
    void buildGlue();
    void loadLanguage();
    void switchLanguage(uint8_t code);
    // RESET PARAMETERS!: a backup, the technician's yes, the defaults
    // written, and a new connection.
    void setDefaults();
    LinkCounts linkCounts() const;

    AppContext& m_ctx;
    ProcedureRunner m_runner;
    std::vector<std::string> m_languageFallbacks;
    Tone& m_tone;

    QTabWidget* m_pageControl = nullptr;
    QFrame* m_panel4 = nullptr;
    std::unique_ptr<LanguageRegistry> m_texts;
    std::unique_ptr<ParametersPage> m_parameters;
    std::unique_ptr<AutoPage> m_auto;
    std::unique_ptr<ManualTrigPage> m_manualTrig;
    std::unique_ptr<ManualConstPage> m_manualConst;
    std::unique_ptr<SerwisPage> m_serwis;
    std::unique_ptr<FirmwareControls> m_firmware;
    std::unique_ptr<DashboardPanel> m_dashboard;
    ChartsGlue* m_charts = nullptr; // owned by the window
    LinkStatusPanel* m_linkPanel = nullptr; // owned by the window
    std::unique_ptr<DiagPage> m_diag;
    std::unique_ptr<TesterControls> m_tester;
    std::unique_ptr<ParameterEditorsGlue> m_editors;
    std::unique_ptr<ParameterFilesGlue> m_files;
    std::unique_ptr<FirmwarePage> m_firmwarePage;
    std::unique_ptr<Tester> m_testerProcedure;
    std::unique_ptr<TesterPage> m_testerPage;
    std::unique_ptr<LanguageSwitcher> m_language;
    std::unique_ptr<WindowSession> m_sessionView;
    // The mode page a mode button brought up, until the controller's status
    // confirms that mode (an answer already on its way may still show the
    // old one and hide the page meanwhile), and the frames since.
    std::optional<ModePage> m_requestedPage;
    int m_requestFrames = 0;
    std::array<QWidget*, kModePageCount> m_modePages{};
    QWidget* m_parameterPage = nullptr;
    QWidget* m_diagTab = nullptr;
    QWidget* m_errorsPage = nullptr;
    QWidget* m_testerTab = nullptr;
    QWidget* m_firmwareTab = nullptr;
    QTimer* m_timer1 = nullptr;
    InputGuard* m_inputGuard = nullptr;
    QAction* m_autoConnect1 = nullptr;
    QMenu* m_fileMenu = nullptr;
    QAction* m_exit1 = nullptr;
    QAction* m_help1 = nullptr;
    // English, Polish, Russian, German: checked by the language in use.
    std::array<QAction*, 4> m_languageActions{};
    FileDialogSettings* m_saveDialog1 = nullptr;
    FileDialogSettings* m_openDialog1 = nullptr;
    FileDialogSettings* m_openDialog2 = nullptr;

    QString m_startDirectory;
    QString m_parameterFolder;
    QString m_firmwareFolder;

    EnterKeyWatch* m_enterWatch = nullptr;
    bool m_closed = false;
    bool m_placed = false;
};

} // namespace kdx
