#pragma once

#include "link/DeviceLink.h"
#include "params/ParameterImage.h"
#include "params/RegisterWrite.h"

#include <array>
#include <cstdint>
#include <functional>
#include <set>
#include <vector>

namespace kdx {

// Sends single parameters from the image to the controller. Nothing is read
// back here; the words written since the last confirmed save are kept for the
// deferred save to check. Every write is gated on parametersLoaded:
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
    // An edit while no controller is connected, or while it has left every
    // request of the last second unanswered, is refused as a whole: nothing
    // goes out, onRefused tells the technician, the result is false.
    bool send(const std::vector<RegisterWrite>& writes);
    void setOnRefused(std::function<void()> onRefused) { m_onRefused = std::move(onRefused); }
    // Frames go out only once the parameters have been read completely.
    bool allowed() const;

    // Words written (or tried) since the last save that was read back and
    // found equal to the image; ascending.
    const std::set<unsigned>& unconfirmedWords() const { return m_unconfirmed; }
    void confirmed(const std::set<unsigned>& words);
    void forgetUnconfirmed() { m_unconfirmed.clear(); }

    // While it lives, a procedure that checks its own writes (loading a
    // file, the default set) writes without leaving words for the deferred
    // save; the edits before it are superseded by it.
    class OwnCheck {
    public:
        explicit OwnCheck(RegisterWriter& writer) : m_writer(writer)
        {
            m_writer.forgetUnconfirmed();
            m_writer.m_tracking = false;
        }
        ~OwnCheck() { m_writer.m_tracking = true; }
        OwnCheck(const OwnCheck&) = delete;
        OwnCheck& operator=(const OwnCheck&) = delete;

    private:
        RegisterWriter& m_writer;
    };

    // Frame data bytes. The word value travels high byte first.
    static Data wordFrame(const ParameterImage& image, unsigned wordIndex);
    static Data byteFrame(const ParameterImage& image, unsigned byteOffset);
    static Data saveFrame();

private:
    bool sendData(const Data& data);

    DeviceLink& m_link;
    const ParameterImage& m_image;
    std::function<void()> m_onRefused;
    std::set<unsigned> m_unconfirmed;
    bool m_tracking = true;
};

} // namespace kdx
