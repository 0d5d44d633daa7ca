#pragma once

#include "link/DeviceLink.h"
#include "params/ParameterImage.h"
#include "params/RegisterWrite.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace kdx {

// Sends single parameters from the image to the controller. Nothing is read
// back and nothing is confirmed. Every write is gated on parametersLoaded:
// before the first complete read nothing goes out and the result is false
// (the caller has changed the image anyway). A result is true only when every
// frame of the write reached the port.
class RegisterWriter {
public:
    using Data = std::array<uint8_t, 4>; // the four data bytes of a command frame

    RegisterWriter(DeviceLink& link, const ParameterImage& image);

    bool writeWord(unsigned wordIndex);      // 0..255
    bool writeByte(unsigned byteOffset);     // 0..511
    bool writeDword(unsigned byteOffset);    // any offset inside a 4-byte group
    bool saveToEeprom();                     // controller stores its memory permanently
    bool send(const RegisterWrite& write);
    // Sends all, in order, even after a failure; true only if all succeeded.
    // An edit while no controller is connected is refused as a whole: nothing
    // goes out, onRefused tells the technician, the result is false.
    bool send(const std::vector<RegisterWrite>& writes);
    void setOnRefused(std::function<void()> onRefused) { m_onRefused = std::move(onRefused); }
    // Frames go out only once the parameters have been read completely.
    bool allowed() const;

    // Frame data bytes. The word value travels high byte first.
    static Data wordFrame(const ParameterImage& image, unsigned wordIndex);
    static Data byteFrame(const ParameterImage& image, unsigned byteOffset);
    static Data saveFrame();

private:
    bool sendData(const Data& data);

    DeviceLink& m_link;
    const ParameterImage& m_image;
    std::function<void()> m_onRefused;
};

} // namespace kdx
