#include "app/MainWindow.h"

#include "app/AboutBox.h"
#include "app/AppOptions.h"
#include "app/ChartsPage.h"
#include "app/FirmwarePage.h"
#include "app/ParameterEditorsGlue.h"
#include "app/ParameterFilesGlue.h"
#include "app/TesterPage.h"
#include "app/WindowSession.h"
#include "app/FileDialogSettings.h"
#include "app/InputGuard.h"
#include "app/LinkPanels.h"
#include "app/LinkStatusPanel.h"
#include "app/MenuStyle.h"
#include "app/PageCanvas.h"
#include "app/PageControl.h"
#include "app/pages/AutoPage.h"
#include "app/pages/DashboardPanel.h"
#include "app/pages/DiagPage.h"
#include "app/pages/EditorWiring.h"
#include "app/pages/FirmwareControls.h"
#include "app/pages/LanguageRegistry.h"
#include "app/pages/ManualConstPage.h"
#include "app/pages/ManualTrigPage.h"
#include "app/pages/ParametersPage.h"
#include "app/pages/SerwisPage.h"
#include "app/pages/TesterControls.h"
#include "i18n/LanguageChoice.h"
#include "i18n/LanguageSwitcher.h"
#include "live/TesterCommands.h"
#include "params/ResetParameters.h"
#include "link/PcIdentity.h"
#include "widgets/EnterKeyWatch.h"
#include "widgets/LedIndicator.h"
#include "widgets/StringGrid.h"

#include <QPainter>

#include <QAction>
#include <QApplication>
#include <QActionGroup>
#include <QHeaderView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTextEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace kdx {

namespace {

// Status frames after a mode button within which the controller is expected
// to report the new mode (about one second).
constexpr int kModeConfirmFrames = 10;

// The window's texts before any language file is read.
const char* const kCaption = "KDX RQ412 - KDX \"WERSJA WYSTAWOWA\"";

struct PageInfo {
    const char* name;
    const char* caption;
    std::optional<ModePage> mode; // a page that follows the work mode
    int textKey;                  // of its tab's caption; 0 when no language names it
};
// Tab order of the pages.
const PageInfo kPages[] = {
    {"TabSheetPar", "parametry", std::nullopt, 100001},
    {"TabSheetAuto", "automat", ModePage::Auto, 100002},
    {"TabSheetManualTrig", "manual trigger", ModePage::ManualTrig, 100003},
    {"TabSheetManualConst", "manual const", ModePage::ManualConst, 100004},
    {"TabSheetSerwis", "serwis", ModePage::Serwis, 100005},
    {"TabSheetErr", "errors", std::nullopt, 0},
    {"TabSheetUpg", "firmware upgreade", std::nullopt, 100006},
    {"TabSheetDiag", "diag", std::nullopt, 100007},
    {"TabSheetTester", "test", std::nullopt, 0},
};

// Language keys of the menu bar's menus and items.
constexpr int kKeyFileMenu = 102001;
constexpr int kKeyAutoConnect = 102002;
constexpr int kKeyLoadToEcu = 102003;
constexpr int kKeySaveToDisk = 102004;
constexpr int kKeyExit = 102005;
constexpr int kKeyLanguageMenu = 102006;
constexpr int kKeyEnglish = 102007;
constexpr int kKeyPolish = 102008;
constexpr int kKeyGerman = 102009;
constexpr int kKeyRussian = 102010;
constexpr int kKeyHelpMenu = 102014;
constexpr int kKeyAbout = 102015;

} // namespace

