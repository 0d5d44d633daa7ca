#pragma once

#include "app/AppContext.h"

namespace kdx {

class LinkStatusPanel;
class MainWindow;
class StatusPoller;

// Said when an edit is entered while no controller is connected.
constexpr const char* kMsgEditRefused =
    "No connection: the change was not sent to the controller. Connect (F10) and enter it again.";

// Adds the link's glue to a finished window: the status area and dashboard
// look (LinkStatusPanel), and the "Link" menu with the traffic view and the
// port doctor. Returns the status panel (owned by the window).
LinkStatusPanel* installLinkPanels(MainWindow& window, AppContext& context, const StatusPoller& poller);

} // namespace kdx
