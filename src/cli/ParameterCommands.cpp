// read, write and diff: the controller's parameter memory against parameter files.
#include "cli/CliSession.h"
#include "protocol/ProgramVersion.h"
#include "cli/Commands.h"
#include "cli/ExitCodes.h"
#include "params/NumberText.h"
#include "params/ParameterDefaults.h"
#include "params/ParameterEditor.h"
#include "params/ParameterFileStore.h"
#include "params/ParameterLayout.h"
#include "params/ParameterRestore.h"
#include "params/RegisterWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace kdx::cli {

namespace {

// Numbers in files and on stdout use the decimal point whatever the locale.
constexpr char kSeparator = '.';
const std::string kProgram = std::string("kdx-cli ") + kProgramVersion;
// The window's parameter folder, below the folder the program runs in.
constexpr const char* kParameterFolder = "parametry";

std::string fileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

ParameterFile fileOf(CliSession& session, const std::string& reason)
{
    const ConnectionState& s = session.state();
    ParameterFile file;
    file.image = session.image();
    file.info = {session.image().serialNumber(), s.hardwareVersion, s.softwareVersion, s.softwareRevision,
                 kProgram, ParameterFileFormat::timeText(UtcDateTime::now()), reason};
    return file;
}

std::string changesJson(const std::vector<FieldChange>& changes, const char* leftKey, const char* rightKey)
{
    std::vector<std::string> rows;
    for (const auto& c : changes)
        rows.push_back(JsonObject().add("name", c.name).add(leftKey, c.left).add(rightKey, c.right).text());
    return jsonArray(rows);
}

void printChanges(Reporter& out, const std::vector<FieldChange>& changes)
{
    if (out.json())
        return;
    for (const auto& c : changes)
        out.result(JsonObject(), c.name + ": " + c.left + " -> " + c.right);
}

// Data on stdout, which --json keeps for its objects.
int toStdout(Reporter& out, const std::string& data, const char* what)
{
    if (out.json()) {
        out.error(std::string("--json needs -o FILE: ") + what + " would go to stdout", kExitUsage);
        return kExitUsage;
    }
    if (std::fwrite(data.data(), 1, data.size(), stdout) != data.size() || std::fflush(stdout) != 0) {
        out.error(std::string("writing stdout: ") + std::strerror(errno), kExitFile);
        return kExitFile;
    }
    return kExitOk;
}

// -o names a regular file in a folder that exists: a symlink, a FIFO or a
// device is never replaced by a file, and no folder is made. Empty when fine.
std::string outputProblem(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(path, ec);
    if (!ec && fs::exists(st) && !fs::is_regular_file(st))
        return "not a regular file (a link, FIFO, device or folder); nothing was written";
    const fs::path parent = fs::path(path).parent_path();
    if (!parent.empty() && !fs::is_directory(parent, ec))
        return "the folder " + parent.string() + " does not exist; nothing was written";
    return {};
}

// One side of a comparison: a file, the connected controller or the default set.
struct Side {
    std::string title;
    ParameterImage image;
    bool defaults = false;
    uint32_t serial = 0;
};

} // namespace

std::string backupPath(uint32_t serialNumber, const std::string& reason)
{
    return std::string(kParameterFolder) + "/"
        + ParameterFileFormat::proposedName(serialNumber, UtcDateTime::now(), reason);
}

std::string saveBackup(CliSession& session, const std::string& path, const std::string& reason)
{
    return ParameterFileStore::save(path, fileOf(session, reason));
}

int runRead(const CliArguments& args, Reporter& out)
{
    if (!args.output.empty() && args.output != "-") {
        if (const std::string problem = outputProblem(args.output); !problem.empty()) {
            out.error(args.output + ": " + problem, kExitFile);
            return kExitFile;
        }
    }
    CliSession session(args, out);
    if (const int rc = session.connect(); rc != kExitOk)
        return rc;
    if (g_interrupted) {
        // A read cut short is no read: nothing is written, nothing claimed.
        out.error("interrupted: nothing was written", kExitInterrupted);
        return kExitInterrupted;
    }
    const std::string serial = hex32Text(session.image().serialNumber());
    if (args.raw) {
        const auto& bytes = session.image().bytes();
        if (args.output.empty() || args.output == "-") {
            return toStdout(out, std::string(bytes.begin(), bytes.end()), "the raw image");
        }
        const std::string error =
            ParameterFileStore::writeReplacing(args.output, std::string(bytes.begin(), bytes.end()), false);
        if (!error.empty()) {
            out.error(args.output + ": " + error, kExitFile);
            return kExitFile;
        }
        out.result(JsonObject().add("file", args.output).add("bytes", static_cast<unsigned>(bytes.size()))
                       .add("serial", serial),
                   args.output + ": " + std::to_string(bytes.size()) + " bytes, serial number " + serial);
        return kExitOk;
    }

    const ParameterFile file = fileOf(session, "manual");
    if (args.output == "-") {
        return toStdout(out, ParameterFileFormat::write(file), "the parameter file");
    }
    const std::string path = args.output.empty() ? backupPath(file.info.serialNumber, "manual") : args.output;
    if (const std::string error = ParameterFileStore::save(path, file); !error.empty()) {
        out.error(path + ": " + error, kExitFile);
        return kExitFile;
    }
    out.result(JsonObject().add("file", path).add("serial", serial)
                   .add("hardware", static_cast<unsigned>(file.info.hardwareVersion))
                   .add("software", static_cast<unsigned>(file.info.softwareVersion))
                   .add("revision", static_cast<unsigned>(file.info.softwareRevision)),
               path + ": parameters of serial number " + serial);
    return kExitOk;
}