MainWindow::MainWindow(AppContext& context, Tone& tone, std::vector<std::string> languageFallbacks, QWidget* parent)
    : QMainWindow(parent), m_ctx(context), m_runner(context.busy), m_languageFallbacks(std::move(languageFallbacks)),
      m_tone(tone)
{
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QString::fromUtf8(kCaption));
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(9);
    setFont(f);
    resize(kOuterWidth, kOuterHeight);
    // Below this the pages and the dashboard scroll; nothing overlaps.
    setMinimumSize(kMinWidth, kMinHeight);
    m_inputGuard = new InputGuard(m_ctx.busy, this);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(static_cast<int>(wire::kTimerIntervalMs));

    // Dialog settings; the firmware dialog itself is opened through the prompts.
    m_saveDialog1 = new FileDialogSettings("SaveDialog1", this);
    m_saveDialog1->nameFilter = QStringLiteral("Parameter file (*.kdx)");
    m_saveDialog1->defaultSuffix = QStringLiteral("kdx");
    m_openDialog1 = new FileDialogSettings("OpenDialog1", this);
    m_openDialog2 = new FileDialogSettings("OpenDialog2", this);
    m_openDialog2->nameFilter = QStringLiteral("Hex file (*.hex)");
    m_openDialog2->defaultSuffix = QStringLiteral("hex");

    buildPages(); // the language registry the menu registers in comes with the pages
    buildMenu();

    FormCreate();
    connectHandlers();
    // The parameter files add their items to the File menu.
    m_files = std::make_unique<ParameterFilesGlue>(
        *this, ParameterFilesGlue::Deps{m_ctx, m_ctx.session.image(), m_ctx.session.writer(),
                                        [this] {
                                            m_ctx.session.readAll();
                                            return m_ctx.state.connected;
                                        },
                                        [this](const std::string& text) { m_sessionView->statusText(text); },
                                        versionText()});
    if (m_ctx.options.tester)
        m_pageControl->setTabVisible(m_pageControl->indexOf(m_testerTab), true);

    m_linkPanel = installLinkPanels(*this, m_ctx, m_ctx.session.poller());
    m_sessionView = std::make_unique<WindowSession>(*this, m_ctx, *m_editors, *m_testerPage);
    connect(m_timer1, &QTimer::timeout, this, &MainWindow::Timer1Timer);
    m_timer1->start();
}

MainWindow::~MainWindow()
{
    // The session outlives the window: nothing of the window may be reached
    // from it any more.
    m_sessionView.reset();
    m_ctx.session.writer().setOnRefused({});
}

void MainWindow::buildGlue()
{
    DeviceSession& session = m_ctx.session;
    session.writer().setOnRefused([this] { m_ctx.prompts.message(kMsgEditRefused); });
    session.setTexts([&texts = m_ctx.texts](int key) { return texts.text(key); });

    m_testerProcedure = std::make_unique<Tester>(m_ctx.prompts, m_tone);
    m_testerProcedure->setResultDirectory(m_startDirectory.toStdString());
    m_testerPage = std::make_unique<TesterPage>(*m_tester, *m_testerProcedure, [this](const TesterCommand& c) {
        sendTesterCommand(c, m_ctx.session.commands(), m_ctx.session.image());
    });
    m_editors = std::make_unique<ParameterEditorsGlue>(
        *this, session.image(), session.writer(), m_ctx.prompts,
        [this] { return m_sessionView ? m_sessionView->markers() : LiveMarkers{}; });

    FirmwarePage::Procedures procedures;
    procedures.autoConnect = [this] { m_ctx.session.autoConnect(); };
    procedures.candidatePorts = [this] { return m_ctx.session.candidatePorts(); };
    // A backup of the parameters before the controller is handed over.
    procedures.beforeUpgradeStarts = [this] { return m_files->beforeUpgrade(); };
    procedures.afterUpgrade = [this] { m_files->afterUpgrade(); };
    m_firmwarePage = std::make_unique<FirmwarePage>(
        *m_firmware, session, m_ctx.prompts, std::move(procedures),
        chooseFirmwareFolder(m_startDirectory.toStdString(), m_languageFallbacks));
}

// ---------------------------------------------------------------------------
// Structure

