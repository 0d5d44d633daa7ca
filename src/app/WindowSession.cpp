#include "app/WindowSession.h"

#include "app/ChartsPage.h"
#include "app/LinkStatusPanel.h"
#include "app/MainWindow.h"
#include "app/ParameterEditorsGlue.h"
#include "app/TesterPage.h"
#include "app/pages/DashboardPanel.h"
#include "app/pages/DiagPage.h"
#include "app/pages/ParametersPage.h"
#include "link/Connector.h"
#include "params/ParamConstants.h"
#include "params/ParameterDisplay.h"
#include "session/ConnectionBanner.h"
#include "widgets/LedIndicator.h"
#include "widgets/StringGrid.h"

#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

namespace kdx {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

} // namespace

WindowSession::WindowSession(MainWindow& window, AppContext& context, ParameterEditorsGlue& editors,
                             TesterPage& tester)
    : m_window(window), m_ctx(context), m_editors(editors), m_tester(tester)
{
    m_ctx.session.setListener(this);
    QObject::connect(m_window.pageControl(), &QTabWidget::currentChanged, &m_window, [this] { catchUpDiag(); });
}

WindowSession::~WindowSession() { m_ctx.session.setListener(nullptr); }

LiveMarkers WindowSession::markers() const
{
    LiveMarkers markers;
    if (m_lastFrame) {
        markers.trigMapRow = m_lastFrame->trigMapRow();
        markers.pumpOnRow = m_lastFrame->pumpOnRow();
        markers.pumpStopCol = m_lastFrame->pumpStopCol();
        markers.pumpStopRow = m_lastFrame->pumpStopRow();
    }
    return markers;
}

// --- the connection search and the full read -----------------------------------------

void WindowSession::searchStarted() { m_window.linkPanel().searchStarted(); }

void WindowSession::tryingPort(const std::string& deviceName) { m_window.linkPanel().tryingPort(deviceName); }

void WindowSession::searchEnded(const SearchOutcome& outcome) { m_window.linkPanel().searchEnded(outcome); }

void WindowSession::connected(uint8_t hardwareVersion, uint8_t softwareVersion, uint8_t softwareRevision,
                              std::optional<uint32_t> serialNumber)
{
    const std::string caption = serialNumber
        ? connectionBanner(hardwareVersion, softwareVersion, softwareRevision, *serialNumber)
        : connectionBannerUnread(hardwareVersion, softwareVersion, softwareRevision);
    m_window.setWindowTitle(qs(caption));
}

void WindowSession::imageLoaded()
{
    m_window.parametersPage().showConnectionLog(m_ctx.session.connectionLog().show(m_ctx.state.pcIdentity));
    showParameters(true);
}

void WindowSession::showParameters(bool afterRead)
{
    const ParameterImage& image = m_ctx.session.image();
    const ParameterView view = ParameterDisplay::showAllData(image, ParameterEditorsGlue::decimalSeparator());
    m_editors.applyShown(view.updates);
    m_editors.repaintMapGrids();
    if (afterRead) {
        if (!view.markerMessageDue) {
            m_markerShownFor.reset();
        } else if (m_markerShownFor != image.serialNumber()) {
            m_markerShownFor = image.serialNumber();
            m_ctx.prompts.message(params::kNewEcuMessage);
        }
    }
    m_ctx.session.poller().syncShadow();
}

void WindowSession::pollRestarted(const std::optional<TickResult::SaveLamp>& lamp)
{
    if (lamp)
        applySaveLamp(*lamp);
    // Every connection search and every dropped link start here: a running
    // test cannot know which board answers next.
    m_tester.connectionSearch();
}

void WindowSession::pollingEnabled(bool enabled)
{
    if (enabled)
        m_window.timer1()->start();
    else
        m_window.timer1()->stop();
}

void WindowSession::linkLost() { m_window.linkPanel().linkLost(); }

void WindowSession::progress(int position, int maximum)
{
    m_window.dashboard().showProgress(position, maximum);
}

void WindowSession::statusText(const std::string& text)
{
    if (text.empty())
        m_window.statusBar()->clearMessage();
    else
        m_window.statusBar()->showMessage(qs(text));
}

// --- status polling ----------------------------------------------------------------------

void WindowSession::tick()
{
    const TickResult r = m_ctx.session.tick();
    // A minimised window is not kept up to date frame by frame; it shows the
    // latest frame as soon as it is back.
    const bool minimised = m_window.isMinimized();
    if (m_viewBehind && !minimised && m_lastFrame && !r.frame) {
        m_viewBehind = false;
        showFrame(*m_lastFrame);
    }
    if (r.saveLamp)
        applySaveLamp(*r.saveLamp);
    if (r.counter)
        m_window.parametersPage().counter(r.counter->label)->setText(qs(r.counter->text));
    const uint64_t now = m_ctx.clock.nowMs();
    if (r.frame) {
        m_lastFrame = *r.frame;
        m_viewBehind = minimised;
        if (!minimised)
            showFrame(*r.frame);
        m_tester.frame(*r.frame, now, imageSerialNumber(m_ctx.session.image().bytes()));
    }
    m_tester.tick(now);
    m_window.linkPanel().afterTick(r.frame.has_value());
    // The device hung up: a running test cannot go on without it.
    if (!m_ctx.state.connected)
        m_tester.connectionSearch();
    m_window.charts()->onTick(r, m_ctx.session.image().serialNumber());
}

void WindowSession::showFrame(const StatusFrame& frame)
{
    const bool diag = diagInView();
    const DashboardView view = decode(frame, diag ? StatusDecoder::Detail::Full : StatusDecoder::Detail::WithoutDiagTexts);
    m_window.dashboard().apply(view);
    if (diag)
        m_window.diagPage().apply(view);
    m_diagBehind = !diag;
    m_window.followWorkMode(view);
    m_editors.repaintMapGrids();
}

DashboardView WindowSession::decode(const StatusFrame& frame, StatusDecoder::Detail detail)
{
    return m_ctx.session.decoder().decode(frame, m_ctx.state.hardwareVersion,
                                          std::string(1, ParameterEditorsGlue::decimalSeparator()), detail);
}

bool WindowSession::diagInView() const
{
    // The current page of the window, shown or about to be.
    return m_window.diagPage().values()->isVisibleTo(&m_window);
}

void WindowSession::catchUpDiag()
{
    if (!m_diagBehind || !m_lastFrame || !diagInView())
        return;
    m_diagBehind = false;
    m_window.diagPage().apply(decode(*m_lastFrame, StatusDecoder::Detail::Full));
}

void WindowSession::watchImage()
{
    if (const auto lamp = m_ctx.session.poller().watchImage())
        applySaveLamp(*lamp);
}

void WindowSession::applySaveLamp(const TickResult::SaveLamp& lamp)
{
    LedIndicator* led = m_window.dashboard().savingLamp();
    led->setOn(lamp.on);
    led->setCaption(qs(lamp.caption));
}

void WindowSession::languageChanged()
{
    showParameters(false);
    if (m_lastFrame) {
        const DashboardView view = decode(*m_lastFrame, StatusDecoder::Detail::Full);
        m_window.dashboard().apply(view);
        m_window.diagPage().apply(view);
        m_window.followWorkMode(view);
    }
    applySaveLamp(m_ctx.session.poller().saveLamp()); // its caption in the new language at once
}

} // namespace kdx
