// flash: the firmware upgrade of the window's upgrade page, with its backup.
#include "cli/CliSession.h"
#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "firmware/FirmwareUpgrade.h"
#include "params/NumberText.h"
#include "params/ParameterFileStore.h"
#include "params/ParameterRestore.h"
#include "sim/SimConstants.h"

#include <random>

namespace kdx::cli {

namespace {

// The upgrade's log goes to stderr as notes, its block count to the progress
// line; the backup is made once the file has passed every check.
class CliUpgradeHost : public UpgradeHost {
public:
    CliUpgradeHost(CliSession& session, Reporter& out) : m_session(session), m_out(out) {}

    void clearLog() override {}
    void insertLogLine(const std::string& line) override
    {
        m_log.push_back(line);
        // Per-block lines would bury the rest; the progress shows them.
        const bool blockDone = line.find(" jest: ") != std::string::npos
            || (line.size() > 8 && line.compare(line.size() - 8, 8, ": CRC OK") == 0);
        if (!blockDone)
            m_out.note(line);
    }
    void setBootProgress(int position, int maximum) override
    {
        if (maximum > 0 && m_started)
            m_out.progress("writing firmware", position * 100 / maximum);
    }
    void setTalkToBootCaption(const std::string&) override {}
    void setSwitchToSaveCaption(const std::string&) override {}
    void autoConnect() override
    {
        m_out.endProgress();
        m_session.autoConnect();
    }
    std::vector<std::string> candidatePorts() override { return m_session.candidates(); }

    bool beforeUpgradeStarts() override
    {
        // Ctrl-C up to here leaves the controller as it was.
        if (g_interrupted) {
            m_interruptedBeforeStart = true;
            return false;
        }
        if (m_session.state().parametersLoaded) {
            const std::string path = backupPath(m_session.image().serialNumber(), "before-upgrade");
            if (const std::string error = saveBackup(m_session, path, "before-upgrade"); !error.empty()) {
                m_backupError = path + ": " + error;
                return false;
            }
            m_backup = path;
            m_out.note("parameters saved to " + path);
        } else {
            m_out.note("no parameters were read from the controller: no backup was made");
        }
        m_started = true;
        return true;
    }

