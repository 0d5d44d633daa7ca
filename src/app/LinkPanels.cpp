#include "app/LinkPanels.h"

#include "app/LinkStatusPanel.h"
#include "app/MainWindow.h"
#include "app/PortDoctorWindow.h"
#include "app/StatusLineDetail.h"
#include "app/TrafficWindow.h"
#include "app/pages/LanguageRegistry.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

namespace kdx {

namespace {

// Language keys of the "Link" menu and its items.
constexpr int kKeyLinkMenu = 102011;
constexpr int kKeyTrafficView = 102012;
constexpr int kKeyDiagnosePorts = 102013;

} // namespace

LinkStatusPanel* installLinkPanels(MainWindow& window, AppContext& context, const StatusPoller& poller)
{
    auto* status = new LinkStatusPanel(window, context, poller);
    status->setTexts(&context.texts);
    // The status line's reason whole, readable and copyable.
    new StatusLineDetail(*window.statusBar(), context.texts.words());
    auto* traffic = new TrafficWindow(window, context);
    auto* doctor = new PortDoctorWindow(window, context);

    auto* menu = new QMenu(QStringLiteral("L&ink"), window.menuBar());
    menu->setObjectName(QStringLiteral("Link1"));
    QAction* showTraffic = menu->addAction(QStringLiteral("&Traffic view"));
    showTraffic->setObjectName(QStringLiteral("TrafficView1"));
    QAction* diagnose = menu->addAction(QStringLiteral("&Diagnose ports"));
    diagnose->setObjectName(QStringLiteral("DiagnosePorts1"));
    LanguageRegistry& texts = window.languageTexts();
    texts.add(kKeyLinkMenu, menu);
    texts.add(kKeyTrafficView, showTraffic);
    texts.add(kKeyDiagnosePorts, diagnose);
    QObject::connect(showTraffic, &QAction::triggered, traffic, &TrafficWindow::open);
    QObject::connect(diagnose, &QAction::triggered, doctor, &PortDoctorWindow::open);
    // Before "Help", the last item of the bar.
    window.menuBar()->insertMenu(window.helpAction(), menu);
    return status;
}

} // namespace kdx
