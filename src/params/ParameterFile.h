#pragma once

#include "params/ParameterImage.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kdx {

// A moment in UTC, to the second.
struct UtcDateTime {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    // Now, from the system's real-time clock.
    static UtcDateTime now();
};

// Where a saved parameter set came from.
struct ParameterFileInfo {
    uint32_t serialNumber = 0;   // the controller's, as its image holds it
    uint8_t hardwareVersion = 0; // from the identify answer
    uint8_t softwareVersion = 0;
    uint8_t softwareRevision = 0;
    std::string programVersion;  // the tool that saved it
    std::string savedUtc;        // "2026-12-08 12:47:34 UTC"
    std::string reason;          // "manual", "before-upgrade", "before-reset"
};

struct ParameterFile {
    ParameterFileInfo info;
    ParameterImage image;
};

// The outcome of reading a file: the set, or the message to show.
struct ParameterFileRead {
    std::optional<ParameterFile> file;
    std::string error;
    bool ok() const { return file.has_value(); }
};

// One saved parameter set as plain text (UTF-8 free ASCII, LF line ends, a
// CR before an LF is accepted when reading):
//
//   KDX parameter file 1
//   serial = 0x0001E240
//   hardware = 1 / software = 1 / revision = 0
//   program = kdx <version>
//   saved = 2026-12-08 12:47:34 UTC
//   reason = manual
//   field GeneralDelay = 5 s          one line per field entry, for people
//   image 000 = 32 bytes in hex       16 lines: offsets 000, 020 .. 1E0
//   checksum = 0x89ABCDEF             CRC-32 (IEEE) of the 512 image bytes
//   end
//
// Lines starting with '#' and blank lines are ignored. The image lines are
// what is loaded; the field lines are checked for form only, so a person can
// read and diff two files by field without the reader depending on how a
// later version writes numbers.
class ParameterFileFormat {
public:
    static constexpr const char* kFirstLine = "KDX parameter file 1";
    static constexpr const char* kExtension = "kdx";
    // Files larger than this are refused before parsing.
    static constexpr size_t kMaxFileBytes = 64 * 1024;
    static constexpr size_t kMaxLineBytes = 512;

    static std::string write(const ParameterFile& file);
    static ParameterFileRead read(std::string_view text);

    // CRC-32 (IEEE 802.3, reflected, initial and final value 0xFFFFFFFF).
    static uint32_t crc32(const uint8_t* data, size_t size);
    // "2026-12-08 12:47:34 UTC".
    static std::string timeText(const UtcDateTime& time);
    // "KDX_0001E240_2026-12-08.kdx"; with a reason also the time:
    // "KDX_0001E240_2026-12-08_124734_before-reset.kdx".
    static std::string proposedName(uint32_t serialNumber, const UtcDateTime& time, const std::string& reason = {});
};

} // namespace kdx
