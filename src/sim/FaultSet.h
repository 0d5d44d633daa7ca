#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kdx::sim {

// Whole number in decimal or with a 0x prefix, at most max; nothing else on
// the text. Shared by the fault and the command-line options.
bool parseNumber(const std::string& text, uint64_t max, uint64_t& value);

// Misbehaviour the simulated controller can be told to show, by name:
//   silent             never answers
//   noise=N            N stray bytes go out in front of every answer
//   drop=P             P % of the answers are never sent (spread evenly)
//   badsum[=P]         P % (default all) of page and status answers carry a wrong checksum
//   badend[=P]         P % (default all) of the answers end in 0xE1 instead of 0xE0
//   truncate=N         answers longer than N bytes are cut after N bytes
//   slow=MS            answers start MS ms after the request instead of ~1 ms
//   deadpage=A         the page at address A is never answered (repeatable)
//   sw=N               the identify answer reports software version N
//   stuck=A            parameter byte A keeps its value whatever is written to it
//                      (a worn memory cell; repeatable)
//   reject=J:K[:C]     bootloader block J is rejected K times with code C (default 1)
//   bootslow=MS        the bootloader's replies start MS ms after the frame
//   unplug=MS[:FOR]    MS ms after power-up the line is pulled: writes fail, nothing comes
//                      back; with FOR it is plugged in again FOR ms later
//   silence=N[:FOR]    the bus goes silent once the controller has taken N frames
//                      from the PC (the Nth is acted on, its answer is lost): what
//                      the PC sends is not received, nothing comes back; the adapter
//                      stays. With FOR it speaks again FOR ms later.
//   pull=N[:FOR]       the adapter is pulled out once the controller has taken N
//                      frames, as unplug= does; with FOR it is plugged in again
//                      FOR ms later
//   errors=P[:S][@MS]  error bits present now (P) and stored (S); with @MS the present
//                      ones appear MS ms after power-up (and are stored then)
//   supply=V[@MS]      the supply reads V volts (from MS ms after power-up)
//   zero=MS            from MS ms after power-up every status frame is all zero
//   pumpopen=N         pump N (1 or 2) is not connected: flagged, no current
//   nocurrent=N        pump N switches but no current flows
//   nodrive=N          pump N's driver never switches it on
//   mix=P[:SEED]       P % of the answers spoiled at random: dropped, truncated,
//                      wrong checksum, wrong end byte or garbled by noise
//                      (see MixedFaults); SEED repeats a run exactly
//   usb[=T[:L]]        behind a USB adapter: every answer starts T ms (default 1)
//                      after its request, and kdx-sim's terminal gets the bytes in
//                      62-byte chunks, a partly filled one L ms (default 16) after
//                      its last byte came off the wire
// The answer faults spoil the application's answers (identify, page, status);
// the bootloader's replies are touched only by silent and unplug, and it has
// reject= and bootslow= for misbehaviour of its own.
struct FaultSet {
    struct Rejection {
        uint16_t block = 0;
        uint32_t times = 0;
        uint8_t code = 1;
    };

    bool silent = false;
    uint32_t noiseBytes = 0;
    uint32_t dropPercent = 0;
    uint32_t badSumPercent = 0;
    uint32_t badEndPercent = 0;
    std::optional<uint32_t> truncateTo;
    uint32_t slowMs = 0;
    std::vector<uint16_t> deadPages;
    std::vector<uint16_t> stuckBytes;
    std::optional<uint8_t> softwareVersion;
    std::vector<Rejection> rejections;
    uint32_t bootSlowMs = 0;
    std::optional<uint64_t> unplugAfterMs;
    // An outage that starts at a chosen frame rather than a chosen time.
    struct Outage {
        uint32_t afterFrames = 0;
        uint64_t forMs = 0; // 0: for good
        bool adapterPulled = false; // false: the bus is silent, the adapter stays
    };
    std::optional<Outage> outage;
    uint16_t errorsPresent = 0;
    uint16_t errorsStored = 0;
    std::optional<uint64_t> errorsAtMs;
    uint64_t unplugForMs = 0; // 0: for good
    std::optional<uint32_t> supplyVolts;
    uint64_t supplyAtMs = 0;
    std::optional<uint64_t> zeroAfterMs;
    uint8_t pumpOpen = 0, pumpNoCurrent = 0, pumpNoDrive = 0; // bit 0 pump 1, bit 1 pump 2
    uint32_t mixPercent = 0;
    uint32_t mixSeed = 1;
    struct UsbAdapter {
        uint32_t turnaroundMs = 1;
        uint32_t latencyMs = 16;
    };
    std::optional<UsbAdapter> usb;

    // Adds one fault given as "name" or "name=value"; false (with a reason in
    // error) for an unknown name or a malformed or out-of-range value.
    bool add(const std::string& text, std::string& error);
};

// What the model spoiled, in the terms the tool's reader counts an answer:
// lost (never complete), bad (wrong start or end byte), checksum (wrong sum).
// One answer counts in exactly one of them, tested in that order.
struct InjectionCounts {
    uint32_t answers = 0; // every answer the firmware made, spoiled or not
    uint32_t lost = 0;
    uint32_t bad = 0;
    uint32_t checksum = 0;
    uint32_t delayed = 0; // answers held back by slow=MS (not spoiled as such)
};

} // namespace kdx::sim
