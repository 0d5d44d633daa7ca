#include "firmware/FirmwareFile.h"

namespace kdx {

uint8_t hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<uint8_t>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<uint8_t>(c - 'A' + 10);
    return 0;
}

FirmwareFile::FirmwareFile(std::string text) : m_text(std::move(text)) {}

uint8_t FirmwareFile::recordByte(size_t record, size_t index) const
{
    const size_t at = fw::kRecordChars * record + 2 * index;
    if (at + 1 >= m_text.size())
        return 0;
    return static_cast<uint8_t>(16 * hexDigitValue(m_text[at]) + hexDigitValue(m_text[at + 1]));
}

uint8_t FirmwareFile::versionNumber(size_t firstByte) const
{
    const int b1 = recordByte(0, firstByte);
    const int b2 = recordByte(0, firstByte + 1);
    const int b3 = recordByte(0, firstByte + 2);
    return static_cast<uint8_t>(100 * (b1 - 48) + 10 * (b2 - 48) + (b3 - 48));
}

uint8_t FirmwareFile::compatibilityNumber() const { return versionNumber(fw::kVersionThirdByte); }

uint16_t FirmwareFile::blockCount() const
{
    const size_t r = fw::kBlockCountRecord;
    const size_t b = fw::kBlockCountByte;
    return static_cast<uint16_t>(recordByte(r, b) | (recordByte(r, b + 1) << 8));
}

bool FirmwareFile::isComplete() const
{
    const size_t header = fw::kRecordChars * fw::kHeaderRecords;
    if (m_text.size() < header)
        return false;
    // The last character read is the second digit of byte 210 of the last
    // block; the full record length is asked for, line end included.
    return m_text.size() >= fw::kRecordChars * (fw::kHeaderRecords + blockCount());
}

uint8_t FirmwareFile::blockSum(uint32_t block) const
{
    uint8_t sum = 0;
    for (size_t i = 0; i < fw::kPayloadBytes; ++i)
        sum = static_cast<uint8_t>(sum + recordByte(fw::kHeaderRecords + block, i));
    return sum;
}

uint8_t FirmwareFile::storedBlockSum(uint32_t block) const
{
    return recordByte(fw::kHeaderRecords + block, fw::kBlockSumIndex);
}

std::array<uint8_t, fw::kRecordBytes> FirmwareFile::buildBlockFrame(uint32_t block) const
{
    std::array<uint8_t, fw::kRecordBytes> frame{};
    uint8_t sum = 0;
    for (size_t i = 0; i < fw::kPayloadBytes; ++i) {
        frame[i] = recordByte(fw::kHeaderRecords + block, i);
        sum = static_cast<uint8_t>(sum + frame[i]);
    }
    frame[fw::kBlockSumIndex] = sum;
    frame[fw::kFrameEndIndex] = 0xE0;
    return frame;
}

BlockCheck verifyFirmwareBlocks(const FirmwareFile& file)
{
    BlockCheck check;
    const uint16_t count = file.blockCount();
    for (uint32_t j = 0; j < count; ++j) {
        if (file.blockSum(j) == file.storedBlockSum(j)) {
            check.lines.push_back(std::to_string(j) + ": CRC OK");
        } else {
            check.lines.push_back(std::to_string(j) + ": CRC Error");
            ++check.errors;
        }
    }
    return check;
}

} // namespace kdx