int restoreFile(CliSession& session, Reporter& out, const ParameterFile& file, const std::string& path,
                bool giveSerial, bool dryRun, bool allowOther)
{
    const ConnectionState& s = session.state();
    const ControllerIdentity id{session.image().serialNumber(), s.hardwareVersion, s.softwareVersion,
                                s.softwareRevision};
    if (ParameterRestore::hasBlankSerial(session.image()) && !ParameterRestore::isBlankSerial(file.info.serialNumber)
        && !giveSerial)
        out.note("the controller's serial number is blank (" + hex32Text(id.serialNumber)
                 + "); it stays so (--serial-from-file gives it the file's " + hex32Text(file.info.serialNumber)
                 + ")");
    const RestorePlan plan = ParameterRestore::plan(session.image(), id, file, giveSerial);
    for (const auto& w : plan.warnings)
        out.warning(w);
    // A script must not put one controller's set into another by mistake.
    const bool otherController = file.info.serialNumber != id.serialNumber && !plan.serialFromFile;
    const bool otherVersion = file.info.hardwareVersion != id.hardwareVersion
                              || file.info.softwareVersion != id.softwareVersion
                              || file.info.softwareRevision != id.softwareRevision;
    const bool refused = !dryRun && !allowOther && (otherController || otherVersion || !file.image.isInitialised());
    const auto changes = ParameterDiff::changes(session.image(), plan.target, kSeparator);
    printChanges(out, changes);
    JsonObject json;
    json.add("file", path).add("serial", hex32Text(id.serialNumber))
        .add("words", static_cast<unsigned>(plan.words.size())).raw("changes", changesJson(changes, "controller", "file"));
    if (dryRun) {
        json.add("sent", false);
        out.result(json, std::to_string(plan.words.size()) + " words differ from " + fileName(path)
                             + "; nothing was sent (--dry-run)");
        return kExitOk;
    }
    if (plan.words.empty()) {
        json.add("sent", false).add("verified", true);
        out.result(json, "the controller already holds the values of " + fileName(path) + "; nothing was sent");
        return kExitOk;
    }
    if (refused) {
        json.add("sent", false);
        out.failure(json, std::to_string(plan.words.size()) + " words differ from " + fileName(path),
                    fileName(path) + " is not this controller's set (see the warnings); nothing was sent. "
                                     "--allow-other writes it all the same",
                    kExitRefused);
        return kExitRefused;
    }
    if (g_interrupted) {
        out.error("interrupted: nothing was sent, the controller is unchanged", kExitInterrupted);
        return kExitInterrupted;
    }
    RegisterWriter writer(session.link(), session.image());
    const RestoreOutcome r = ParameterRestore::run(
        plan, session.image(), writer, session.clock(),
        [&out](int position, int maximum) {
            if (maximum > 0)
                out.progress("writing parameters", position * 100 / maximum);
        },
        [&session] { return session.readAll(); }, kSeparator, [] { return g_interrupted != 0; },
        [&session](uint8_t mode) { return session.session().commands().setWorkMode(session.image(), mode); });
    out.endProgress();
    json.add("sent", true).add("verified", r.ok).add("saved", r.saved).add("rolled_back", r.rolledBack);
    if (g_interrupted)
        json.add("interrupted", true);
    if (!r.ok)
        json.raw("remaining", changesJson(r.remaining, "controller", "file"));
    if (r.ok) {
        out.result(json, r.report);
        return kExitOk;
    }
    const int rc = r.remaining.empty() ? kExitCommunication : kExitVerify;
    out.failure(json, r.report,
                r.remaining.empty() ? "the controller could not be read back: the write is not verified"
                                    : std::to_string(r.remaining.size())
                                          + " values differ from the file after the write",
                rc);
    return rc;
}

