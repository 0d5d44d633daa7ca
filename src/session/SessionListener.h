#pragma once

#include "link/ConnectionHost.h"
#include "live/StatusFrame.h"
#include "live/StatusPoller.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kdx {

// What a device session tells whoever shows it (the window, kdx-cli, a
// test). Every call comes on the caller's thread, from inside the session's
// procedure that caused it; during a blocking search or read an
// implementation that wants to look alive repaints here. Every event has an
// empty default, so a listener takes only what it shows.
class SessionListener {
public:
    virtual ~SessionListener() = default;

    // A connection search begins; a port is about to be opened; it ended.
    virtual void searchStarted() {}
    virtual void tryingPort(const std::string& deviceName) { (void)deviceName; }
    virtual void searchEnded(const SearchOutcome& outcome) { (void)outcome; }
    // A controller answered identify with a software this tool accepts. The
    // serial number is known only when its memory was read in full.
    virtual void connected(uint8_t hardwareVersion, uint8_t softwareVersion, uint8_t softwareRevision,
                           std::optional<uint32_t> serialNumber)
    {
        (void)hardwareVersion, (void)softwareVersion, (void)softwareRevision, (void)serialNumber;
    }
    // A full read completed: the image holds the controller's memory.
    virtual void imageLoaded() {}
    // Polling starts anew (a search begins, or a read failed). lamp: how the
    // save lamp changed when an edit was still waiting for its save.
    virtual void pollRestarted(const std::optional<TickResult::SaveLamp>& lamp) { (void)lamp; }
    // The status timer is to run (or stop).
    virtual void pollingEnabled(bool enabled) { (void)enabled; }
    // A valid status frame arrived in a tick.
    virtual void statusFrame(const StatusFrame& frame) { (void)frame; }
    // A tick found the link gone (the device hung up or stopped answering).
    virtual void linkLost() {}
    // Transfer progress: position of maximum bytes.
    virtual void progress(int position, int maximum) { (void)position, (void)maximum; }
    // The status line; empty clears it (why a search found nothing).
    virtual void statusText(const std::string& text) { (void)text; }
};

} // namespace kdx
