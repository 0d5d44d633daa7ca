#include "params/ResetParameters.h"

#include "params/ParameterDefaults.h"

namespace kdx {

void ResetParameters::run(ParameterImage& image, RegisterWriter& writer, Clock& clock, const Progress& progress)
{
    ParameterDefaults::apply(image);
    const int words = static_cast<int>(params::kWordCount);
    if (progress)
        progress(0, words);
    for (int i = 0; i < words; ++i) {
        writer.writeWord(static_cast<unsigned>(i));
        if (progress)
            progress(i, words);
    }
    clock.sleepMs(params::kResetSavePauseMs);
    writer.saveToEeprom();
    clock.sleepMs(params::kResetReconnectPauseMs);
}

} // namespace kdx
