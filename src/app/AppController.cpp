#include "app/AppController.h"

#include "app/AboutBox.h"
#include "app/LinkPanels.h"
#include "app/LinkStatusPanel.h"
#include "app/ChartsPage.h"
#include "app/MainWindow.h"
#include "app/pages/DashboardPanel.h"
#include "app/pages/DiagPage.h"
#include "app/pages/LanguageRegistry.h"
#include "app/pages/ParametersPage.h"
#include "app/ParameterEditorsGlue.h"
#include "app/ParameterFilesGlue.h"
#include "protocol/Wire.h"
#include "live/DashboardView.h"
#include "live/TesterCommands.h"
#include "live/UtcDate.h"
#include "params/GridPaint.h"
#include "params/ParamConstants.h"
#include "params/ParameterDisplay.h"
#include "params/ParameterEditor.h"
#include "params/ResetParameters.h"
#include "app/AppOptions.h"
#include "session/ConnectionBanner.h"
#include "widgets/LedIndicator.h"
#include "widgets/Meter270.h"
#include "widgets/StringGrid.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

#include <stdexcept>

namespace kdx {

namespace {

// Status frames after a mode button within which the controller is expected
// to report the new mode (about one second).
constexpr int kModeConfirmFrames = 10;

QString qs(const std::string& s) { return QString::fromStdString(s); }

} // namespace

AppController::AppController(AppContext& context, Tone& tone, std::vector<std::string> languageFallbacks)
    : m_ctx(context),
      m_session(context.session),
      m_image(m_session.image()),
      m_writer(m_session.writer()),
      m_commands(m_session.commands()),
      m_texts(context.texts),
      m_poller(m_session.poller()),
      m_decoder(m_session.decoder()),
      m_log(m_session.connectionLog()),
      m_tester(context.prompts, tone),
      m_languageFallbacks(std::move(languageFallbacks))
{
    m_writer.setOnRefused([this] { m_ctx.prompts.message(kMsgEditRefused); });
    m_session.setTexts([this](int key) { return m_texts.text(key); });
    m_session.setListener(this);
}

AppController::~AppController()
{
    m_session.setListener(nullptr);
    m_writer.setOnRefused({});
}

char AppController::decimalSeparator() { return ParameterEditorsGlue::decimalSeparator(); }

MainWindow& AppController::window() { return *m_window; }

void AppController::bind(MainWindow& w)
{
    if (m_window == &w)
        return;
    m_window = &w;
    m_tester.setResultDirectory(w.startDirectory().toStdString());
    m_testerPage = std::make_unique<TesterPage>(w.testerControls(), m_tester, [this](const TesterCommand& c) { sendTesterCommand(c); });
    m_params = std::make_unique<ParameterEditorsGlue>(w, m_image, m_writer, m_ctx.prompts, [this] {
        LiveMarkers markers;
        if (m_lastFrame) {
            markers.trigMapRow = m_lastFrame->trigMapRow();
            markers.pumpOnRow = m_lastFrame->pumpOnRow();
            markers.pumpStopCol = m_lastFrame->pumpStopCol();
            markers.pumpStopRow = m_lastFrame->pumpStopRow();
        }
        return markers;
    });
    FirmwarePage::Procedures procedures;
    procedures.autoConnect = [this] { m_session.autoConnect(); };
    procedures.candidatePorts = [this] { return m_session.candidatePorts(); };
    // A backup of the parameters before the controller is handed over.
    procedures.beforeUpgradeStarts = [this] { return !m_files || m_files->beforeUpgrade(); };
    procedures.afterUpgrade = [this] {
        if (m_files)
            m_files->afterUpgrade();
    };
    m_firmwarePage = std::make_unique<FirmwarePage>(
        w.firmwareControls(), m_ctx.session, m_ctx.prompts, std::move(procedures),
        chooseFirmwareFolder(w.startDirectory().toStdString(), m_languageFallbacks));
}

MainWindowHooks AppController::hooks()
{
    MainWindowHooks h;
    auto act = [this](auto fn) {
        return [this, fn](MainWindow& w) {
            bind(w);
            fn();
        };
    };
    h.autoConnect = act([this] { m_session.autoConnect(); });
    h.loadAllData = act([this] { m_session.loadAllData(); });
    h.readAll = act([this] { m_session.readAll(); });
    h.showAllData = act([this] {
        watchImage();
        showParameters(false);
    });
    h.saveEeprom = act([this] { m_writer.saveToEeprom(); });
    h.statusTick = act([this] { statusTick(); });
    h.loadLanguage = act([this] { loadLanguage(); });
    h.switchLanguage = [this](MainWindow& w, uint8_t code) {
        bind(w);
        switchLanguage(code);
    };
    h.setWorkMode = [this](MainWindow& w, uint8_t mode) {
        bind(w);
        setWorkMode(mode);
    };

    for (auto [slot, name] : std::initializer_list<std::pair<MainWindowHooks::Action MainWindowHooks::*, EditorId>>{
             {&MainWindowHooks::serwisTonChange, EditorId::SerwisOn},
             {&MainWindowHooks::serwisToffChange, EditorId::SerwisOff},
             {&MainWindowHooks::manualMinRpmP1Change, EditorId::ManualMinRpmP1},
             {&MainWindowHooks::manualMaxRpmP1Change, EditorId::ManualMaxRpmP1},
             {&MainWindowHooks::manualMinRpmP2Change, EditorId::ManualMinRpmP2},
             {&MainWindowHooks::manualMaxRpmP2Change, EditorId::ManualMaxRpmP2},
             {&MainWindowHooks::rpmInChange, EditorId::RpmInput},
             {&MainWindowHooks::anKompSettChange, EditorId::Comparator},
             {&MainWindowHooks::fuelTypeChange, EditorId::FuelType},
             {&MainWindowHooks::avFuelComsChange, EditorId::AverageConsumption}})
        h.*slot = act([this, name] { m_params->comboChosen(name); });

    for (auto [slot, name] : std::initializer_list<std::pair<MainWindowHooks::Action MainWindowHooks::*, EditorId>>{
             {&MainWindowHooks::manualMconstOnP1Enter, EditorId::ManualOnP1},
             {&MainWindowHooks::manualMconstOffP1Enter, EditorId::ManualOffP1},
             {&MainWindowHooks::manualMconstOnP2Enter, EditorId::ManualOnP2},
             {&MainWindowHooks::manualMconstOffP2Enter, EditorId::ManualOffP2},
             {&MainWindowHooks::minLevHEnter, EditorId::MinLevH},
             {&MainWindowHooks::minLevLEnter, EditorId::MinLevL},
             {&MainWindowHooks::generalDelayEnter, EditorId::GeneralDelay},
             {&MainWindowHooks::rpmDzielEnter, EditorId::RpmDivide},
             {&MainWindowHooks::maxHumEnter, EditorId::MaxHumidity},
             {&MainWindowHooks::autoMinTempEnter, EditorId::AutoMinTemp},
             {&MainWindowHooks::autoRpmUpTEnter, EditorId::AutoRpmUpTime},
             {&MainWindowHooks::auto2xShortOffEnter, EditorId::Auto2xShortOff}})
        h.*slot = act([this, name] { m_params->editEntered(name); });

    h.pump1ActiveClick = act([this] { m_params->checkClicked(EditorId::Pump1Active); });
    h.pump2ActiveClick = act([this] { m_params->checkClicked(EditorId::Pump2Active); });

    for (EditorId grid : {EditorId::ManualTrigMap, EditorId::AutoPumpOnMap, EditorId::AutoPumpStopMap}) {
        MainWindowHooks::Action click = act([this, grid] { m_params->gridClicked(grid); });
        MainWindowHooks::Action enter = act([this, grid] { m_params->gridEntered(grid); });
        MainWindowHooks::CellPaint paint = [this, grid](MainWindow& w, QPainter& p, int c, int r, const QRect& rect) {
            bind(w);
            m_params->paintMapCell(grid, p, c, r, rect);
        };
        if (grid == EditorId::ManualTrigMap) {
            h.manualTrigMapClick = click;
            h.manualTrigMapEnter = enter;
            h.manualTrigMapDrawCell = paint;
        } else if (grid == EditorId::AutoPumpOnMap) {
            h.autoPumpOnClick = click;
            h.autoPumpOnEnter = enter;
            h.autoPumpOnDrawCell = paint;
        } else {
            h.autoPumpStopClick = click;
            h.autoPumpStopEnter = enter;
            h.autoPumpStopDrawCell = paint;
        }
    }
    h.pcIdDrawCell = [this](MainWindow& w, QPainter& p, int c, int r, const QRect& rect) {
        bind(w);
        paintLogCell(p, c, r, rect);
    };
    h.serialEnter = act([this] { m_testerPage->serialEntered(m_ctx.state.connected); });
    h.setDefault = act([this] { setDefaults(); });
    h.eraseErrors = act([this] { m_commands.eraseErrors(); });
    h.diagLampClick = act([this] { window().showPage(window().diagTab()); });
    h.firmwareUpgrade = act([this] { m_firmwarePage->upgrade(); });
    h.aboutFacts = [this](MainWindow&, AboutFacts& facts) {
        if (m_ctx.state.parametersLoaded)
            facts.serialNumber = m_image.serialNumber();
        if (m_language)
            facts.languageFile = qs(m_language->lastLanguageFile());
    };
    h.saveToDisk = act([this] { m_files->saveToDisk(); });
    h.loadToEcu = act([this] { m_files->loadToEcu(); });
    h.addMenuItems = [this](MainWindow& w) {
        bind(w);
        m_files = std::make_unique<ParameterFilesGlue>(
            w, ParameterFilesGlue::Deps{m_ctx, m_image, m_writer, [this] { return readAllChecked(); },
                                        [this](const std::string& text) { statusText(text); },
                                        versionText()});
    };
    return h;
}

// --- connection ----------------------------------------------------------------------

void AppController::pollingEnabled(bool enabled)
{
    QTimer* t = window().timer1();
    if (enabled)
        t->start();
    else
        t->stop();
}

void AppController::connected(uint8_t hardwareVersion, uint8_t softwareVersion, uint8_t softwareRevision,
                              std::optional<uint32_t> serialNumber)
{
    const std::string caption = serialNumber
        ? connectionBanner(hardwareVersion, softwareVersion, softwareRevision, *serialNumber)
        : connectionBannerUnread(hardwareVersion, softwareVersion, softwareRevision);
    window().setWindowTitle(qs(caption));
}

void AppController::progress(int position, int maximum)
{
    QProgressBar* bar = window().dashboard().progress();
    bar->setMaximum(maximum);
    bar->setValue(position);
}

void AppController::pollRestarted(const std::optional<TickResult::SaveLamp>& lamp)
{
    if (lamp)
        applySaveLamp(*lamp);
    // Every connection search and every dropped link start here: a running
    // test cannot know which board answers next.
    if (m_testerPage)
        m_testerPage->connectionSearch();
}

void AppController::watchImage()
{
    if (const auto lamp = m_poller.watchImage())
        applySaveLamp(*lamp);
}

void AppController::applySaveLamp(const TickResult::SaveLamp& lamp)
{
    LedIndicator* led = window().dashboard().savingLamp();
    led->setOn(lamp.on);
    led->setCaption(qs(lamp.caption));
}

void AppController::showConnectionLog()
{
    const auto rows = m_log.show(m_ctx.state.pcIdentity);
    StringGrid* grid = window().parametersPage().connectionLog;
    for (size_t i = 0; i < rows.size(); ++i) {
        grid->setCell(0, static_cast<int>(i) + 1, qs(rows[i].date));
        grid->setCell(1, static_cast<int>(i) + 1, qs(rows[i].identity));
    }
    grid->viewport()->update();
}

// After each complete read.
void AppController::imageLoaded()
{
    showConnectionLog();
    showParameters(true);
}

void AppController::showParameters(bool afterRead)
{
    const ParameterView view = ParameterDisplay::showAllData(m_image, decimalSeparator());
    m_params->applyShown(view.updates);
    repaintMapGrids();
    if (afterRead) {
        if (!view.markerMessageDue) {
            m_markerShownFor.reset();
        } else if (m_markerShownFor != m_image.serialNumber()) {
            m_markerShownFor = m_image.serialNumber();
            m_ctx.prompts.message(params::kNewEcuMessage);
        }
    }
    m_poller.syncShadow();
}

bool AppController::readAllChecked()
{
    m_session.readAll();
    return m_ctx.state.connected;
}

void AppController::statusText(const std::string& text)
{
    if (text.empty())
        window().statusBar()->clearMessage();
    else
        window().statusBar()->showMessage(qs(text));
}

void AppController::tryingPort(const std::string& deviceName)
{
    window().linkPanel().tryingPort(deviceName);
}

void AppController::searchStarted()
{
    window().linkPanel().searchStarted();
}

void AppController::searchEnded(const SearchOutcome& outcome)
{
    window().linkPanel().searchEnded(outcome);
}

void AppController::linkLost()
{
    if (m_window)
        window().linkPanel().linkLost();
}

// --- status polling ---------------------------------------------------------------------

void AppController::statusTick()
{
    const TickResult r = m_session.tick();
    // A minimised window is not kept up to date frame by frame; it shows the
    // latest frame as soon as it is back.
    const bool minimised = window().isMinimized();
    if (m_viewBehind && !minimised && m_lastFrame && !r.frame) {
        m_viewBehind = false;
        applyDashboard(
            m_decoder.decode(*m_lastFrame, m_ctx.state.hardwareVersion, std::string(1, decimalSeparator())));
        repaintMapGrids();
    }
    if (r.saveLamp)
        applySaveLamp(*r.saveLamp);
    if (r.counter)
        window().parametersPage().counter(r.counter->label)->setText(qs(r.counter->text));
    if (r.frame) {
        m_lastFrame = *r.frame;
        m_viewBehind = minimised;
        if (!minimised) {
            applyDashboard(
                m_decoder.decode(*r.frame, m_ctx.state.hardwareVersion, std::string(1, decimalSeparator())));
            repaintMapGrids();
        }
        m_testerPage->frame(*r.frame, m_ctx.clock.nowMs(), imageSerialNumber(m_image.bytes()));
    }
    m_testerPage->tick(m_ctx.clock.nowMs());
    window().linkPanel().afterTick(r.frame.has_value());
    // The device hung up: a running test cannot go on without it.
    if (!m_ctx.state.connected && m_testerPage)
        m_testerPage->connectionSearch();
    window().charts()->onTick(r, m_image.serialNumber());
}

void AppController::applyDashboard(const DashboardView& v)
{
    MainWindow& w = window();
    w.dashboard().apply(v);
    w.diagPage().apply(v);

    QTabWidget* pages = w.pageControl();
    for (size_t i = 0; i < kModePageCount; ++i) {
        const auto which = static_cast<ModePage>(i);
        QWidget* page = w.modePage(which);
        // Only on a change: the tab widget lays out and repaints the whole
        // page area on every call, ten frames a second.
        const int index = pages->indexOf(page);
        if (pages->isTabVisible(index) != v.modePageVisible[i])
            pages->setTabVisible(index, v.modePageVisible[i]);
        if (m_requestedPage == which && v.modePageVisible[i]) {
            pages->setCurrentWidget(page);
            m_requestedPage.reset();
        }
    }
    if (m_requestedPage && ++m_requestFrames > kModeConfirmFrames)
        m_requestedPage.reset();
}

void AppController::repaintMapGrids() { m_params->repaintMapGrids(); }

void AppController::paintLogCell(QPainter& p, int column, int row, const QRect& rect)
{
    if (const auto colour = m_log.cellColour(row))
        p.fillRect(rect, QColor(colour->r, colour->g, colour->b));
    p.setPen(Qt::black);
    p.drawText(rect.adjusted(1, 1, 0, 0), Qt::AlignLeft | Qt::AlignTop,
               window().parametersPage().connectionLog->cell(column, row));
}

void AppController::setWorkMode(uint8_t mode)
{
    m_commands.setWorkMode(m_image, mode);
    const WorkModeChoice* choice = workModeChoice(mode);
    m_requestedPage = choice ? choice->page : std::nullopt;
    // Off brings up the parameters.
    window().showPage(m_requestedPage ? window().modePage(*m_requestedPage) : window().parameterPage());
    m_requestFrames = 0;
}

void AppController::setDefaults()
{
    if (m_files && !m_files->confirmReset())
        return;
    const ResetOutcome out = ResetParameters::run(m_image, m_writer, m_ctx.clock,
                                                  [this](int position, int maximum) { setProgress(position, maximum); });
    if (!out.completed && !out.report.empty()) {
        // The line went: no reconnect into a dead port; the link watch
        // notices the loss and waits for the adapter.
        setProgress(0, 1);
        const std::string backup = m_files ? m_files->lastBackup() : std::string();
        m_ctx.prompts.message(out.report + (backup.empty() ? std::string() : "\nBackup: " + backup));
        return;
    }
    m_session.autoConnect();
}

// --- tester -----------------------------------------------------------------------------------

void AppController::sendTesterCommand(const TesterCommand& c) { kdx::sendTesterCommand(c, m_commands, m_image); }

// --- language -----------------------------------------------------------------------------------

LinkCounts AppController::linkCounts() const
{
    return {m_poller.crcErrorCount(), m_poller.badPacketCount(), m_poller.lostPacketCount()};
}

void AppController::loadLanguage()
{
    if (!m_language)
        m_language = std::make_unique<LanguageSwitcher>(m_texts, window().languageTexts(), window().startDirectory().toStdString(),
                                                        m_languageFallbacks);
    m_language->loadLanguage(linkCounts());
    if (ChartsGlue* charts = ChartsGlue::of(window()))
        charts->retranslate(&m_texts);
}

void AppController::switchLanguage(uint8_t code)
{
    if (!m_language)
        loadLanguage();
    watchImage();
    m_language->switchLanguage(code, linkCounts());
    if (ChartsGlue* charts = ChartsGlue::of(window()))
        charts->retranslate(&m_texts);
    showParameters(false);
    // Texts composed from the language texts (pump and system lamps,
    // measurements, the diagnostic rows) follow at once, not with the next
    // frame, which never comes while the controller is away.
    if (m_lastFrame)
        applyDashboard(m_decoder.decode(*m_lastFrame, m_ctx.state.hardwareVersion, std::string(1, decimalSeparator())));
    applySaveLamp(m_poller.saveLamp()); // its caption in the new language at once
}


} // namespace kdx
