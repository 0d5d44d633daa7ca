#include "params/ResetParameters.h"

#include "params/ParameterDefaults.h"

namespace kdx {

ResetOutcome ResetParameters::run(ParameterImage& image, RegisterWriter& writer, Clock& clock,
                                  const Progress& progress)
{
    ResetOutcome out;
    const RegisterWriter::OwnCheck ownCheck(writer);
    ParameterDefaults::apply(image);
    const int words = static_cast<int>(params::kWordCount);
    const bool sending = writer.allowed();
    const std::string kept = " Nothing was saved: the controller's EEPROM still holds its earlier parameters";
    if (progress)
        progress(0, words);
    for (int i = 0; i < words; ++i) {
        if (!writer.writeWord(static_cast<unsigned>(i)) && sending) {
            out.report = "RESET PARAMETERS! stopped after " + std::to_string(out.wordsSent) + " of "
                         + std::to_string(words) + " words: the line to the controller was lost." + kept
                         + "; its memory may hold " + std::to_string(out.wordsSent)
                         + " words of the default set until it is switched off and on again.";
            return out;
        }
        if (sending)
            ++out.wordsSent;
        if (progress)
            progress(i, words);
    }
    clock.sleepMs(params::kResetSavePauseMs);
    if (!writer.saveToEeprom() && sending) {
        out.report = "RESET PARAMETERS! sent all " + std::to_string(words)
                     + " words, but the save could not be sent: the line to the controller was lost." + kept
                     + "; its memory holds the default set until it is switched off and on again.";
        return out;
    }
    out.saveSent = sending;
    out.completed = true;
    clock.sleepMs(params::kResetReconnectPauseMs);
    return out;
}

} // namespace kdx
