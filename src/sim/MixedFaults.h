#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kdx::sim {

// What the tool's reader checks of an application answer: the identify answer
// has its start byte and end byte checked and no checksum; page and status
// answers have two header bytes, a sum over bytes [2, len-2) biased by 0xAA
// at len-2, and the end byte.
struct AnswerShape {
    size_t checkedHeaderBytes = 2;
    bool hasChecksum = true;
};
constexpr AnswerShape kIdentifyShape{1, false};
constexpr AnswerShape kFramedShape{2, true};

// How the tool's reader, expecting clean.size() bytes, judges what was sent
// instead: lost (fewer bytes), bad (a checked header byte or the end byte
// differs), checksum (the sum does not match the bytes it covers), in that
// order. Valid also for an answer that was changed where nothing checks.
enum class ReaderVerdict { Valid, Lost, Bad, Checksum };
ReaderVerdict judgeAnswer(const std::vector<uint8_t>& clean, const std::vector<uint8_t>& sent,
                          const AnswerShape& shape);

// The random mixed fault mode (fault mix=PERCENT[:SEED]): each application
// answer is spoiled with a chance of PERCENT in 100, in one of these ways,
// chosen evenly:
//   drop      not sent at all                               -> lost
//   truncate  cut after a random 1 .. len-1 bytes            -> lost
//   badsum    the sum byte is off by one (not for identify)  -> checksum
//   badend    the end byte is 0xE1                           -> bad
//   noise     a burst of 1 to 3 bytes garbled on the line    -> bad when it
//             hits a checked header byte or the end byte, checksum otherwise
// Noise garbles bytes in place rather than adding stray bytes: the tool's
// reader stops after the expected count, so an added byte would be left in
// the port and, depending on timing, spoil the following answer as well; an
// in-place burst spoils exactly one answer, and the counters can match what
// was injected one for one. A burst is never left undetectable: if its bytes
// happened to keep the sum right, one of them is changed again.
// Seeded, so a run can be repeated exactly.
class MixedFaults {
public:
    enum class Spoil { None, Drop, Truncate, BadSum, BadEnd, Noise };

    MixedFaults() = default;
    MixedFaults(uint32_t percent, uint32_t seed);

    bool active() const { return m_percent > 0; }
    // Maybe spoils bytes (a dropped answer is left empty); says how.
    Spoil spoil(std::vector<uint8_t>& bytes, const AnswerShape& shape);
    static const char* name(Spoil spoil);

private:
    uint32_t next();
    uint32_t below(uint32_t n) { return n ? next() % n : 0; }

    uint32_t m_percent = 0;
    uint64_t m_state = 0;
};

} // namespace kdx::sim