void MainWindow::buildMenu()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    // Captions carry Alt mnemonics ("&File" shows as File, Alt+F opens it).
    QMenu* file = m_fileMenu = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    // "AutoConnect [F10]" names its key already; the key column stays empty.
    file->setStyle(new MenuStyle(file));
    m_autoConnect1 = file->addAction(QStringLiteral("&AutoConnect [F10]"));
    m_autoConnect1->setObjectName(QStringLiteral("AutoConnect1"));
    m_autoConnect1->setShortcutContext(Qt::WindowShortcut);
    QAction* open = file->addAction(QStringLiteral("&Load to ECU"));
    open->setObjectName(QStringLiteral("Open1"));
    QAction* save = file->addAction(QStringLiteral("&Save To Disk"));
    save->setObjectName(QStringLiteral("SaveToDisc1"));
    file->addSeparator();
    QAction* exit = m_exit1 = file->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("Exit1"));

    QMenu* language = bar->addMenu(QStringLiteral("&Language"));
    language->setObjectName(QStringLiteral("Language1"));
    auto* languages = new QActionGroup(language);
    QAction* english = language->addAction(QStringLiteral("&English"));
    english->setObjectName(QStringLiteral("English1"));
    QAction* polish = language->addAction(QStringLiteral("&Polish"));
    polish->setObjectName(QStringLiteral("Polski1"));
    QAction* russian = language->addAction(QStringLiteral("&Russian"));
    russian->setObjectName(QStringLiteral("Russian1"));
    russian->setVisible(false);
    QAction* german = language->addAction(QStringLiteral("&German"));
    german->setObjectName(QStringLiteral("German1"));
    m_languageActions = {english, polish, russian, german};
    for (QAction* a : m_languageActions) {
        a->setCheckable(true);
        languages->addAction(a);
    }

    QMenu* helpMenu = bar->addMenu(QStringLiteral("&Help"));
    helpMenu->setObjectName(QStringLiteral("Help1Menu"));
    QAction* help = m_help1 = helpMenu->menuAction();
    help->setObjectName(QStringLiteral("Help1"));
    QAction* about = helpMenu->addAction(QStringLiteral("&About"));
    about->setObjectName(QStringLiteral("About1"));

    const std::pair<int, QObject*> texts[] = {
        {kKeyFileMenu, file},       {kKeyAutoConnect, m_autoConnect1}, {kKeyLoadToEcu, open},
        {kKeySaveToDisk, save},     {kKeyExit, exit},                  {kKeyLanguageMenu, language},
        {kKeyEnglish, english},     {kKeyPolish, polish},              {kKeyGerman, german},
        {kKeyRussian, russian},     {kKeyHelpMenu, helpMenu},          {kKeyAbout, about},
    };
    for (const auto& [key, target] : texts)
        m_texts->add(key, target);

    connect(m_autoConnect1, &QAction::triggered, this, &MainWindow::AutoConnect1Click);
    connect(open, &QAction::triggered, this, &MainWindow::Open1Click);
    connect(save, &QAction::triggered, this, &MainWindow::SaveToDisc1Click);
    connect(exit, &QAction::triggered, this, &MainWindow::Exit1Click);
    connect(english, &QAction::triggered, this, &MainWindow::English1Click);
    connect(polish, &QAction::triggered, this, &MainWindow::Polski1Click);
    connect(russian, &QAction::triggered, this, &MainWindow::Russian1Click);
    connect(german, &QAction::triggered, this, &MainWindow::German1Click);
    connect(about, &QAction::triggered, this, &MainWindow::Help1Click);
}

