#pragma once

#include "firmware/FirmwareConstants.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kdx {

// 4-bit value of one character: "0".."9" and upper-case "A".."F"; anything
// else, lower case included, counts as 0.
uint8_t hexDigitValue(char c);

// The firmware file text as read, with the header fields the upgrade uses.
// Reads never pass the end of the text: a byte beyond it reads as 0.
class FirmwareFile {
public:
    FirmwareFile() = default;
    explicit FirmwareFile(std::string text);

    const std::string& text() const { return m_text; }
    size_t size() const { return m_text.size(); }

    // Byte i (0..211) of record r, from two hex digits.
    uint8_t recordByte(size_t record, size_t index) const;

    // A three-digit decimal number from three ASCII bytes of record 0,
    // modulo 256; the digits are not checked.
    uint8_t versionNumber(size_t firstByte) const;
    uint8_t compatibilityNumber() const;

    // Low 16 bits of the u32 in header record 11, bytes 8..11.
    uint16_t blockCount() const;

    // True when the text holds the header and every block the header names
    // up to the last character read (the last record's line end may be missing).
    bool isComplete() const;

    // Whole 424-digit records the text holds, header included; line ends
    // after the last record are not needed. Nullopt when the text does not
    // end on a record boundary.
    std::optional<size_t> recordsPresent() const;

    // The first and second number of the version text as "first.second".
    std::string versionText() const;

    // Sum of payload bytes 0..209 of block j, modulo 256, and its stored sum.
    uint8_t blockSum(uint32_t block) const;
    uint8_t storedBlockSum(uint32_t block) const;

    // The 212-byte frame for block j: payload, a freshly computed sum, 0xE0.
    std::array<uint8_t, fw::kRecordBytes> buildBlockFrame(uint32_t block) const;

private:
    std::string m_text;
};

// One line per block ("j: CRC OK" / "j: CRC Error") and the verdict.
struct BlockCheck {
    std::vector<std::string> lines;
    int errors = 0;
};
BlockCheck verifyFirmwareBlocks(const FirmwareFile& file);

// What is wrong with a file's layout, found before anything is sent.
enum class FileFault {
    None,
    NotWholeRecords, // shorter than its header, or ends inside a record
    NoBlocks,        // the header names no block
    CountDisagrees,  // the header's block count is not the records present
};
FileFault checkFileLayout(const FirmwareFile& file);
// For the upgrade log: why the file is refused (empty for None).
std::string fileFaultText(FileFault fault, const FirmwareFile& file);

} // namespace kdx