    const std::string& backup() const { return m_backup; }
    const std::string& backupError() const { return m_backupError; }
    bool interruptedBeforeStart() const { return m_interruptedBeforeStart; }
    bool started() const { return m_started; }
    const std::vector<std::string>& log() const { return m_log; }

private:
    CliSession& m_session;
    Reporter& m_out;
    std::string m_backup;
    std::string m_backupError;
    bool m_interruptedBeforeStart = false;
    bool m_started = false;
    std::vector<std::string> m_log;
};

const char* outcomeName(FirmwareUpgrade::Outcome o)
{
    switch (o) {
    case FirmwareUpgrade::Outcome::NotRun: return "not-run";
    case FirmwareUpgrade::Outcome::Cancelled: return "cancelled";
    case FirmwareUpgrade::Outcome::FileRefused: return "file-refused";
    case FirmwareUpgrade::Outcome::NoBootloader: return "no-bootloader";
    case FirmwareUpgrade::Outcome::LeftInBootloader: return "left-in-bootloader";
    case FirmwareUpgrade::Outcome::DoneNotConfirmed: return "done-not-confirmed";
    case FirmwareUpgrade::Outcome::Done: return "done";
    }
    return "unknown";
}

} // namespace

int runFlash(const CliArguments& args, Reporter& out)
{
    CliSession session(args, out);
    session.setFirmwareFile(args.operands.front());
    // A controller left in its bootloader does not answer the search; the
    // upgrade then reaches its bootloader itself, but only on a port that
    // leaves no doubt which controller it is.
    const int connected = session.connect(true);
    if (connected == kExitNoController) {
        if (session.candidates().size() != 1) {
            out.error("no controller answered; to reach one left in its bootloader name its port with --port",
                      kExitNoController);
            return kExitNoController;
        }
        out.note("no controller answered the identify command: trying its bootloader on "
                 + session.candidates().front());
    } else if (connected != kExitOk) {
        return connected;
    }
    const uint32_t serialBefore = session.state().parametersLoaded ? session.image().serialNumber() : 0;
    const unsigned softwareBefore = session.state().softwareVersion;
    const unsigned revisionBefore = session.state().softwareRevision;

    CliUpgradeHost host(session, out);
    std::random_device seed;
    std::mt19937 random(seed());
    const FirmwareUpgrade::Outcome outcome =
        session.session().upgradeFirmware(host, ".", [&random] { return static_cast<uint32_t>(random()); });
    // The run ends here: a later flash of the same file goes on from the
    // bootloader, not this host.
    session.session().dropWaitingUpgrade();
    out.endProgress();

    const ConnectionState& s = session.state();
    JsonObject json;
    json.add("file", args.operands.front()).add("outcome", outcomeName(outcome));
    if (connected == kExitOk)
        json.add("serial", hex32Text(serialBefore))
            .add("softwareBefore", std::to_string(softwareBefore) + "." + std::to_string(revisionBefore));
    if (s.connected)
        json.add("software", std::to_string(s.softwareVersion) + "." + std::to_string(s.softwareRevision));
    if (!host.backup().empty())
        json.add("backup", host.backup());
    const std::string last = host.log().empty() ? std::string() : host.log().back();

    // The backup goes back with the command a technician can run as it is.
    const std::string port = session.link().selectedPort() == sim::kDemoPortName
                                 ? std::string(" --demo")
                                 : " --port " + session.link().selectedPort();
    const std::string restoreCommand = host.backup().empty()
                                           ? std::string()
                                           : "kdx-cli write " + host.backup() + port + " --serial-from-file --allow-other";
    const std::string restoreIt = restoreCommand.empty() ? std::string() : "; restore it with: " + restoreCommand;
    // A requested restore that did not happen is a failure of the run.
    const auto notRestored = [&](const std::string& plain, const std::string& why, int code) {
        json.add("restored", false);
        if (!restoreCommand.empty())
            json.add("restoreCommand", restoreCommand);
        out.failure(json, plain, why + (args.restore ? "; the backup was not restored" + restoreIt : restoreIt), code);
        return code;
    };

    switch (outcome) {
    case FirmwareUpgrade::Outcome::Done:
        break;
    case FirmwareUpgrade::Outcome::NotRun:
        out.error("the controller's software " + std::to_string(softwareBefore)
                      + " is newer than this tool upgrades; nothing was sent",
                  kExitCommunication);
        return kExitCommunication;
    case FirmwareUpgrade::Outcome::Cancelled:
        if (host.interruptedBeforeStart()) {
            out.error("interrupted before the upgrade started: nothing was sent, the controller is unchanged",
                      kExitInterrupted);
            return kExitInterrupted;
        }
        out.error("the backup of the parameters could not be saved (" + host.backupError()
                      + "); nothing was sent",
                  kExitFile);
        return kExitFile;
    case FirmwareUpgrade::Outcome::FileRefused:
        out.error(last, kExitFile);
        return kExitFile;
    case FirmwareUpgrade::Outcome::NoBootloader:
    case FirmwareUpgrade::Outcome::LeftInBootloader:
        return notRestored(last, last, kExitCommunication);
    case FirmwareUpgrade::Outcome::DoneNotConfirmed:
        return notRestored(last, last, kExitVerify);
    }

    if (g_interrupted)
        json.add("interrupted", true);
    const std::string backupNote = host.backup().empty() ? "" : "; parameters saved before it to " + host.backup();
    if (g_interrupted)
        out.note("interrupted during the upgrade: it was completed first, the controller runs the new firmware");
    if (!args.restore) {
        json.add("restored", false);
        const ParameterImage& now = session.image();
        if (s.parametersLoaded && !restoreCommand.empty()
            && (ParameterRestore::hasBlankSerial(now) || !now.isInitialised())) {
            // The new firmware started from erased parameters.
            json.add("restoreCommand", restoreCommand);
            out.warning("the controller's parameters came back reset" + restoreIt);
        }
        out.result(json, last + backupNote);
        return kExitOk;
    }
    if (g_interrupted)
        return notRestored(last + backupNote, "interrupted after the upgrade", kExitInterrupted);
    if (host.backup().empty())
        return notRestored(last, "--restore: no backup was made before the upgrade, nothing to restore", kExitFile);
    ParameterFileRead loaded = ParameterFileStore::load(host.backup());
    if (!loaded.ok())
        return notRestored(last + backupNote, loaded.error, kExitFile);
    if (!s.parametersLoaded)
        return notRestored(last + backupNote, "--restore: the controller's parameters could not be read after the upgrade",
                           kExitCommunication);
    // The backup is this controller's own, from before its new software: a
    // serial number the new firmware erased is given back. With --json the
    // run stays one object: the write reports into it, not beside it.
    Reporter quiet = Reporter::silent();
    const int rc = restoreFile(session, out.json() ? quiet : out, *loaded.file, host.backup(), true, false, true);
    if (rc != kExitOk)
        return notRestored(last + backupNote, "loading the backup ended with exit " + std::to_string(rc), rc);
    json.add("restored", true);
    out.result(json, last + backupNote + "; the backup was loaded back and verified");
    return rc;
}

} // namespace kdx::cli
