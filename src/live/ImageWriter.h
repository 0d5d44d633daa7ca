#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kdx {

// The parameter image as the live code sees it: the program's 512-byte copy
// of the controller's parameter memory, little-endian words.
using ImageBytes = std::array<uint8_t, 512>;

// The register writes the live code needs from the parameter subsystem. The
// value is already in the image; each call sends it. Implementations send
// nothing (and return false) until the parameters have been read once.
class ImageWriter {
public:
    virtual ~ImageWriter() = default;
    // Sends word `index` (0..255) of the image.
    virtual bool writeWord(unsigned index) = 0;
    // Sends the 32-bit group holding byte `offset`, low-addressed word first.
    virtual bool writeDword(unsigned offset) = 0;
    // Asks the controller to store its parameter memory permanently; true
    // once it is done (a checking writer: read back and found equal).
    virtual bool saveToEeprom() = 0;
    // After a save that returned false: the save lamp's caption naming what
    // the controller would not take ("Not saved: general delay [s]"). Empty:
    // the save did not get through (line gone, no answer) and is to be tried again.
    virtual std::string saveRefusal() const { return {}; }
};

} // namespace kdx
