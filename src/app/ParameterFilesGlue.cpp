#include "app/ParameterFilesGlue.h"

#include "app/ParameterEditorsGlue.h"
#include "app/MainWindow.h"
#include "app/pages/DashboardPanel.h"
#include "app/pages/LanguageRegistry.h"
#include "params/NumberText.h"
#include "params/ParameterDefaults.h"
#include "params/ParameterFileStore.h"
#include "params/ParameterRestore.h"

#include <QAction>
#include <QMenu>
#include <QProgressBar>

#include <ctime>
#include <filesystem>
#include <stdexcept>

namespace kdx {

namespace {

constexpr const char* kReasonManual = "manual";
constexpr const char* kReasonBeforeUpgrade = "before-upgrade";
constexpr const char* kReasonBeforeReset = "before-reset";

// Language keys of the two compare items of the "File" menu.
constexpr int kKeyCompareDefaults = 102016;
constexpr int kKeyCompareFiles = 102017;
// ... and of the texts of the comparisons they show.
constexpr int kKeyController = 102646;
constexpr int kKeyDefaultsTitle = 102651;
constexpr int kKeyDefaultSet = 102652;
constexpr int kKeyFilesTitle = 102653;
constexpr int kKeyOtherController = 102654;

std::string fileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }


} // namespace

ParameterFilesGlue::ParameterFilesGlue(MainWindow& window, Deps deps)
    : m_window(window), m_deps(std::move(deps)), m_folder(window.parameterFolder().toStdString())
{
    m_progress = window.dashboard().progress();
    QMenu* file = window.fileMenu();
    QAction* exit = window.exitAction();
    // Their own items go before "Exit"; each runs as a handler (no timer tick inside).
    auto add = [&](int textKey, const char* name, const char* text, void (ParameterFilesGlue::*handler)()) {
        auto* action = new QAction(QString::fromLatin1(text), file);
        action->setObjectName(QString::fromLatin1(name));
        file->insertAction(exit, action);
        window.languageTexts().add(textKey, action);
        QObject::connect(action, &QAction::triggered, &window,
                         [this, &window, handler] { window.runner().runShort([&] { (this->*handler)(); }); });
        return action;
    };
    m_compareDefaults = add(kKeyCompareDefaults, "CompareDefaults1", "Compare with &defaults...", &ParameterFilesGlue::compareWithDefaults);
    m_compareFiles = add(kKeyCompareFiles, "CompareFiles1", "Compare &files...", &ParameterFilesGlue::compareFiles);
}

ParameterFilePrompts* ParameterFilesGlue::filePrompts()
{
    auto* p = m_deps.ctx.prompts.fileDialogs();
    if (!p) {
        m_deps.ctx.prompts.message("Parameter file dialogs are not available here.");
        return nullptr;
    }
    // The dialogs start in the parameter folder; a dialog shown a missing
    // folder would start somewhere else.
    std::error_code ec;
    std::filesystem::create_directories(m_folder, ec);
    return p;
}

bool ParameterFilesGlue::needsParameters(const char* what)
{
    if (m_deps.ctx.state.parametersLoaded)
        return true;
    m_deps.ctx.prompts.message(std::string(what)
                               + ": connect to the controller first (CONNECT); its parameters have not been read.");
    return false;
}

void ParameterFilesGlue::progress(int position, int maximum)
{
    m_progress->setMaximum(maximum);
    m_progress->setValue(position);
}

UtcDateTime ParameterFilesGlue::now() const { return UtcDateTime::now(); }

ParameterLabels ParameterFilesGlue::labels() const
{
    const LanguageTexts& texts = m_deps.ctx.texts;
    return ParameterLabels([&texts](int key) { return texts.text(key); });
}

std::string ParameterFilesGlue::writeFile(const std::string& path, const std::string& reason)
{
    const ConnectionState& s = m_deps.ctx.state;
    ParameterFile file;
    file.image = m_deps.image;
    file.info = {m_deps.image.serialNumber(), s.hardwareVersion, s.softwareVersion, s.softwareRevision,
                 m_deps.programVersion, ParameterFileFormat::timeText(now()), reason};
    return ParameterFileStore::save(path, file);
}

