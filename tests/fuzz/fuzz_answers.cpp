// Answers from the controller: any bytes on the line must leave the reader,
// the page check, the identify test and the status decoding inside their
// buffers. The first byte picks which answer the bytes stand for.
#include "link/DeviceLink.h"
#include "live/StatusDecoder.h"
#include "live/StatusFrame.h"
#include "live/LiveTexts.h"
#include "support/ScriptedLine.h"
#include "support/TestClock.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    kdx::test::TestClock clock;
    kdx::test::ScriptedLine line(clock);
    kdx::ConnectionState state;
    kdx::DeviceLink link(line, clock, state);
    link.selectPort("fuzz");
    link.openPort();

    // Split the rest into chunks arriving 1 ms apart, sizes from the data.
    const uint8_t kind = data[0] % 3;
    size_t pos = 1;
    uint64_t at = 0;
    while (pos < size) {
        const size_t chunk = 1 + data[pos] % 64;
        const size_t end = pos + 1 + chunk < size ? pos + 1 + chunk : size;
        if (pos + 1 < end)
            line.arriveAfter(at, std::vector<uint8_t>(data + pos + 1, data + end));
        at += 1;
        pos = end;
    }

    if (kind == 0) {
        std::array<uint8_t, 128> page{};
        (void)link.readPage(0x0180, page.data());
    } else if (kind == 1) {
        if (link.readResponse(8, 0, 0)) {
            const auto& rb = link.receiveBuffer();
            volatile bool isController = rb[0] == 0x41 && rb[7] == 0xE0;
            (void)isController;
        }
    } else {
        (void)link.readResponse(100, 2, 98);
        const auto& rb = link.receiveBuffer();
        if (auto frame = kdx::StatusFrame::fromResponse(rb.data(), 100)) {
            kdx::StatusDecoder decoder(kdx::LiveTexts::defaults());
            for (uint8_t hw : {1, 2, 3})
                (void)decoder.decode(*frame, hw, ",");
        }
    }
    return 0;
}
