#pragma once

#include "link/Clock.h"
#include "link/DeviceLink.h"
#include "params/ParameterDiff.h"
#include "params/ParameterImage.h"
#include "params/RegisterWriter.h"

#include <string>
#include <vector>

namespace kdx {

// How a checked EEPROM save ended.
struct SaveCheckOutcome {
    enum class Result {
        Saved,    // the edited words were read back after the save and equal the image
        Unsure,   // the line went away or the controller did not answer: try again later
        NotSaved, // words still differ after the save and the resends
    };
    Result result = Result::Unsure;
    // NotSaved: each differing field, the controller's value left, the image's right.
    std::vector<FieldChange> differing;

    // The labels of the differing parameters: "general delay [s]" or
    // "general delay [s], maximum rpm pump1"; empty unless NotSaved.
    std::string names() const;
    // The save lamp's caption when NotSaved: "Not saved: " and the names.
    std::string lampText(const ParameterLabels& labels) const;
    // What the technician is told when NotSaved.
    std::string text(const ParameterLabels& labels) const;
};

// The deferred save, checked: sends the EEPROM save, reads back the pages
// holding the words written since the last confirmed save and compares them
// with the image. A word that did not arrive is sent again and saved again,
// a bounded number of times. Only a save found equal clears those words.
class SaveCheck {
public:
    static SaveCheckOutcome run(const ParameterImage& image, RegisterWriter& writer, DeviceLink& link, Clock& clock,
                                char separator, const ParameterLabels& labels = ParameterLabels());
};

} // namespace kdx
