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

#include <algorithm>
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
// The menu captions the questions name their item by.
constexpr int kKeyLoadToEcu = 102003;
constexpr int kKeySaveToDisk = 102004;
// The questions and status lines of the parameter files.
constexpr int kKeyNoDialogs = 102700;
constexpr int kKeyConnectFirst = 102701;
constexpr int kKeyNotSaved = 102702;
constexpr int kKeySaved = 102703;
constexpr int kKeyNotConnected = 102704;
constexpr int kKeyBlankSerial = 102705;
constexpr int kKeyOnlyOwnFile = 102706;
constexpr int kKeySerialTitle = 102707;
constexpr int kKeyAlreadyHeld = 102708;
constexpr int kKeyCancelled = 102709;
constexpr int kKeyFirstFile = 102710;
constexpr int kKeySecondFile = 102711;
constexpr int kKeyBackupSaved = 102712;
constexpr int kKeyBackupNotSaved = 102713;
constexpr int kKeyGoOnWithout = 102714;
constexpr int kKeyBackupFailed = 102715;
constexpr int kKeyNoBackup = 102716;
constexpr int kKeyBackupIn = 102717;
constexpr int kKeyNothingRead = 102718;
constexpr int kKeyResetReplaces = 102719;
constexpr int kKeyResetNow = 102720;
constexpr int kKeyTheUpgrade = 102721;
constexpr int kKeyBackFromUpgrade = 102722;
constexpr int kKeyLoadUpgradeBackup = 102723;
constexpr int kKeyRestoreTitle = 102724;
constexpr int kKeyNothingSent = 102725;
// The caption of the button the reset question stands for.
constexpr int kKeyResetButton = 100106;

std::string fileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

// A menu caption as a question names it: "Load to ECU", not "&Load to ECU"
// or "Compare with &defaults...".
std::string itemName(std::string caption)
{
    caption.erase(std::remove(caption.begin(), caption.end(), '&'), caption.end());
    while (!caption.empty() && caption.back() == '.')
        caption.pop_back();
    return caption;
}


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
        m_deps.ctx.prompts.message(labels().text(kKeyNoDialogs));
        return nullptr;
    }
    // The dialogs start in the parameter folder; a dialog shown a missing
    // folder would start somewhere else.
    std::error_code ec;
    std::filesystem::create_directories(m_folder, ec);
    return p;
}

bool ParameterFilesGlue::needsParameters(int itemKey)
{
    if (m_deps.ctx.state.parametersLoaded)
        return true;
    const ParameterLabels texts = labels();
    m_deps.ctx.prompts.message(texts.format(kKeyConnectFirst, {itemName(texts.text(itemKey))}));
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
        m_deps.ctx.prompts.message(fileName(path) + "\n" + r.error + "\n" + labels().text(kKeyNothingSent));
        return std::nullopt;
    }
    return std::move(r.file);
}

void ParameterFilesGlue::saveToDisk()
{
    if (!needsParameters(kKeySaveToDisk))
        return;
    const ParameterLabels texts = labels();
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
        m_deps.ctx.prompts.message(texts.format(kKeyNotSaved, {*path, error}));
        return;
    }
    m_deps.showStatus(texts.format(kKeySaved, {hex32Text(m_deps.image.serialNumber()), *path}));
}

