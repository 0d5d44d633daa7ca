#include "params/ParameterRestore.h"

#include "params/NumberText.h"

namespace kdx {

namespace {

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
                                   const ParameterFile& file, bool restoreBlankSerial)
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
    if (fileSerial != id.serialNumber) {
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
                                      const std::string& fileName, char separator)
{
    DifferenceView v = ParameterDiff::view(controller, plan.target, "controller", "file " + fileName, separator);
    v.title = "Load to ECU: " + fileName;
    v.warnings = plan.warnings;
    v.askToWrite = !plan.words.empty();
    v.question = plan.words.empty()
                     ? "The controller already holds the file's values; nothing needs to be written."
                     : "Write the " + std::to_string(plan.words.size())
                           + " differing words to the controller, save them to its EEPROM and read them back?"
                             " Its connection log is kept.";
    return v;
}

RestoreOutcome ParameterRestore::run(const RestorePlan& plan, ParameterImage& image, RegisterWriter& writer,
                                     Clock& clock, const Progress& progress, const ReadBack& readBack,
                                     char separator)
{
    RestoreOutcome out;
    if (plan.words.empty()) {
        out.ok = true;
        out.report = "The controller already holds the file's values; nothing was sent.";
        return out;
    }
    const int total = static_cast<int>(plan.words.size());
    if (progress)
        progress(0, total);
    int done = 0;
    for (const unsigned w : plan.words) {
        image.setWord(w, plan.target.word(w));
        writer.writeWord(w);
        if (progress)
            progress(++done, total);
    }
    clock.sleepMs(params::kResetSavePauseMs);
    writer.saveToEeprom();
    clock.sleepMs(params::kResetReconnectPauseMs);

    if (!readBack || !readBack()) {
        out.report = "The parameters were sent, but reading them back failed: what the controller holds is not "
                     "known. Connect again and compare, or load the file again.";
        return out;
    }
    // The controller's own log stays; compare the rest with the file.
    ParameterImage expected = plan.target;
    copyRange(expected, image, layout::LogIdentity.offset, layout::LogDate.endOffset());
    out.remaining = ParameterDiff::changes(image, expected, separator);
    out.ok = out.remaining.empty();
    if (out.ok) {
        out.report = "The controller now holds the file's values (" + std::to_string(total)
                     + " words written, saved to EEPROM and read back).";
    } else {
        out.report = "After the read back the controller differs from the file in "
                     + std::to_string(out.remaining.size()) + " values:";
        for (const auto& c : out.remaining)
            out.report += "\n" + c.name + ": controller " + c.left + ", file " + c.right;
    }
    return out;
}

} // namespace kdx
