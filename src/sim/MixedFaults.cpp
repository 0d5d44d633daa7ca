#include "sim/MixedFaults.h"

#include "protocol/Wire.h"

#include <algorithm>

namespace kdx::sim {

ReaderVerdict judgeAnswer(const std::vector<uint8_t>& clean, const std::vector<uint8_t>& sent,
                          const AnswerShape& shape)
{
    const size_t len = clean.size();
    if (sent.size() < len || len < 2)
        return sent.size() < len ? ReaderVerdict::Lost : ReaderVerdict::Valid;
    for (size_t i = 0; i < std::min(shape.checkedHeaderBytes, len); ++i)
        if (sent[i] != clean[i])
            return ReaderVerdict::Bad;
    if (sent[len - 1] != wire::kFrameEnd)
        return ReaderVerdict::Bad;
    if (shape.hasChecksum && len >= 4) {
        uint8_t sum = wire::kFrameSumBias;
        for (size_t i = 2; i < len - 2; ++i)
            sum = static_cast<uint8_t>(sum + sent[i]);
        if (sum != sent[len - 2])
            return ReaderVerdict::Checksum;
    }
    return ReaderVerdict::Valid;
}

MixedFaults::MixedFaults(uint32_t percent, uint32_t seed)
    : m_percent(std::min<uint32_t>(percent, 100)), m_state(0x9E3779B97F4A7C15ull ^ seed)
{
}

uint32_t MixedFaults::next()
{
    // splitmix64: small, and good enough to spread faults evenly.
    uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
}

MixedFaults::Spoil MixedFaults::spoil(std::vector<uint8_t>& bytes, const AnswerShape& shape)
{
    const size_t len = bytes.size();
    if (!active() || len < 2 || below(100) >= m_percent)
        return Spoil::None;

    static constexpr Spoil kAll[] = {Spoil::Drop, Spoil::Truncate, Spoil::BadSum, Spoil::BadEnd, Spoil::Noise};
    static constexpr Spoil kNoSum[] = {Spoil::Drop, Spoil::Truncate, Spoil::BadEnd, Spoil::Noise};
    const Spoil kind = shape.hasChecksum ? kAll[below(5)] : kNoSum[below(4)];
    const std::vector<uint8_t> clean = bytes;

    switch (kind) {
    case Spoil::None: break;
    case Spoil::Drop: bytes.clear(); break;
    case Spoil::Truncate: bytes.resize(1 + below(static_cast<uint32_t>(len - 1))); break;
    case Spoil::BadSum: bytes[len - 2] = static_cast<uint8_t>(bytes[len - 2] + 1); break;
    case Spoil::BadEnd: bytes[len - 1] = static_cast<uint8_t>(wire::kFrameEnd + 1); break;
    case Spoil::Noise: {
        size_t from = 0;
        size_t count = 1;
        if (shape.hasChecksum) {
            count = 1 + below(3);
            from = below(static_cast<uint32_t>(len - count + 1));
        } else {
            // Without a checksum only the checked bytes can show a burst.
            from = below(2) ? len - 1 : 0;
        }
        auto garble = [&](size_t i) {
            uint8_t v = static_cast<uint8_t>(next());
            if (v == clean[i])
                v = static_cast<uint8_t>(~v);
            bytes[i] = v;
        };
        for (size_t i = from; i < from + count; ++i)
            garble(i);
        // Changing one byte of [2, len-2] once more moves the sum again, so
        // at most two rounds are needed.
        while (judgeAnswer(clean, bytes, shape) == ReaderVerdict::Valid)
            garble(from + count - 1);
        break;
    }
    }
    return kind;
}

const char* MixedFaults::name(Spoil spoil)
{
    switch (spoil) {
    case Spoil::None: return "none";
    case Spoil::Drop: return "drop";
    case Spoil::Truncate: return "truncate";
    case Spoil::BadSum: return "badsum";
    case Spoil::BadEnd: return "badend";
    case Spoil::Noise: return "noise";
    }
    return "none";
}

} // namespace kdx::sim