std::optional<ParameterFile> ParameterFilesGlue::readFile(const std::string& path)
{
    ParameterFileRead r = ParameterFileStore::load(path);
    if (!r.ok()) {
        m_deps.ctx.prompts.message(fileName(path) + "\n" + r.error + "\nNothing was sent to the controller.");
        return std::nullopt;
    }
    return std::move(r.file);
}

void ParameterFilesGlue::saveToDisk()
{
    if (!needsParameters("Save To Disk"))
        return;
    ParameterFilePrompts* prompts = filePrompts();
    if (!prompts)
        return;
    const std::string proposed = ParameterFileFormat::proposedName(m_deps.image.serialNumber(), now());
    const auto path = prompts->saveParameterFile(m_folder, proposed);
    if (!path)
        return;
    progress(0, 1);
    const std::string error = writeFile(*path, kReasonManual);
    progress(1, 1);
    if (!error.empty()) {
        m_deps.ctx.prompts.message("The parameters could not be saved to " + *path + ": " + error);
        return;
    }
    m_deps.showStatus("Parameters of " + hex32Text(m_deps.image.serialNumber()) + " saved to " + *path);
}

void ParameterFilesGlue::loadToEcu(const std::optional<std::string>& given, bool ownBackup)
{
    if (!needsParameters("Load to ECU"))
        return;
    if (!m_deps.ctx.state.connected) {
        m_deps.ctx.prompts.message("Load to ECU: no controller is connected. Connect first (CONNECT).");
        return;
    }
    ParameterFilePrompts* prompts = filePrompts();
    if (!prompts)
        return;
    const auto path = given ? given : prompts->openParameterFile(m_folder, "Load to ECU");
    if (!path)
        return;
    const auto file = readFile(*path);
    if (!file)
        return;

    const ConnectionState& s = m_deps.ctx.state;
    const ControllerIdentity id{m_deps.image.serialNumber(), s.hardwareVersion, s.softwareVersion,
                                s.softwareRevision};
    bool giveSerial = false;
    // The upgrade blanked the number of the very controller the backup was
    // made of a minute before: it gets its own number back unasked.
    const bool ownNumber = ownBackup && file->info.hardwareVersion == id.hardwareVersion;
    if (ParameterRestore::hasBlankSerial(m_deps.image) && !ParameterRestore::isBlankSerial(file->info.serialNumber))
        giveSerial = ownNumber || m_deps.ctx.prompts.okCancel(
            "This controller's serial number is blank (" + hex32Text(id.serialNumber) + "). Give it the serial number "
                + hex32Text(file->info.serialNumber) + " from the file?\nOnly if the file was saved from this "
                "controller; Cancel keeps the blank number.",
            "Serial number");
    const RestorePlan plan = ParameterRestore::plan(m_deps.image, id, *file, giveSerial, ownNumber);
    const char separator = ParameterEditorsGlue::decimalSeparator();
    const DifferenceView view = ParameterRestore::view(m_deps.image, plan, fileName(*path), separator, labels());
    const bool write = prompts->showDifference(view);
    if (plan.words.empty()) {
        m_deps.showStatus("The controller already holds the values of " + fileName(*path));
        return;
    }
    if (!write) {
        m_deps.showStatus("Load to ECU cancelled: nothing was sent.");
        return;
    }
    const RestoreOutcome out = ParameterRestore::run(
        plan, m_deps.image, m_deps.writer, m_deps.ctx.clock, [this](int p, int m) { progress(p, m); },
        m_deps.readAll, separator, {},
        [this](uint8_t mode) { return m_deps.ctx.session.commands().setWorkMode(m_deps.image, mode); });
    m_deps.ctx.prompts.message(out.report);
}

