#pragma once

#include "link/Clock.h"
#include "params/ParameterDiff.h"
#include "params/ParameterFile.h"
#include "params/ParameterImage.h"
#include "params/RegisterWriter.h"

#include <functional>
#include <string>
#include <vector>

namespace kdx {

// Who the connected controller is (its identify answer and image).
struct ControllerIdentity {
    uint32_t serialNumber = 0;
    uint8_t hardwareVersion = 0;
    uint8_t softwareVersion = 0;
    uint8_t softwareRevision = 0;
};

// What a restore would do to the connected controller.
struct RestorePlan {
    ParameterImage target;            // the image the controller should hold afterwards
    std::vector<unsigned> words;      // words that differ, ascending: the only ones sent
    std::vector<std::string> warnings;
    bool serialFromFile = false;      // the blank serial number is given back from the file
};

struct RestoreOutcome {
    bool ok = false;                  // the read back holds the target
    std::string report;               // what to tell the technician
    std::vector<FieldChange> remaining; // controller (left) against the file (right)
};

// Loading a saved parameter set into the controller: the same procedure for
// the window and the command line. Never taken from the file: the connection
// log slots (this controller's own history) and the serial number. The one
// exception to the latter is a controller whose serial number is blank (the
// default set's 0xAFFFFFFF, or erased cells after a new firmware), when the
// caller asks for it: then it gets its number back from its own backup.
class ParameterRestore {
public:
    using Progress = std::function<void(int position, int maximum)>;
    // The full read of the controller into the image; true when it succeeded.
    using ReadBack = std::function<bool()>;

    // The controller's serial number is blank: 0xAFFFFFFF, 0xFFFFFFFF or 0.
    static bool hasBlankSerial(const ParameterImage& controller);
    static bool isBlankSerial(uint32_t serialNumber);
    static RestorePlan plan(const ParameterImage& controller, const ControllerIdentity& identity,
                            const ParameterFile& file, bool restoreBlankSerial);
    // The difference view of the plan: controller on the left, file on the right.
    static DifferenceView view(const ParameterImage& controller, const RestorePlan& plan,
                               const std::string& fileName, char separator);

    // Stores the differing words in the image and sends them in ascending
    // order, waits, saves to EEPROM, waits for the EEPROM, reads the whole
    // memory back and compares it with the target (log slots excepted).
    // Sends nothing when no word differs.
    static RestoreOutcome run(const RestorePlan& plan, ParameterImage& image, RegisterWriter& writer, Clock& clock,
                              const Progress& progress, const ReadBack& readBack, char separator);

    // Bytes of the connection log (slots' identities and dates).
    static bool isLogByte(size_t offset);
};

} // namespace kdx