void MainWindow::buildPages()
{
    auto* central = new QWidget(this);
    auto* row = new QHBoxLayout(central);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    m_pageControl = new PageControl(central);
    m_pageControl->setObjectName(QStringLiteral("PageControl1"));
    m_pageControl->setDocumentMode(true); // flat tabs
    // Long translated captions must not widen the window: past its width the
    // tab row scrolls instead (the visible tabs normally fit).
    m_pageControl->setUsesScrollButtons(true);
    m_texts = std::make_unique<LanguageRegistry>(*m_pageControl, m_ctx.prompts);
    std::map<std::string, QWidget*> tabs;
    for (const PageInfo& info : kPages) {
        auto* page = new QWidget;
        page->setObjectName(QString::fromLatin1(info.name));
        m_pageControl->addTab(page, QString::fromUtf8(info.caption));
        if (info.mode)
            m_modePages[static_cast<size_t>(*info.mode)] = page;
        tabs[info.name] = page;
        if (info.textKey)
            m_texts->add(info.textKey, page);
    }
    m_parameterPage = tabs.at("TabSheetPar");
    m_errorsPage = tabs.at("TabSheetErr");
    m_diagTab = tabs.at("TabSheetDiag");
    m_testerTab = tabs.at("TabSheetTester");
    m_firmwareTab = tabs.at("TabSheetUpg");
    m_pageControl->setTabVisible(m_pageControl->indexOf(m_errorsPage), false);
    m_pageControl->setCurrentWidget(m_parameterPage);
    row->addWidget(m_pageControl, 1);

    m_panel4 = new QFrame(central);
    m_panel4->setObjectName(QStringLiteral("Panel4"));
    m_panel4->setFrameShape(QFrame::StyledPanel);
    row->addWidget(m_panel4);
    setCentralWidget(central);

    // Each page's controls sit on a canvas that scrolls when the window is
    // smaller than they need.
    auto canvas = [&tabs](const char* page) { return PageCanvas::wrap(tabs.at(page)); };
    m_parameters = std::make_unique<ParametersPage>(canvas("TabSheetPar"), *m_texts);
    m_auto = std::make_unique<AutoPage>(canvas("TabSheetAuto"), *m_texts);
    m_manualTrig = std::make_unique<ManualTrigPage>(canvas("TabSheetManualTrig"), *m_texts);
    m_manualConst = std::make_unique<ManualConstPage>(canvas("TabSheetManualConst"), *m_texts);
    m_serwis = std::make_unique<SerwisPage>(canvas("TabSheetSerwis"), *m_texts);
    m_firmware = std::make_unique<FirmwareControls>(canvas("TabSheetUpg"), *m_texts);
    m_diag = std::make_unique<DiagPage>(canvas("TabSheetDiag"), *m_texts);
    m_tester = std::make_unique<TesterControls>(canvas("TabSheetTester"));
    PageCanvas* dashboard = PageCanvas::wrapColumn(m_panel4, kPanelWidth, kPanelGrowFromWidth, kPanelMaxWidth);
    m_dashboard = std::make_unique<DashboardPanel>(dashboard, kPanelWidth);
    // On a large screen the meter, lamps and figures grow, to be read from
    // beside the vehicle.
    dashboard->enableZoom(kPanelMaxZoom, kPanelFootPx);
    m_dashboard->registerTexts(*m_texts);
    m_charts = addChartsPage(*this);

    // Extra room goes to the logs and the grids (whose cells grow, within
    // limits); the editors keep their size and the footer stays at the
    // bottom. The connection log has editors below it: it only widens.
    auto anchor = [](QWidget* w, int anchors) { PageCanvas::of(w)->anchor(w, anchors); };
    anchor(m_parameters->connectionLog, PageCanvas::GrowRight);
    anchor(m_manualTrig->map, PageCanvas::GrowRight | PageCanvas::GrowDown);
    anchor(m_diag->values(), PageCanvas::GrowRight | PageCanvas::GrowDown);
    anchor(m_parameters->footer, PageCanvas::StickDown);
    anchor(m_firmware->log, PageCanvas::GrowRight | PageCanvas::GrowDown);
    anchor(m_firmware->progress, PageCanvas::GrowRight);
    anchor(m_tester->log, PageCanvas::GrowRight | PageCanvas::GrowDown);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::connectHandlers()
{
    auto click = [this](QAbstractButton* b, void (MainWindow::*handler)()) {
        connect(b, &QAbstractButton::clicked, this, handler);
    };
    const ParametersPage& par = *m_parameters;
    click(par.connectButton, &MainWindow::ButtonAutoconnectClick);
    click(par.loadAllData, &MainWindow::ButtonLoadAllDataClick);
    click(par.readAll, &MainWindow::ButtonReadParClick);
    click(par.showAllData, &MainWindow::ButtonWyswParClick);
    click(par.setDefaults, &MainWindow::ButtonSetDefaultClick);
    click(m_firmware->upgrade, &MainWindow::ButtonFirmwareClick);
    click(m_firmware->reset, &MainWindow::ButtonResetClick);
    click(m_firmware->riseFromTheDead, &MainWindow::ButtonRFTD1Click);
    click(m_firmware->openFile, &MainWindow::ButtonOpenFirmFileClick);
    click(m_firmware->talkToBoot, &MainWindow::ButtonTalkToBootClick);
    click(m_firmware->switchToSave, &MainWindow::ButtonSwitchToSaveClick);

    // The pages tie their own controls to the editors and the commands.
    m_enterWatch = new EnterKeyWatch(this);
    const EditorWiring editors(*m_editors, *m_enterWatch, m_runner);
    ControllerCommands& commands = m_ctx.session.commands();
    m_parameters->bind(editors, m_ctx.session.connectionLog());
    m_auto->bind(editors);
    m_manualTrig->bind(editors);
    m_manualConst->bind(editors);
    m_serwis->bind(commands, m_runner, editors);
    m_diag->bind(commands, m_runner);
    m_enterWatch->watch(m_tester->serialEdit, [this] { EditSerialKeyUp(); });

    for (const WorkModeChoice& choice : kWorkModeChoices)
        connect(m_dashboard->modeButton(choice.button), &QAbstractButton::clicked, this,
                [this, &choice] { modeButtonClick(choice); });
    connect(m_dashboard->saveEepromButton(), &QAbstractButton::clicked, this, &MainWindow::ButtonSaveEepClick);
    for (LedIndicator* led : {m_dashboard->memoryErrorLamp(), m_diag->pumpWarning(1), m_diag->pumpWarning(2),
                              m_dashboard->savingLamp()})
        connect(led, &LedIndicator::clicked, this, &MainWindow::AbLEDErrMemClick);
}

void MainWindow::showPage(QWidget* page)
{
    const int index = m_pageControl->indexOf(page);
    // The empty "errors" page is never offered.
    if (index < 0 || page == m_errorsPage)
        return;
    m_pageControl->setTabVisible(index, true);
    m_pageControl->setCurrentIndex(index);
}

// ---------------------------------------------------------------------------
// Window events

void MainWindow::FormCreate()
{
    BusyScope busy(m_ctx.busy);
    // 1. The production tester page is not offered from the tabs.
    m_pageControl->setTabVisible(m_pageControl->indexOf(m_testerTab), false);
    // 2. Candidate ports COM1..COM256, marks cleared.
    m_ctx.ports.build();
    // 3. This PC's identity for the controller's connection log.
    m_ctx.state.pcIdentity = readPcIdentity();
    // 4. The menu's shortcut is the key held by the hot key control (F10).
    m_autoConnect1->setShortcut(m_parameters->connectKey->keySequence());
    // The grid headings are the pages' own; a language file may replace them.
    // 7, 8. Folders below the start directory.
    m_startDirectory = QDir::currentPath();
    m_parameterFolder = m_startDirectory + QStringLiteral("/parametry");
    m_saveDialog1->directory = m_parameterFolder;
    m_firmwareFolder = m_startDirectory + QStringLiteral("/Firmware");
    m_openDialog2->directory = m_firmwareFolder;
    // The pages' glue works in those folders.
    buildGlue();
    // 9. Texts of the chosen language.
    loadLanguage();
    markLanguage();
    // 10. The automatic mode's settings are kept but nothing shows them.
    m_auto->hideUnshown();
}

void MainWindow::FormClose()
{
    if (m_closed)
        return;
    m_closed = true;
    // No tick may run during the teardown; nothing is sent to the controller.
    m_timer1->stop();
    m_ctx.link.closePort();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_placed)
        return;
    m_placed = true;
    // The design size is the outer size, frame included; centre on the
    // screen. A smaller screen (or a large scale factor) gets a window that
    // fits it: the pages scroll.
    const QSize frame = frameGeometry().size() - geometry().size();
    QSize outer(kOuterWidth, kOuterHeight);
    if (QScreen* s = screen())
        outer = outer.boundedTo(s->availableGeometry().size());
    resize((outer - frame).expandedTo(minimumSize()));
    if (QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        move(area.center() - QPoint(outer.width() / 2, outer.height() / 2));
    }
}

