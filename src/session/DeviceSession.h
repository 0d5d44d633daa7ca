#pragma once

#include "firmware/FirmwareUpgrade.h"
#include "firmware/UpgradeHost.h"
#include "link/Clock.h"
#include "link/ConnectionHost.h"
#include "link/ConnectionState.h"
#include "link/Connector.h"
#include "link/DeviceLink.h"
#include "link/PortDiscovery.h"
#include "link/PortMarking.h"
#include "link/PortTable.h"
#include "link/SerialLine.h"
#include "link/TrafficCapture.h"
#include "prompts/UserPrompts.h"
#include "live/ConnectionLog.h"
#include "live/DashboardView.h"
#include "live/ImageWriter.h"
#include "live/LiveTexts.h"
#include "live/StatusDecoder.h"
#include "live/StatusPoller.h"
#include "params/ControllerCommands.h"
#include "params/ParameterImage.h"
#include "params/RegisterWriter.h"
#include "params/SaveCheck.h"
#include "session/SessionListener.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kdx {

// The seams a session works through; owned by its creator (the program entry
// or a test), which chooses them for the system it runs on, and outliving
// the session.
struct SessionSeams {
    SerialLine& line;
    Clock& clock;
    PortDiscovery& discovery;
    UserPrompts& prompts;
};

struct SessionOptions {
    // Ports named by the technician, searched first, in the order given.
    std::vector<std::string> ports;
    // The built-in simulated controller as a port, after the named ones.
    bool demo = false;
    // Ports named (or the demo) replace the system's ports instead of going
    // before them: a script must reach only the controller it named.
    bool namedPortsOnly = false;
    // Each connection records this PC in the controller's connection log;
    // kdx-cli leaves the controller as it found it.
    bool recordThisPc = true;
    // The language texts of the poller's captions and the decoded status.
    TextLookup texts = LiveTexts::defaults();
};

// One controller on one line: the connection search and full read, the
// parameter image and its writes, the status polling and decoding, the
// connection log and the firmware upgrade. No window and no system call:
// the seams are given, and what happens is reported to the listener.
class DeviceSession : private ConnectionHost, private ImageWriter {
public:
    DeviceSession(SessionSeams seams, SessionOptions options = {});
    ~DeviceSession() override;
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    // Null: nobody listens.
    void setListener(SessionListener* listener) { m_listener = listener; }
    // The language texts from now on (after a language change, or once the
    // window's texts exist).
    void setTexts(TextLookup texts) { m_options.texts = std::move(texts); }

    // The ports searched before (or, with namedPortsOnly, instead of) the
    // system's: the named ones in order, then the demo port.
    static std::vector<std::string> extraPorts(const std::vector<std::string>& named, bool demo);
    // The ports a search would try now, in its order, without opening any.
    std::vector<std::string> candidatePorts();
    // From now on the search tries this one port only.
    void searchOnly(const std::string& port);

    // The connect procedure ("AutoConnect"): search, identify, full read.
    // While an upgrade cut off in the bootloader waits for the adapter, it
    // goes on with its file instead (a controller in its bootloader answers
    // no search); the upgrade's own reconnect follows when it is done.
    void autoConnect();
    // The full read when connected, else "ECU not Found".
    void loadAllData() { m_connector->loadAllData(); }
    // The full read again; true when the link is still up after it.
    bool readAll();
    // One 50 ms timer tick of the status polling.
    TickResult tick();
    // What the displays show for a status frame, in the session's texts.
    DashboardView decode(const StatusFrame& frame, const std::string& decimalSeparator);
    // The save watcher on its own (before the image is shown again).
    std::optional<TickResult::SaveLamp> watchImage() { return m_poller.watchImage(); }
    // The firmware upgrade over this session's link; the host shows it.
    // One cut off by the adapter going away after the bootloader took over
    // waits, with its file and host, until autoConnect() (the replug watch,
    // F10) or another upgrade. The host must outlive the session meanwhile.
    FirmwareUpgrade::Outcome upgradeFirmware(UpgradeHost& host, const std::string& firmwareFolder,
                                             FirmwareUpgrade::RandomSource random = {});
    bool upgradeWaiting() const { return m_waitingUpgrade.has_value(); }
    void dropWaitingUpgrade() { m_waitingUpgrade.reset(); }

