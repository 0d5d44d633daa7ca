// A recording can be any file the technician opens for review: the reader
// must stay inside the text, say why it refused one, and whatever it accepts
// must write back to rows it reads again unchanged.
#include "live/StatusCsv.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

std::string rewrite(const std::vector<kdx::StatusSample>& samples)
{
    std::string text = kdx::StatusCsv::header();
    for (const auto& s : samples)
        text += kdx::StatusCsv::row(s);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const kdx::StatusCsv::ReadResult r = kdx::StatusCsv::read(text);
    if (!r.ok()) {
        if (r.error.empty() || !r.samples.empty())
            __builtin_trap();
        return 0;
    }
    size_t gaps = 0;
    for (const auto& s : r.samples)
        gaps += !s.ok();
    if (gaps != r.gaps)
        __builtin_trap();
    // Once written, the same rows come back.
    const std::string once = rewrite(r.samples);
    const kdx::StatusCsv::ReadResult again = kdx::StatusCsv::read(once);
    if (!again.ok() || again.cutShort || again.samples.size() != r.samples.size() || rewrite(again.samples) != once)
        __builtin_trap();
    return 0;
}
