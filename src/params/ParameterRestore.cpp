#include "params/ParameterRestore.h"

#include "params/NumberText.h"

namespace kdx {

namespace {

// Language keys of the restore's difference view.
constexpr int kKeyController = 102646;
constexpr int kKeyFile = 102647;
constexpr int kKeyLoadTitle = 102648;
constexpr int kKeyNothingToWrite = 102649;
constexpr int kKeyWriteQuestion = 102650;
// ... of the plan's warnings ...
constexpr int kKeyVersion = 102730;
constexpr int kKeyGetsSerialBack = 102731;
constexpr int kKeyOtherController = 102732;
constexpr int kKeyOtherVersion = 102733;
constexpr int kKeyUninitialised = 102734;
// ... and of the report.
constexpr int kKeyChangeLine = 102735;
constexpr int kKeyAlreadyHeld = 102736;
constexpr int kKeySavedNoAnswer = 102737;
constexpr int kKeyNowHolds = 102738;
constexpr int kKeyDiffersAfterSave = 102739;
constexpr int kKeyModeSwitched = 102740;
constexpr int kKeyModeAtNextStart = 102741;
constexpr int kKeyStoppedByRequest = 102742;
constexpr int kKeyStoppedLineLost = 102743;
constexpr int kKeyStoppedNoReadBack = 102744;
constexpr int kKeyStoppedStillDiffers = 102745;
constexpr int kKeyRolledBack = 102746;
constexpr int kKeyEepromKept = 102747;
constexpr int kKeyMemoryDiffers = 102748;
constexpr int kKeyMemoryLine = 102749;
constexpr int kKeyMemoryMayHold = 102750;

std::string versionText(const ParameterLabels& texts, uint8_t hardware, uint8_t software, uint8_t revision)
{
    return texts.format(kKeyVersion, {std::to_string(hardware), std::to_string(software), std::to_string(revision)});
}

void copyRange(ParameterImage& to, const ParameterImage& from, size_t begin, size_t end)
{
    for (size_t i = begin; i < end; ++i)
        to.setByte(i, from.byte(i));
}

} // namespace

bool ParameterRestore::isLogByte(size_t offset)
{
    return offset >= layout::LogIdentity.offset && offset < layout::LogDate.endOffset();
}

bool ParameterRestore::isBlankSerial(uint32_t serial)
{
    // The default set's value, or erased cells (a new firmware starts with them).
    return serial == params::kDefaultSerialNumber || serial == 0xFFFFFFFFu || serial == 0;
}

bool ParameterRestore::hasBlankSerial(const ParameterImage& controller)
{
    return isBlankSerial(controller.serialNumber());
}

RestorePlan ParameterRestore::plan(const ParameterImage& controller, const ControllerIdentity& id,
                                   const ParameterFile& file, bool restoreBlankSerial, bool ownBackup,
                                   const ParameterLabels& texts)
{
    RestorePlan p;
    p.target = file.image;
    copyRange(p.target, controller, layout::LogIdentity.offset, layout::LogDate.endOffset());
    const bool blank = hasBlankSerial(controller);
    p.serialFromFile = restoreBlankSerial && blank && !isBlankSerial(file.info.serialNumber);
    if (!p.serialFromFile)
        copyRange(p.target, controller, layout::SerialNumber.offset, layout::SerialNumber.endOffset());

    for (unsigned w = 0; w < params::kWordCount; ++w)
        if (p.target.word(w) != controller.word(w))
            p.words.push_back(w);

    const uint32_t fileSerial = file.info.serialNumber;
    if (fileSerial != id.serialNumber && !(ownBackup && p.serialFromFile)) {
        if (p.serialFromFile)
            p.warnings.push_back(texts.format(kKeyGetsSerialBack, {hex32Text(id.serialNumber), hex32Text(fileSerial)}));
        else
            p.warnings.push_back(texts.format(kKeyOtherController, {hex32Text(fileSerial), hex32Text(id.serialNumber)}));
    }
    if (file.info.hardwareVersion != id.hardwareVersion || file.info.softwareVersion != id.softwareVersion
        || file.info.softwareRevision != id.softwareRevision)
        p.warnings.push_back(texts.format(
            kKeyOtherVersion,
            {versionText(texts, file.info.hardwareVersion, file.info.softwareVersion, file.info.softwareRevision),
             versionText(texts, id.hardwareVersion, id.softwareVersion, id.softwareRevision)}));
    if (!file.image.isInitialised())
        p.warnings.push_back(texts.text(kKeyUninitialised));
    return p;
}

DifferenceView ParameterRestore::view(const ParameterImage& controller, const RestorePlan& plan,
                                      const std::string& fileName, char separator, const ParameterLabels& labels)
{
    DifferenceView v = ParameterDiff::view(controller, plan.target, labels.text(kKeyController),
                                           labels.format(kKeyFile, {fileName}), separator, labels);
    v.title = labels.format(kKeyLoadTitle, {fileName});
    v.warnings = plan.warnings;
    v.askToWrite = !plan.words.empty();
    v.question = plan.words.empty() ? labels.text(kKeyNothingToWrite)
                                    : labels.format(kKeyWriteQuestion, {std::to_string(plan.words.size())});
    return v;
}

namespace {

// Words whose values differ, the connection log's words left out (the
// controller keeps its own log whatever the file holds).
std::vector<unsigned> differingWords(const ParameterImage& a, const ParameterImage& b)
{
    std::vector<unsigned> words;
    for (unsigned w = 0; w < params::kWordCount; ++w)
        if (!ParameterRestore::isLogByte(2 * w) && a.word(w) != b.word(w))
            words.push_back(w);
    return words;
}

// Sends the words of `wanted` that the image does not hold yet; false when
// the line refused a frame (adapter gone) or a stop was asked for.
bool sendWords(const std::vector<unsigned>& words, const ParameterImage& wanted, ParameterImage& image,
               RegisterWriter& writer, const ParameterRestore::StopRequested& stop, unsigned* sent = nullptr,
               const std::function<void()>& afterEach = {})
{
    for (const unsigned w : words) {
        if (stop && stop())
            return false;
        image.setWord(w, wanted.word(w));
        if (!writer.writeWord(w))
            return false;
        if (sent)
            ++*sent;
        if (afterEach)
            afterEach();
    }
    return true;
}

// Reads the memory back and sends again what differs from `wanted`, up to
// the given rounds. True when a read back found the memory equal to it.
bool settle(const ParameterImage& wanted, ParameterImage& image, RegisterWriter& writer,
            const ParameterRestore::ReadBack& readBack, const ParameterRestore::StopRequested& stop,
            bool& readFailed)
{
    for (int round = 0;; ++round) {
        const ParameterImage sentImage = image;
        if (!readBack || !readBack()) {
            // The image keeps what was sent: what the memory holds is not known.
            image = sentImage;
            readFailed = true;
            return false;
        }
        const std::vector<unsigned> missing = differingWords(image, wanted);
        if (missing.empty())
            return true;
        if (round >= params::kRestoreResendRounds || !sendWords(missing, wanted, image, writer, stop))
            return false;
    }
}

// A change list line by line; a script (no labels given) reads the fields'
// own names, the window its editors' labels.
std::string changeList(const std::vector<FieldChange>& changes, const ParameterLabels& texts, bool labelled,
                       int lineKey = kKeyChangeLine)
{
    std::string text;
    for (const auto& c : changes)
        text += "\n" + texts.format(lineKey, {labelled ? c.label : c.name, c.left, c.right});
    return text;
}

} // namespace

RestoreOutcome ParameterRestore::run(const RestorePlan& plan, ParameterImage& image, RegisterWriter& writer,
                                     Clock& clock, const Progress& progress, const ReadBack& readBack,
                                     char separator, const StopRequested& stopRequested, const SendMode& sendMode,
                                     const ParameterLabels* labels)
{
    const ParameterLabels texts = labels ? *labels : ParameterLabels();
    const bool labelled = labels != nullptr;
    const auto list = [&](const std::vector<FieldChange>& changes) { return changeList(changes, texts, labelled); };
    const auto changes = [&](const ParameterImage& a, const ParameterImage& b) {
        return ParameterDiff::changes(a, b, separator, texts);
    };
    RestoreOutcome out;
    const RegisterWriter::OwnCheck ownCheck(writer);
    if (plan.words.empty()) {
        out.ok = true;
        out.report = texts.text(kKeyAlreadyHeld);
        return out;
    }
    // What the controller's memory and EEPROM hold now: the way back.
    const ParameterImage before = image;
    ParameterImage expected = plan.target;
    copyRange(expected, before, layout::LogIdentity.offset, layout::LogDate.endOffset());

    const unsigned total = static_cast<unsigned>(plan.words.size());
    const auto stepProgress = [&] {
        if (progress)
            progress(static_cast<int>(out.wordsSent), static_cast<int>(total));
    };
    stepProgress();
    const bool allSent = sendWords(plan.words, expected, image, writer, stopRequested, &out.wordsSent, stepProgress);
    bool readFailed = false;
    const bool stopped = stopRequested && stopRequested();
    const bool equal = allSent && !stopped && settle(expected, image, writer, readBack, stopRequested, readFailed);

    if (equal && !(stopRequested && stopRequested())) {
        clock.sleepMs(params::kResetSavePauseMs);
        if (writer.saveToEeprom()) {
            out.saved = true;
            clock.sleepMs(params::kResetReconnectPauseMs);
            if (!readBack || !readBack()) {
                out.report = texts.format(kKeySavedNoAnswer, {std::to_string(total)});
                return out;
            }
            out.remaining = changes(image, expected);
            out.ok = out.remaining.empty();
            out.report = out.ok ? texts.format(kKeyNowHolds, {std::to_string(total)})
                                : texts.format(kKeyDiffersAfterSave, {std::to_string(out.remaining.size())})
                                      + list(out.remaining);
            const uint8_t mode = expected.byte(layout::WorkModeSetting.offset);
            if (out.ok && before.byte(layout::WorkModeSetting.offset) != mode) {
                const std::string name = std::to_string(mode);
                out.report += " " + texts.format(sendMode && sendMode(mode) ? kKeyModeSwitched : kKeyModeAtNextStart,
                                                 {name});
            }
            return out;
        }
    }

    // Giving up. Say where it stopped, then put the earlier values back.
    std::string why;
    if (stopped || (stopRequested && stopRequested()))
        why = texts.format(kKeyStoppedByRequest, {std::to_string(out.wordsSent), std::to_string(total)});
    else if (!allSent || (equal && !out.saved))
        why = texts.format(kKeyStoppedLineLost, {std::to_string(out.wordsSent), std::to_string(total)});
    else if (readFailed)
        why = texts.format(kKeyStoppedNoReadBack, {std::to_string(total)});
    else {
        out.remaining = changes(image, expected);
        why = texts.format(kKeyStoppedStillDiffers, {std::to_string(params::kRestoreResendRounds + 1),
                                                     std::to_string(out.remaining.size())})
              + list(out.remaining);
    }
    // The words that may have reached the memory go back to their earlier values.
    bool backReadFailed = false;
    const std::vector<unsigned> touched = differingWords(before, expected);
    const bool backSent = sendWords(touched, before, image, writer, {});
    const bool wroteBack = backSent && settle(before, image, writer, readBack, {}, backReadFailed);
    if (wroteBack) {
        out.rolledBack = true;
        out.report = why + "\n" + texts.text(kKeyRolledBack);
        if (out.remaining.empty())
            out.remaining = changes(image, expected);
        return out;
    }
    out.report = why + "\n" + texts.text(kKeyEepromKept) + " ";
    if (backSent && !backReadFailed) {
        // The last read back worked: say exactly which values the memory holds.
        const auto held = changes(image, before);
        out.report += texts.format(kKeyMemoryDiffers, {std::to_string(held.size())})
                      + changeList(held, texts, labelled, kKeyMemoryLine);
    } else {
        out.report += texts.format(kKeyMemoryMayHold, {std::to_string(out.wordsSent)});
    }
    if (out.remaining.empty())
        out.remaining = changes(image, expected);
    return out;
}

} // namespace kdx