void ParameterFilesGlue::compareWithDefaults()
{
    if (!needsParameters("Compare with defaults"))
        return;
    ParameterFilePrompts* prompts = filePrompts();
    if (!prompts)
        return;
    ParameterImage defaults = m_deps.image;
    ParameterDefaults::apply(defaults);
    const ParameterLabels labels = this->labels();
    DifferenceView view = ParameterDiff::view(m_deps.image, defaults, labels.text(kKeyController),
                                              labels.text(kKeyDefaultSet), ParameterEditorsGlue::decimalSeparator(), labels);
    view.title = labels.text(kKeyDefaultsTitle);
    prompts->showDifference(view);
}

void ParameterFilesGlue::compareFiles()
{
    ParameterFilePrompts* prompts = filePrompts();
    if (!prompts)
        return;
    const auto first = prompts->openParameterFile(m_folder, "Compare: first file");
    if (!first)
        return;
    const auto a = readFile(*first);
    if (!a)
        return;
    const auto second = prompts->openParameterFile(m_folder, "Compare: second file");
    if (!second)
        return;
    const auto b = readFile(*second);
    if (!b)
        return;
    const ParameterLabels labels = this->labels();
    DifferenceView view = ParameterDiff::view(a->image, b->image, fileName(*first), fileName(*second),
                                              ParameterEditorsGlue::decimalSeparator(), labels);
    view.title = labels.text(kKeyFilesTitle);
    if (a->info.serialNumber != b->info.serialNumber)
        view.warnings.push_back(labels.format(
            kKeyOtherController, {hex32Text(a->info.serialNumber), hex32Text(b->info.serialNumber)}));
    prompts->showDifference(view);
}

bool ParameterFilesGlue::backup(const std::string& reason, const std::string& operation)
{
    m_lastBackup.clear();
    const std::string path =
        m_folder + "/" + ParameterFileFormat::proposedName(m_deps.image.serialNumber(), now(), reason);
    const std::string error = writeFile(path, reason);
    if (error.empty()) {
        m_lastBackup = path;
        m_deps.showStatus("Backup saved to " + path);
        return true;
    }
    return m_deps.ctx.prompts.okCancelDefaultCancel("The backup before " + operation + " could not be saved to " + path + ": "
                                           + error + "\nGo on without a backup?",
                                       "Backup failed");
}

bool ParameterFilesGlue::confirmReset()
{
    std::string saved;
    if (m_deps.ctx.state.parametersLoaded) {
        if (!backup(kReasonBeforeReset, "RESET PARAMETERS!"))
            return false;
        saved = m_lastBackup.empty() ? "No backup was made." : "The current parameters were saved to " + m_lastBackup + ".";
    } else {
        saved = "No parameters have been read from the controller, so no backup was made.";
    }
    return m_deps.ctx.prompts.okCancelDefaultCancel(
        "RESET PARAMETERS! replaces every parameter of the controller with the default set, its serial number "
        "included (it becomes 0xAFFFFFFF); only the connection log is kept.\n"
            + saved + "\nReset the parameters now?",
        "RESET PARAMETERS!");
}

bool ParameterFilesGlue::beforeUpgrade()
{
    m_upgradeBackup = false;
    if (!m_deps.ctx.state.parametersLoaded)
        return true; // nothing read, nothing to keep
    if (!backup(kReasonBeforeUpgrade, "the firmware upgrade"))
        return false;
    m_upgradeBackup = !m_lastBackup.empty();
    return true;
}

void ParameterFilesGlue::afterUpgrade()
{
    if (!m_upgradeBackup)
        return;
    m_upgradeBackup = false;
    const ConnectionState& s = m_deps.ctx.state;
    if (!s.connected || !s.parametersLoaded || m_deps.image.isInitialised()
        || !m_deps.ctx.prompts.fileDialogs())
        return;
    if (m_deps.ctx.prompts.okCancel("The controller came back from the upgrade with its parameters reset.\n"
                                    "Load the backup made before the upgrade into it?\n"
                                        + m_lastBackup,
                                    "Restore parameters"))
        loadToEcu(m_lastBackup, true);
}

} // namespace kdx