    SerialLine& line() { return m_line; }
    Clock& clock() { return m_clock; }
    UserPrompts& prompts() { return m_prompts; }
    ConnectionState& state() { return m_state; }
    const ConnectionState& state() const { return m_state; }
    TrafficCapture& capture() { return m_capture; }
    DeviceLink& link() { return m_link; }
    PortTable& portTable() { return m_table; }
    ParameterImage& image() { return m_image; }
    RegisterWriter& writer() { return m_writer; }
    ControllerCommands& commands() { return m_commands; }
    StatusPoller& poller() { return m_poller; }
    StatusDecoder& decoder() { return m_decoder; }
    ConnectionLog& connectionLog() { return m_log; }
    const std::optional<StatusFrame>& lastFrame() const { return m_lastFrame; }

private:
    void retarget(std::vector<std::string> extra, bool systemPorts);
    SessionListener& listener();

    // --- ConnectionHost: the connector's calls become events ---------------
    void setTimerEnabled(bool enabled) override;
    void identified(bool imageRead) override;
    void setProgress(int position, int maximum) override;
    void resetPollPhase() override;
    void imageLoaded() override;
    void updateConnectionLog() override;
    void showStatusText(const std::string& text) override;
    void tryingPort(const std::string& deviceName) override;
    void searchStarted() override;
    void searchEnded(const SearchOutcome& outcome) override;
    void lineLost() override;

    // --- ImageWriter: the poller's save and the log's writes ----------------
    bool writeWord(unsigned index) override { return m_writer.writeWord(index); }
    bool writeDword(unsigned offset) override { return m_writer.writeDword(offset); }
    bool saveToEeprom() override;
    std::string saveRefusal() const override { return m_saveRefusal; }

    // Edits sent but not yet found in the controller, kept before anything
    // reads its memory over them; offered again once it is read anew.
    struct UnconfirmedEdits {
        ParameterImage image;        // the image with the edits
        std::vector<unsigned> words; // the words they touched, ascending
        uint32_t serialNumber = 0;   // of the controller they were meant for
    };
    void keepUnconfirmedEdits();

    struct WaitingUpgrade {
        FirmwareFile file;
        UpgradeHost* host;
        std::string folder;
        FirmwareUpgrade::RandomSource random;
    };
    FirmwareUpgrade::Outcome resumeUpgrade();
    // After an attempt: keeps it waiting when the line was lost in the
    // bootloader, or the adapter's port could not be opened on the way back.
    void afterUpgrade(FirmwareUpgrade& upgrade, UpgradeHost& host, const std::string& folder,
                      FirmwareUpgrade::RandomSource random, bool resumed);
    // After a full read: asks whether to send the edits the controller lacks.
    void offerUnconfirmedEdits();

    // No system ports: a search over the named ports only.
    class NoSystemPorts : public PortDiscovery {
    public:
        std::vector<UsbSerialDevice> usbSerialDevices() override { return {}; }
        std::vector<std::string> systemSerialPorts() override { return {}; }
        std::vector<std::string> deviceNames() override { return {}; }
    };

    SerialLine& m_line;
    Clock& m_clock;
    PortDiscovery& m_discovery;
    UserPrompts& m_prompts;
    SessionOptions m_options;
    SessionListener* m_listener = nullptr;
    SessionListener m_nobody;

    ConnectionState m_state;
    // Everything the link sends and reads passes here; it keeps frames only
    // while a traffic view records.
    TrafficCapture m_capture;
    DeviceLink m_link;
    PortTable m_table;
    NoSystemPorts m_noSystemPorts;
    std::unique_ptr<PortMarking> m_enumerator;
    ParameterImage m_image;
    RegisterWriter m_writer;
    ControllerCommands m_commands;
    std::unique_ptr<Connector> m_connector;
    StatusPoller m_poller;
    StatusDecoder m_decoder;
    ConnectionLog m_log;
    std::optional<StatusFrame> m_lastFrame;
    bool m_connectedAtTick = false; // the link was up when the last tick ended
    std::string m_saveRefusal;      // the lamp naming what the last save could not get in
    std::optional<UnconfirmedEdits> m_unconfirmed;
    bool m_searching = false;       // a connection search is running
    bool m_lostInSearch = false;    // its read found the device gone
    std::optional<WaitingUpgrade> m_waitingUpgrade;
};

} // namespace kdx