// ---------------------------------------------------------------------------
// Handlers

void MainWindow::Timer1Timer()
{
    // Never inside a handler, a modal box or a protocol pause, and idle
    // until a controller is connected. A held tick is a pause of the
    // polling, named so that the gap it leaves is not taken for a lost link.
    if (m_ctx.busy.busy()) {
        m_ctx.gaps.paused(QApplication::activeModalWidget() ? GapCause::Pause::Dialog
                                                            : GapCause::Pause::Operation);
        if (m_linkPanel)
            m_linkPanel->tickHeld();
        return;
    }
    if (!m_ctx.state.connected)
        return;
    m_runner.runShort([this] { m_sessionView->tick(); });
}

void MainWindow::AutoConnect1Click() { m_runner.runLong([this] { m_ctx.session.autoConnect(); }); }
void MainWindow::ButtonAutoconnectClick() { AutoConnect1Click(); }

void MainWindow::Open1Click() { m_runner.runLong([this] { m_files->loadToEcu(); }); }
void MainWindow::SaveToDisc1Click() { m_runner.runLong([this] { m_files->saveToDisk(); }); }
// Hidden, and does nothing: the check mark stays on the language in use.
void MainWindow::Russian1Click() { markLanguage(); }

// Closes the window as its own close control does: nothing is sent.
void MainWindow::Exit1Click() { close(); }

