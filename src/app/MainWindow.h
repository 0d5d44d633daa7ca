#pragma once

#include "app/AppContext.h"
#include "app/MainWindowHooks.h"
#include "app/ProcedureRunner.h"
#include "live/WorkModeChoice.h"

#include <QMainWindow>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

class QAction;
class QFrame;
class QLineEdit;
class QMenu;
class QPainter;
class QTabWidget;
class QTimer;
class QWidget;

namespace kdx {

struct AutoPage;
class ChartsGlue;
class DashboardPanel;
class DiagPage;
struct FirmwareControls;
struct ManualConstPage;
struct ManualTrigPage;
struct ParametersPage;
struct SerwisPage;
class EnterKeyWatch;
class FileDialogSettings;
class InputGuard;
class LanguageRegistry;
class LinkStatusPanel;
class StringGrid;
struct TesterControls;

// The main window "TForm1": the tabbed pages on the left, the dashboard panel
// on the right, the menu and the 50 ms timer. Each page builds its own
// controls and hands them out typed; every control carries its system name
// as object name for accessibility and tests. The handlers below are named
// after the control and the event; pressing a hidden button means calling
// its handler.
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

    explicit MainWindow(AppContext& context, MainWindowHooks hooks = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    AppContext& context() { return m_ctx; }
    MainWindowHooks& hooks() { return m_hooks; }

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
    void EditMinLevHKeyUp();
    void EditMinLevLKeyUp();
    void EditGeneralDelayKeyUp();
    void EditRpmDzielKeyUp();
    void ComboBoxRpmInChange();
    void ComboBoxAnKompSettChange();
    void CheckBoxPump1ActiveClick();
    void CheckBoxPump2ActiveClick();
    void ComboBoxFuelTypeChange();
    void ComboBoxAvFuelComsChange();
    void StringGridPC_IDDrawCell(QPainter& painter, int column, int row, const QRect& rect);

    // --- automatic mode page ---------------------------------------------------------
    void EditMaxHumKeyUp();
    void EditAutoMinTempKeyUp();
    void EditAutoRpmUpTKeyUp();
    void EditAuto2xShortOffKeyUp();
    void StringGridAutoPumpOnClick();
    void StringGridAutoPumpOnKeyUp();
    void StringGridAutoPumpOnDrawCell(QPainter& painter, int column, int row, const QRect& rect);
    void StringGridAutoPumpStopClick();
    void StringGridAutoPumpStopKeyUp();
    void StringGridAutoPumpStopDrawCell(QPainter& painter, int column, int row, const QRect& rect);

    // --- manual trigger page ---------------------------------------------------------
    void StringGridManualTrigMapClick();
    void StringGridManualTrigMapKeyUp();
    void StringGridManualTrigMapDrawCell(QPainter& painter, int column, int row, const QRect& rect);

    // --- manual const page -------------------------------------------------------------
    void ComboBoxManualMinRpmP1Change();
    void ComboBoxManualMaxRpmP1Change();
    void ComboBoxManualMinRpmP2Change();
    void ComboBoxManualMaxRpmP2Change();
    void EditManualMconstOnP1KeyUp();
    void EditManualMconstOffP1KeyUp();
    void EditManualMconstOnP2KeyUp();
    void EditManualMconstOffP2KeyUp();

    // --- service page ------------------------------------------------------------------
    void ComboBoxSerwisTonChange();
    void ComboBoxSerwisToffChange();

    // --- firmware page -----------------------------------------------------------------
    void ButtonFirmwareClick();
    void ButtonResetClick();
    void ButtonRFTD1Click();
    void ButtonOpenFirmFileClick();
    void ButtonTalkToBootClick();
    void ButtonSwitchToSaveClick();

    // --- diagnostics page --------------------------------------------------------------
    void ButtonEraseErrClick();

    // --- tester page -------------------------------------------------------------------
    void EditSerialKeyUp();

    // --- dashboard ---------------------------------------------------------------------
    // A work mode button.
    void modeButtonClick(const WorkModeChoice& choice);
    void ButtonSaveEepClick();
    // Shared by AbLEDErrMem, AbLEDWarP1, AbLEDWarP2 and AbLEDZapisDoPamieci.
    void AbLEDErrMemClick();

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
    // A cell's text in black, 1 pixel right of and below its corner.
    static void drawCellText(QPainter& painter, const StringGrid& grid, int column, int row, const QRect& rect);
    // Runs a hook the way its handler needs (an empty hook does nothing).
    void run(const MainWindowHooks::Action& hook, Procedure kind = Procedure::Short);
    void runLong(const MainWindowHooks::Action& hook) { run(hook, Procedure::Long); }

    AppContext& m_ctx;
    MainWindowHooks m_hooks;
    ProcedureRunner m_runner;

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
