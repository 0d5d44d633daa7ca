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
    bool ok = false;                  // the controller holds the target, in memory and saved to EEPROM
    bool saved = false;               // the EEPROM save was sent (only once the memory equalled the target)
    bool rolledBack = false;          // gave up, and the controller's memory again equals what it held before
    unsigned wordsSent = 0;           // differing words sent before the procedure ended or stopped
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
    // ownBackup: the file is the backup the tool made of this controller
    // just before an upgrade blanked its serial number; no warning is given
    // about the number it gets back.
    static RestorePlan plan(const ParameterImage& controller, const ControllerIdentity& identity,
                            const ParameterFile& file, bool restoreBlankSerial, bool ownBackup = false,
                            const ParameterLabels& texts = ParameterLabels());
    // The difference view of the plan: controller on the left, file on the right.
    static DifferenceView view(const ParameterImage& controller, const RestorePlan& plan,
                               const std::string& fileName, char separator,
                               const ParameterLabels& labels = ParameterLabels());

    // Asked between frames: true when the technician or the system asked the
    // procedure to stop (Ctrl-C, a closed terminal).
    using StopRequested = std::function<bool()>;

    // All or nothing. Stores the differing words in the image and sends them
    // in ascending order, reads the whole memory back and sends again what
    // did not arrive (a bounded number of rounds). Only when the memory
    // equals the target is the EEPROM save sent, then it is read back once
    // more. When it gives up (a word that will not take, a lost line, a stop
    // request) it writes the earlier values back so that the memory again
    // equals what the EEPROM holds, and says so; when even that fails it
    // says which values the memory now holds and that nothing was saved.
    // Sends nothing when no word differs.
    //
    // The work mode word only says how the controller starts; when a saved
    // set changed it, sendMode (the work-mode command) switches the running
    // controller to it; without sendMode the report says it takes effect at
    // the next start. The report speaks the labels' language and names the
    // editors' labels when labels are given; without them it is English and
    // names the fields as the parameter files do (for scripts).
    using SendMode = std::function<bool(uint8_t mode)>;
    static RestoreOutcome run(const RestorePlan& plan, ParameterImage& image, RegisterWriter& writer, Clock& clock,
                              const Progress& progress, const ReadBack& readBack, char separator,
                              const StopRequested& stopRequested = {}, const SendMode& sendMode = {},
                              const ParameterLabels* labels = nullptr);

    // Bytes of the connection log (slots' identities and dates).
    static bool isLogByte(size_t offset);
};

} // namespace kdx
