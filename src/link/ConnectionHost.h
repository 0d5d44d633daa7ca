#pragma once

#include <string>
#include <vector>

namespace kdx {

// How a connection search ended, for the status display.
struct SearchOutcome {
    struct Attempt {
        std::string port;
        std::string openError; // why the port could not be opened; empty when it opened
    };
    bool found = false;   // a controller was taken (connected)
    bool refused = false; // a controller answered but its software is too new
    std::string port;     // the port of the controller that answered
    std::vector<Attempt> tried; // each port tried once, in the order tried
};

// What the connection procedures need from whoever drives them (the device
// session); tests record the calls. Every call happens on the window's
// thread in the middle of a blocking search or read, so an implementation
// that wants the window to stay visibly alive repaints here.
class ConnectionHost {
public:
    virtual ~ConnectionHost() = default;
    // The 50 ms status timer.
    virtual void setTimerEnabled(bool enabled) = 0;
    // The controller answered identify with a version this tool accepts (its
    // versions are in the link state); imageRead says whether its whole
    // memory was read, and with it its serial number.
    virtual void identified(bool imageRead) = 0;
    // The transfer progress bar: position of maximum (bytes of the image).
    virtual void setProgress(int position, int maximum) = 0;
    // The next timer tick starts with a status request.
    virtual void resetPollPhase() = 0;
    // A full read completed: the image holds the controller's memory.
    virtual void imageLoaded() = 0;
    // Record this PC in the controller's connection log.
    virtual void updateConnectionLog() = 0;
    // The status line; an empty text clears it. Used for why a search found
    // nothing when a port could not be opened (no message box for that).
    virtual void showStatusText(const std::string& text) = 0;
    // A search is about to open this device (for a status line); optional.
    virtual void tryingPort(const std::string& deviceName) { (void)deviceName; }
    // A search begins / has ended (after the parameters were read); optional.
    virtual void searchStarted() {}
    virtual void searchEnded(const SearchOutcome& outcome) { (void)outcome; }
    // The device went away in the middle of a read (unplugged adapter): the
    // read stopped at once and the technician has been told; optional.
    virtual void lineLost() {}
};

} // namespace kdx