AboutFacts MainWindow::aboutFacts()
{
    AboutFacts facts;
    facts.state = m_ctx.state;
    facts.parameterFolder = m_parameterFolder;
    facts.firmwareFolder = m_firmwareFolder;
    facts.texts = &m_ctx.texts;
    if (m_ctx.state.parametersLoaded)
        facts.serialNumber = m_ctx.session.image().serialNumber();
    if (m_language)
        facts.languageFile = QString::fromStdString(m_language->lastLanguageFile());
    return facts;
}

void MainWindow::Help1Click()
{
    const AboutFacts facts = aboutFacts();
    m_runner.runShort([&] {
        AboutBox box(facts, this);
        box.exec();
    });
}

void MainWindow::markLanguage()
{
    // The loader reads lan.txt where the process stands; a missing file is English.
    const auto code = readLanguageCode("lan.txt");
    const uint8_t codes[] = {kLanguageEnglish, kLanguagePolish, kLanguageRussian, kLanguageGerman};
    for (size_t i = 0; i < m_languageActions.size(); ++i)
        m_languageActions[i]->setChecked(code && *code == codes[i]);
}

LinkCounts MainWindow::linkCounts() const
{
    const StatusPoller& poller = m_ctx.session.poller();
    return {poller.crcErrorCount(), poller.badPacketCount(), poller.lostPacketCount()};
}

void MainWindow::loadLanguage()
{
    m_language = std::make_unique<LanguageSwitcher>(m_ctx.texts, *m_texts, m_startDirectory.toStdString(),
                                                    m_languageFallbacks);
    m_language->loadLanguage(linkCounts());
    m_charts->retranslate(&m_ctx.texts);
}

void MainWindow::switchLanguage(uint8_t code)
{
    m_sessionView->watchImage();
    m_language->switchLanguage(code, linkCounts());
    m_charts->retranslate(&m_ctx.texts);
    m_sessionView->languageChanged();
    emit languageSwitched();
}

