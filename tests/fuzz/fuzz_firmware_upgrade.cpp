// The whole upgrade procedure against a bootloader whose replies (length,
// delay, result code) come from the fuzzer: the tool must never report
// success unless every block got an accepting reply to one of its own
// frames, every block frame must carry the file's bytes, and nothing may
// read outside its data.
#include "firmware/FirmwareTestFiles.h"
#include "firmware/FirmwareUpgrade.h"
#include "protocol/Wire.h"
#include "support/RecordingPrompts.h"
#include "support/ScriptedLine.h"
#include "support/TestClock.h"

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <cstdio>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace kdx;

struct Host : UpgradeHost {
    std::vector<std::string> log; // oldest first
    void clearLog() override { log.clear(); }
    void insertLogLine(const std::string& line) override { log.push_back(line); }
    void setBootProgress(int, int) override {}
    void setTalkToBootCaption(const std::string&) override {}
    void setSwitchToSaveCaption(const std::string&) override {}
    void autoConnect() override {}
};

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    bool empty() const { return at >= size; }
    uint8_t next() { return at < size ? data[at++] : 0; }
};

// The sample files of this run, removed when the fuzzer exits.
struct SampleFiles {
    std::map<uint32_t, std::string> paths;
    ~SampleFiles()
    {
        for (const auto& entry : paths)
            std::remove(entry.second.c_str());
    }
};

const std::string& firmwareFile(uint32_t blocks)
{
    static SampleFiles files;
    auto& path = files.paths[blocks];
    if (path.empty()) {
        path = "/tmp/kdx-fuzz-upgrade-" + std::to_string(::getpid()) + "-" + std::to_string(blocks) + ".hex";
        std::ofstream(path, std::ios::binary) << test::makeFirmwareText(blocks);
    }
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    Reader in{data, size};
    const uint32_t blocks = in.next() % 4 + 1;
    const std::string text = test::makeFirmwareText(blocks);

    test::TestClock clock;
    test::ScriptedLine line(clock);
    ConnectionState state;
    state.connected = true;
    DeviceLink link(line, clock, state);
    link.selectPort("dev");
    link.openPort();
    test::RecordingPrompts prompts;
    prompts.fileAnswers.push_back(firmwareFile(blocks));
    Host host;

    struct Reply {
        uint32_t block;
        bool accepting;
    };
    std::vector<Reply> frames; // by frame id (byte 3 of its reply)
    line.onTransmit = [&](const std::vector<uint8_t>& bytes, const std::string&) {
        const bool bootFrame = bytes.size() == 212 && bytes[0] == 0x42 && bytes[1] == 0x69;
        std::vector<uint8_t> reply = {0x42, 0x69};
        if (bytes.size() == 212 && !bootFrame) {
            const uint32_t block = (bytes[0] - 1u) / 7u;
            if (block >= blocks)
                __builtin_trap();
            // The frame carries the file's record: payload and sum.
            for (size_t i = 0; i < 211; ++i) {
                const size_t c = 426 * (12 + block) + 2 * i;
                auto digit = [](char ch) { return ch <= '9' ? ch - '0' : ch - 'A' + 10; };
                if (bytes[i] != static_cast<uint8_t>(digit(text[c]) * 16 + digit(text[c + 1])))
                    __builtin_trap();
            }
            if (bytes[211] != 0xE0)
                __builtin_trap();
            frames.push_back({block, false});
        }
        if (in.empty())
            return;
        const size_t length = in.next() % 10;
        const uint32_t delay = in.next() % (fw::kSettleQuietMs + 1);
        const uint8_t code = in.next() % 8;
        reply.push_back(code);
        reply.push_back(static_cast<uint8_t>(frames.size() - 1)); // frame id
        reply.push_back(0xE0);
        while (reply.size() < length)
            reply.push_back(in.next());
        reply.resize(length);
        if (bytes.size() == 212 && !bootFrame && length >= 5)
            frames.back().accepting = code == wire::kBlockAccepted
                || (code == wire::kBlockFlashErased && frames.back().block == wire::kEraseBlockIndex);
        if (!reply.empty())
            line.arriveAfter(delay, reply);
    };

    FirmwareUpgrade upgrade(link, prompts, host, "/nonexistent", [] { return 7u; });
    const auto outcome = upgrade.run();
    if (frames.size() > 255)
        return 0; // frame ids wrap: attribution below cannot be told
    if (outcome != FirmwareUpgrade::Outcome::Done && outcome != FirmwareUpgrade::Outcome::DoneNotConfirmed)
        return 0;
    // Success: each block's last "j jest: " line names the frame whose reply
    // was taken; it must be a frame of that block, answered with acceptance.
    for (uint32_t j = 0; j < blocks; ++j) {
        const std::string mark = std::to_string(j) + " jest: ";
        const std::string* taken = nullptr;
        for (const auto& l : host.log)
            if (l.rfind(mark, 0) == 0)
                taken = &l;
        if (!taken)
            __builtin_trap();
        // "j jest: 0xB0 0xB1 0xB2 0xB3 0xB4": byte 3 is the frame id.
        const size_t at = mark.size() + 3 * 5 + 2;
        if (taken->size() < at + 2)
            __builtin_trap();
        const unsigned id = static_cast<unsigned>(std::stoul(taken->substr(at, 2), nullptr, 16));
        if (id >= frames.size() || frames[id].block != j || !frames[id].accepting)
            __builtin_trap();
    }
    return 0;
}