int runWrite(const CliArguments& args, Reporter& out)
{
    const std::string& path = args.operands.front();
    // The file first: a bad file costs no connection.
    ParameterFileRead loaded = ParameterFileStore::load(path);
    if (!loaded.ok()) {
        out.error(loaded.error + "; nothing was sent", kExitFile);
        return kExitFile;
    }
    CliSession session(args, out);
    if (const int rc = session.connect(); rc != kExitOk)
        return rc;
    const int rc = restoreFile(session, out, *loaded.file, path, args.serialFromFile, args.dryRun, args.allowOther);
    if (g_interrupted && rc == kExitOk && !args.dryRun)
        out.note("interrupted after the write ended: the controller holds the file's values (verified)");
    return rc;
}

int runDiff(const CliArguments& args, Reporter& out)
{
    std::optional<CliSession> session;
    Side sides[2];
    for (int i = 0; i < 2; ++i) {
        const std::string& what = args.operands[static_cast<size_t>(i)];
        Side& side = sides[i];
        if (what == "defaults") {
            side.title = "defaults";
            side.defaults = true;
        } else if (what == "ecu:") {
            session.emplace(args, out);
            if (const int rc = session->connect(); rc != kExitOk)
                return rc;
            side.title = "controller " + hex32Text(session->image().serialNumber());
            side.image = session->image();
            side.serial = side.image.serialNumber();
        } else {
            ParameterFileRead loaded = ParameterFileStore::load(what);
            if (!loaded.ok()) {
                out.error(loaded.error, kExitFile);
                return kExitFile;
            }
            side.title = fileName(what);
            side.image = loaded.file->image;
            side.serial = loaded.file->info.serialNumber;
        }
    }
    // The default set keeps the other side's serial number and log, as the
    // window's comparison does; two "defaults" compare the bare set.
    for (int i = 0; i < 2; ++i)
        if (sides[i].defaults) {
            if (!sides[1 - i].defaults)
                sides[i].image = sides[1 - i].image;
            ParameterDefaults::apply(sides[i].image);
            if (!sides[1 - i].defaults) {
                // The serial number is the other side's own, not a difference.
                const ParameterImage& other = sides[1 - i].image;
                for (size_t b = layout::SerialNumber.offset; b < layout::SerialNumber.endOffset(); ++b)
                    sides[i].image.setByte(b, other.byte(b));
            }
            sides[i].serial = sides[i].image.serialNumber();
        }
    const auto changes = ParameterDiff::changes(sides[0].image, sides[1].image, kSeparator);
    printChanges(out, changes);
    JsonObject json;
    json.add("left", sides[0].title).add("right", sides[1].title).add("count", static_cast<unsigned>(changes.size()))
        .raw("changes", changesJson(changes, "left", "right"));
    std::string plain = std::to_string(changes.size()) + " differences between " + sides[0].title + " and "
        + sides[1].title;
    if (!sides[0].defaults && !sides[1].defaults && sides[0].serial != sides[1].serial) {
        json.add("differentControllers", true);
        plain += " (different controllers: " + hex32Text(sides[0].serial) + " and " + hex32Text(sides[1].serial) + ")";
    }
    out.result(json, plain);
    return args.exitCode && !changes.empty() ? kExitDiffer : kExitOk;
}

int runSet(const CliArguments& args, Reporter& out)
{
    const std::string& path = args.operands.front();
    ParameterFileRead loaded = ParameterFileStore::load(path);
    if (!loaded.ok()) {
        out.error(loaded.error + "; the file was not changed", kExitFile);
        return kExitFile;
    }
    ParameterFile& file = *loaded.file;
    const ParameterImage before = file.image;
    for (size_t i = 1; i < args.operands.size(); ++i) {
        const std::string& assignment = args.operands[i];
        const size_t eq = assignment.find('=');
        if (eq == std::string::npos || eq == 0) {
            out.error("\"" + assignment + "\" is not NAME=VALUE; the file was not changed", kExitUsage);
            return kExitUsage;
        }
        const EditResult r = ParameterEditor::enterByName(file.image, assignment.substr(0, eq),
                                                          assignment.substr(eq + 1), kSeparator);
        if (!r.ok()) {
            out.error(assignment + ": " + r.error + "; the file was not changed", kExitUsage);
            return kExitUsage;
        }
    }
    const auto changes = ParameterDiff::changes(before, file.image, kSeparator);
    if (const std::string error = ParameterFileStore::save(path, file); !error.empty()) {
        out.error(path + ": " + error, kExitFile);
        return kExitFile;
    }
    printChanges(out, changes);
    out.result(JsonObject().add("file", path).add("count", static_cast<unsigned>(changes.size()))
                   .raw("changes", changesJson(changes, "old", "new")),
               path + ": " + std::to_string(changes.size()) + " values changed");
    return kExitOk;
}

} // namespace kdx::cli
