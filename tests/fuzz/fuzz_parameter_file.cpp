// A parameter file is whatever the technician picks: the reader must stay
// inside the text, and whatever it accepts must write back to the same image
// and show as a difference without leaving the image.
#include "params/ParameterDiff.h"
#include "params/ParameterFile.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const kdx::ParameterFileRead r = kdx::ParameterFileFormat::read(text);
    if (!r.ok()) {
        if (r.error.empty())
            __builtin_trap();
        return 0;
    }
    const kdx::ParameterFileRead again = kdx::ParameterFileFormat::read(kdx::ParameterFileFormat::write(*r.file));
    if (!again.ok() || again.file->image != r.file->image)
        __builtin_trap();
    (void)kdx::ParameterDiff::view(kdx::ParameterImage{}, r.file->image, "a", "b", ',');
    return 0;
}
