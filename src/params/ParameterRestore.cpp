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

std::string versionText(uint8_t hardware, uint8_t software, uint8_t revision)
{
    return "hardware " + std::to_string(hardware) + ", software " + std::to_string(software) + "."
           + std::to_string(revision);
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
                                   const ParameterFile& file, bool restoreBlankSerial, bool ownBackup)
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
            p.warnings.push_back("This controller holds the blank serial number " + hex32Text(id.serialNumber)
                                 + "; it gets the file's serial number " + hex32Text(fileSerial)
                                 + " back. Only do this if the file was saved from this controller.");
        else
            p.warnings.push_back("The file was saved from another controller: serial number "
                                 + hex32Text(fileSerial) + ", this one is " + hex32Text(id.serialNumber)
                                 + ". Its serial number and connection log are kept.");
    }
    if (file.info.hardwareVersion != id.hardwareVersion || file.info.softwareVersion != id.softwareVersion
        || file.info.softwareRevision != id.softwareRevision)
        p.warnings.push_back("The file was saved from "
                             + versionText(file.info.hardwareVersion, file.info.softwareVersion,
                                           file.info.softwareRevision)
                             + "; this controller has "
                             + versionText(id.hardwareVersion, id.softwareVersion, id.softwareRevision)
                             + ". Check that the parameters mean the same there.");
    if (!file.image.isInitialised())
        p.warnings.push_back("The file holds uninitialised parameters (no valid marker word).");
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

std::string changeList(const std::vector<FieldChange>& changes)
{
    std::string text;
    for (const auto& c : changes)
        text += "\n" + c.name + ": controller " + c.left + ", file " + c.right;
    return text;
}

} // namespace

RestoreOutcome ParameterRestore::run(const RestorePlan& plan, ParameterImage& image, RegisterWriter& writer,
                                     Clock& clock, const Progress& progress, const ReadBack& readBack,
                                     char separator, const StopRequested& stopRequested, const SendMode& sendMode)
{
    RestoreOutcome out;
    const RegisterWriter::OwnCheck ownCheck(writer);
    if (plan.words.empty()) {
        out.ok = true;
        out.report = "The controller already holds the file's values; nothing was sent.";
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
                out.report = "The " + std::to_string(total)
                             + " words were written and read back, and the EEPROM save was sent, but the "
                               "controller did not answer the read after it: connect again and compare to "
                               "be sure it was saved.";
                return out;
            }
            out.remaining = ParameterDiff::changes(image, expected, separator);
            out.ok = out.remaining.empty();
            out.report = out.ok ? "The controller now holds the file's values (" + std::to_string(total)
                                      + " words written, read back, saved to EEPROM and read back)."
                                : "After the EEPROM save the controller differs from the file in "
                                      + std::to_string(out.remaining.size()) + " values:" + changeList(out.remaining);
            const uint8_t mode = expected.byte(layout::WorkModeSetting.offset);
            if (out.ok && before.byte(layout::WorkModeSetting.offset) != mode) {
                const std::string name = std::to_string(mode);
                out.report += sendMode && sendMode(mode)
                                  ? " It was switched to the file's work mode " + name + "."
                                  : " The file's work mode " + name
                                        + " takes effect when the controller is next switched on.";
            }
            return out;
        }
    }

    // Giving up. Say where it stopped, then put the earlier values back.
    std::string why;
    if (stopped || (stopRequested && stopRequested()))
        why = "Load to ECU was stopped after " + std::to_string(out.wordsSent) + " of " + std::to_string(total)
              + " words.";
    else if (!allSent || (equal && !out.saved))
        why = "Load to ECU stopped after " + std::to_string(out.wordsSent) + " of " + std::to_string(total)
              + " words: the line to the controller was lost.";
    else if (readFailed)
        why = "Load to ECU stopped: the " + std::to_string(total)
              + " words were sent, but the controller did not answer the read back.";
    else {
        out.remaining = ParameterDiff::changes(image, expected, separator);
        why = "Load to ECU stopped: after " + std::to_string(params::kRestoreResendRounds + 1)
              + " read backs the controller still differs from the file in " + std::to_string(out.remaining.size())
              + " values:" + changeList(out.remaining);
    }
    // The words that may have reached the memory go back to their earlier values.
    bool backReadFailed = false;
    const std::vector<unsigned> touched = differingWords(before, expected);
    const bool backSent = sendWords(touched, before, image, writer, {});
    const bool wroteBack = backSent && settle(before, image, writer, readBack, {}, backReadFailed);
    if (wroteBack) {
        out.rolledBack = true;
        out.report = why + "\nNothing was saved: the earlier values were written back and read back, so the "
                           "controller's memory again equals its EEPROM, which still holds its earlier parameters.";
        if (out.remaining.empty())
            out.remaining = ParameterDiff::changes(image, expected, separator);
        return out;
    }
    out.report = why + "\nNothing was saved: the controller's EEPROM still holds its earlier parameters. ";
    if (backSent && !backReadFailed) {
        // The last read back worked: say exactly which values the memory holds.
        const auto held = ParameterDiff::changes(image, before, separator);
        out.report += "Writing the earlier values back did not take; its memory differs from its EEPROM in "
                      + std::to_string(held.size()) + " values until it is switched off and on again:";
        for (const auto& c : held)
            out.report += "\n" + c.name + ": memory " + c.left + ", EEPROM " + c.right;
    } else {
        out.report += "Its memory may hold up to " + std::to_string(out.wordsSent)
                      + " of the file's words until the controller is switched off and on again (it then starts "
                        "from its EEPROM); do not save its parameters before that.";
    }
    if (out.remaining.empty())
        out.remaining = ParameterDiff::changes(image, expected, separator);
    return out;
}

} // namespace kdx
