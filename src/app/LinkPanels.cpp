#include "app/LinkPanels.h"

#include "app/LinkStatusPanel.h"
#include "app/MainWindow.h"
#include "app/PortDoctorWindow.h"
#include "app/TrafficWindow.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace kdx {

LinkStatusPanel* installLinkPanels(MainWindow& window, AppContext& context, const StatusPoller& poller)
{
    auto* status = new LinkStatusPanel(window, context, poller);
    auto* traffic = new TrafficWindow(window, context);
    auto* doctor = new PortDoctorWindow(window, context);

    auto* menu = new QMenu(QStringLiteral("&Link"), window.menuBar());
    menu->setObjectName(QStringLiteral("Link1"));
    QAction* showTraffic = menu->addAction(QStringLiteral("&Traffic view"));
    showTraffic->setObjectName(QStringLiteral("TrafficView1"));
    QAction* diagnose = menu->addAction(QStringLiteral("&Diagnose ports"));
    diagnose->setObjectName(QStringLiteral("DiagnosePorts1"));
    QObject::connect(showTraffic, &QAction::triggered, traffic, &TrafficWindow::open);
    QObject::connect(diagnose, &QAction::triggered, doctor, &PortDoctorWindow::open);
    // Before "Help", the last item of the bar.
    window.menuBar()->insertMenu(window.helpAction(), menu);
    return status;
}

} // namespace kdx