void ParameterFilesGlue::loadToEcu(const std::optional<std::string>& given, bool ownBackup)
{
    if (!needsParameters(kKeyLoadToEcu))
        return;
    const ParameterLabels texts = labels();
    const std::string item = itemName(texts.text(kKeyLoadToEcu));
    if (!m_deps.ctx.state.connected) {
        m_deps.ctx.prompts.message(texts.format(kKeyNotConnected, {item}));
        return;
    }
    ParameterFilePrompts* prompts = filePrompts();
    if (!prompts)
        return;
    const auto path = given ? given : prompts->openParameterFile(m_folder, item);
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
            texts.format(kKeyBlankSerial, {hex32Text(id.serialNumber), hex32Text(file->info.serialNumber)}) + "\n"
                + texts.text(kKeyOnlyOwnFile),
            texts.text(kKeySerialTitle));
    const RestorePlan plan = ParameterRestore::plan(m_deps.image, id, *file, giveSerial, ownNumber, texts);
    const char separator = ParameterEditorsGlue::decimalSeparator();
    const DifferenceView view = ParameterRestore::view(m_deps.image, plan, fileName(*path), separator, texts);
    const bool write = prompts->showDifference(view);
    if (plan.words.empty()) {
        m_deps.showStatus(texts.format(kKeyAlreadyHeld, {fileName(*path)}));
        return;
    }
    if (!write) {
        m_deps.showStatus(texts.format(kKeyCancelled, {item}));
        return;
    }
    const RestoreOutcome out = ParameterRestore::run(
        plan, m_deps.image, m_deps.writer, m_deps.ctx.clock, [this](int p, int m) { progress(p, m); },
        m_deps.readAll, separator, {},
        [this](uint8_t mode) { return m_deps.ctx.session.commands().setWorkMode(m_deps.image, mode); }, &texts);
    m_deps.ctx.prompts.message(out.report);
}

void ParameterFilesGlue::compareWithDefaults()
{
    if (!needsParameters(kKeyCompareDefaults))
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
    const ParameterLabels labels = this->labels();
    const auto first = prompts->openParameterFile(m_folder, labels.text(kKeyFirstFile));
    if (!first)
        return;
    const auto a = readFile(*first);
    if (!a)
        return;
    const auto second = prompts->openParameterFile(m_folder, labels.text(kKeySecondFile));
    if (!second)
        return;
    const auto b = readFile(*second);
    if (!b)
        return;
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
    const ParameterLabels texts = labels();
    m_lastBackup.clear();
    const std::string path =
        m_folder + "/" + ParameterFileFormat::proposedName(m_deps.image.serialNumber(), now(), reason);
    const std::string error = writeFile(path, reason);
    if (error.empty()) {
        m_lastBackup = path;
        m_deps.showStatus(texts.format(kKeyBackupSaved, {path}));
        return true;
    }
    return m_deps.ctx.prompts.okCancelDefaultCancel(
        texts.format(kKeyBackupNotSaved, {operation, path, error}) + "\n" + texts.text(kKeyGoOnWithout),
        texts.text(kKeyBackupFailed));
}

bool ParameterFilesGlue::confirmReset()
{
    const ParameterLabels texts = labels();
    std::string saved;
    if (m_deps.ctx.state.parametersLoaded) {
        if (!backup(kReasonBeforeReset, texts.text(kKeyResetButton)))
            return false;
        saved = m_lastBackup.empty() ? texts.text(kKeyNoBackup) : texts.format(kKeyBackupIn, {m_lastBackup});
    } else {
        saved = texts.text(kKeyNothingRead);
    }
    return m_deps.ctx.prompts.okCancelDefaultCancel(
        texts.format(kKeyResetReplaces, {texts.text(kKeyResetButton)}) + "\n" + saved + "\n" + texts.text(kKeyResetNow),
        texts.text(kKeyResetButton));
}

bool ParameterFilesGlue::beforeUpgrade()
{
    m_upgradeBackup = false;
    if (!m_deps.ctx.state.parametersLoaded)
        return true; // nothing read, nothing to keep
    if (!backup(kReasonBeforeUpgrade, labels().text(kKeyTheUpgrade)))
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
    const ParameterLabels texts = labels();
    if (m_deps.ctx.prompts.okCancel(texts.text(kKeyBackFromUpgrade) + "\n" + texts.text(kKeyLoadUpgradeBackup) + "\n"
                                        + m_lastBackup,
                                    texts.text(kKeyRestoreTitle)))
        loadToEcu(m_lastBackup, true);
}

} // namespace kdx
