#include "params/RegisterWriter.h"

#include "params/ParamConstants.h"

namespace kdx {

RegisterWriter::RegisterWriter(DeviceLink& link, const ParameterImage& image)
    : m_link(link), m_image(image)
{
}

RegisterWriter::Data RegisterWriter::wordFrame(const ParameterImage& image, unsigned wordIndex)
{
    const uint16_t v = image.word(wordIndex);
    return {static_cast<uint8_t>(wire::kCmdWriteWordBase + ((wordIndex >> 8) & 0x0F)),
            static_cast<uint8_t>(wordIndex & 0xFF), static_cast<uint8_t>(v >> 8),
            static_cast<uint8_t>(v & 0xFF)};
}

RegisterWriter::Data RegisterWriter::byteFrame(const ParameterImage& image, unsigned byteOffset)
{
    return {static_cast<uint8_t>(wire::kCmdWriteByteBase + ((byteOffset >> 8) & 0x0F)),
            static_cast<uint8_t>(byteOffset & 0xFF), 0x00, image.byte(byteOffset)};
}

RegisterWriter::Data RegisterWriter::saveFrame() { return {wire::kCmdSaveToEeprom, 0x00, 0x00, 0x00}; }

bool RegisterWriter::allowed() const { return m_link.state().parametersLoaded; }

bool RegisterWriter::sendData(const Data& d) { return m_link.sendCommand(d[0], d[1], d[2], d[3]); }

bool RegisterWriter::writeWord(unsigned wordIndex)
{
    if (!allowed() || wordIndex >= params::kWordCount)
        return false;
    if (m_tracking)
        m_unconfirmed.insert(wordIndex);
    return sendData(wordFrame(m_image, wordIndex));
}

bool RegisterWriter::writeByte(unsigned byteOffset)
{
    if (!allowed() || byteOffset >= params::kImageSize)
        return false;
    if (m_tracking)
        m_unconfirmed.insert(byteOffset / 2);
    return sendData(byteFrame(m_image, byteOffset));
}

bool RegisterWriter::writeDword(unsigned byteOffset)
{
    if (!allowed() || byteOffset >= params::kImageSize)
        return false;
    const unsigned first = 2 * (byteOffset / 4);
    // Both halves go out even when the first could not be written.
    const bool low = writeWord(first);
    const bool high = writeWord(first + 1);
    return low && high;
}

bool RegisterWriter::saveToEeprom()
{
    if (!allowed())
        return false;
    return sendData(saveFrame());
}

void RegisterWriter::confirmed(const std::set<unsigned>& words)
{
    for (const unsigned w : words)
        m_unconfirmed.erase(w);
}

bool RegisterWriter::send(const RegisterWrite& write)
{
    switch (write.kind) {
    case WriteKind::Word: return writeWord(write.index);
    case WriteKind::Byte: return writeByte(write.index);
    case WriteKind::Dword: return writeDword(write.index);
    case WriteKind::None: break;
    }
    return false;
}

bool RegisterWriter::send(const std::vector<RegisterWrite>& writes)
{
    if (!writes.empty() && allowed()
        && (!m_link.state().connected || m_link.silentForMs(params::kEditSilenceMs))) {
        if (m_onRefused)
            m_onRefused();
        return false;
    }
    bool all = true;
    for (const auto& w : writes)
        all = send(w) && all;
    return all;
}

} // namespace kdx
