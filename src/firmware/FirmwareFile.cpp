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
    // The record digits are needed, the line end after the last one is not.
    const size_t lineEnd = fw::kRecordChars - 2 * fw::kRecordBytes;
    return m_text.size() + lineEnd >= fw::kRecordChars * (fw::kHeaderRecords + blockCount());
}

std::optional<size_t> FirmwareFile::recordsPresent() const
{
    // Line ends after the last record (none, one, or an extra empty line)
    // are not part of any record.
    size_t end = m_text.size();
    while (end > 0 && (m_text[end - 1] == '\r' || m_text[end - 1] == '\n'))
        --end;
    const size_t lineEnd = fw::kRecordChars - 2 * fw::kRecordBytes;
    if (end == 0 || (end + lineEnd) % fw::kRecordChars != 0)
        return std::nullopt;
    return (end + lineEnd) / fw::kRecordChars;
}

std::string FirmwareFile::versionText() const
{
    return std::to_string(versionNumber(fw::kVersionFirstByte)) + "."
        + std::to_string(versionNumber(fw::kVersionSecondByte));
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

FileFault checkFileLayout(const FirmwareFile& file)
{
    const auto records = file.recordsPresent();
    if (!records || *records < fw::kHeaderRecords)
        return FileFault::NotWholeRecords;
    if (file.blockCount() == 0)
        return FileFault::NoBlocks;
    if (*records - fw::kHeaderRecords != file.blockCount())
        return FileFault::CountDisagrees;
    return FileFault::None;
}

std::string fileFaultText(FileFault fault, const FirmwareFile& file)
{
    switch (fault) {
    case FileFault::None:
        return {};
    case FileFault::NotWholeRecords:
        return "the file is not made of whole firmware records (cut short or damaged)";
    case FileFault::NoBlocks:
        return "the file's header names no block";
    case FileFault::CountDisagrees: {
        const auto records = file.recordsPresent();
        return "the header names " + std::to_string(file.blockCount()) + " blocks, the file holds "
            + std::to_string(records ? *records - fw::kHeaderRecords : 0);
    }
    }
    return {};
}

} // namespace kdx