void MainWindow::English1Click()
{
    m_runner.runShort([this] { switchLanguage(kLanguageEnglish); });
    markLanguage();
}

void MainWindow::Polski1Click()
{
    m_runner.runShort([this] { switchLanguage(kLanguagePolish); });
    markLanguage();
}

void MainWindow::German1Click()
{
    m_runner.runShort([this] { switchLanguage(kLanguageGerman); });
    markLanguage();
}

void MainWindow::ButtonLoadAllDataClick() { m_runner.runLong([this] { m_ctx.session.loadAllData(); }); }
void MainWindow::ButtonReadParClick() { m_runner.runLong([this] { m_ctx.session.readAll(); }); }

void MainWindow::ButtonWyswParClick()
{
    m_runner.runShort([this] {
        m_sessionView->watchImage();
        m_sessionView->showParameters(false);
    });
}

void MainWindow::ButtonSaveEepClick() { m_runner.runShort([this] { m_ctx.session.writer().saveToEeprom(); }); }
void MainWindow::ButtonSetDefaultClick() { m_runner.runLong([this] { setDefaults(); }); }

void MainWindow::setDefaults()
{
    if (!m_files->confirmReset())
        return;
    const ResetOutcome out = ResetParameters::run(
        m_ctx.session.image(), m_ctx.session.writer(), m_ctx.clock,
        [this](int position, int maximum) { m_sessionView->progress(position, maximum); });
    if (!out.completed && !out.report.empty()) {
        // The line went: no reconnect into a dead port; the link watch
        // notices the loss and waits for the adapter.
        m_sessionView->progress(0, 1);
        const std::string& backup = m_files->lastBackup();
        m_ctx.prompts.message(out.report + (backup.empty() ? std::string() : "\nBackup: " + backup));
        return;
    }
    m_ctx.session.autoConnect();
}

void MainWindow::ButtonFirmwareClick() { m_runner.runLong([this] { m_firmwarePage->upgrade(); }); }
// These controls of the firmware page carry no action.
void MainWindow::ButtonResetClick() {}
void MainWindow::ButtonRFTD1Click() {}
void MainWindow::ButtonOpenFirmFileClick() {}
void MainWindow::ButtonTalkToBootClick() {}
void MainWindow::ButtonSwitchToSaveClick() {}

void MainWindow::EditSerialKeyUp()
{
    m_runner.runShort([this] { m_testerPage->serialEntered(m_ctx.state.connected); });
}

void MainWindow::modeButtonClick(const WorkModeChoice& choice)
{
    m_runner.runShort([&] {
        m_ctx.session.commands().setWorkMode(m_ctx.session.image(), choice.mode);
        m_requestedPage = choice.page;
        // Off brings up the parameters.
        showPage(m_requestedPage ? modePage(*m_requestedPage) : m_parameterPage);
        m_requestFrames = 0;
    });
}

void MainWindow::followWorkMode(const DashboardView& view)
{
    for (size_t i = 0; i < kModePageCount; ++i) {
        const auto which = static_cast<ModePage>(i);
        QWidget* page = modePage(which);
        // Only on a change: the tab widget lays out and repaints the whole
        // page area on every call, ten frames a second.
        const int index = m_pageControl->indexOf(page);
        if (m_pageControl->isTabVisible(index) != view.modePageVisible[i])
            m_pageControl->setTabVisible(index, view.modePageVisible[i]);
        if (m_requestedPage == which && view.modePageVisible[i]) {
            m_pageControl->setCurrentWidget(page);
            m_requestedPage.reset();
        }
    }
    if (m_requestedPage && ++m_requestFrames > kModeConfirmFrames)
        m_requestedPage.reset();
}

void MainWindow::AbLEDErrMemClick() { m_runner.runShort([this] { showPage(m_diagTab); }); }

} // namespace kdx
