#include "sim/FaultSet.h"

#include <cerrno>
#include <cstdlib>

namespace kdx::sim {

bool parseNumber(const std::string& text, uint64_t max, uint64_t& value)
{
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ')
        return false;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || end == text.c_str() || *end != '\0' || v > max)
        return false;
    value = v;
    return true;
}

namespace {

std::vector<std::string> splitColons(const std::string& text)
{
    std::vector<std::string> parts;
    size_t from = 0;
    for (;;) {
        const size_t colon = text.find(':', from);
        parts.push_back(text.substr(from, colon == std::string::npos ? std::string::npos : colon - from));
        if (colon == std::string::npos)
            return parts;
        from = colon + 1;
    }
}

} // namespace

bool FaultSet::add(const std::string& text, std::string& error)
{
    const size_t eq = text.find('=');
    const std::string name = text.substr(0, eq);
    const bool hasValue = eq != std::string::npos;
    const std::string value = hasValue ? text.substr(eq + 1) : std::string();
    uint64_t n = 0;

    auto fail = [&](const std::string& why) {
        error = "fault '" + text + "': " + why;
        return false;
    };
    auto needNumber = [&](uint64_t max) {
        if (!hasValue)
            return fail("needs a value");
        if (!parseNumber(value, max, n))
            return fail("value must be a number from 0 to " + std::to_string(max));
        return true;
    };

    if (name == "silent") {
        if (hasValue)
            return fail("takes no value");
        silent = true;
    } else if (name == "noise") {
        if (!needNumber(1000)) return false;
        noiseBytes = static_cast<uint32_t>(n);
    } else if (name == "drop") {
        if (!needNumber(100)) return false;
        dropPercent = static_cast<uint32_t>(n);
    } else if (name == "badsum" || name == "badend") {
        n = 100;
        if (hasValue && !needNumber(100)) return false;
        (name == "badsum" ? badSumPercent : badEndPercent) = static_cast<uint32_t>(n);
    } else if (name == "truncate") {
        if (!needNumber(1000)) return false;
        truncateTo = static_cast<uint32_t>(n);
    } else if (name == "slow") {
        if (!needNumber(60000)) return false;
        slowMs = static_cast<uint32_t>(n);
    } else if (name == "bootslow") {
        if (!needNumber(60000)) return false;
        bootSlowMs = static_cast<uint32_t>(n);
    } else if (name == "deadpage") {
        if (!needNumber(0xFFFF)) return false;
        deadPages.push_back(static_cast<uint16_t>(n));
    } else if (name == "stuck") {
        if (!needNumber(511)) return false;
        stuckBytes.push_back(static_cast<uint16_t>(n));
    } else if (name == "sw") {
        if (!needNumber(255)) return false;
        softwareVersion = static_cast<uint8_t>(n);
    } else if (name == "unplug") {
        const auto parts = splitColons(value);
        uint64_t at = 0, duration = 0;
        if (!hasValue || parts.size() > 2 || !parseNumber(parts[0], 1ull << 40, at)
            || (parts.size() == 2 && !parseNumber(parts[1], 1ull << 40, duration)))
            return fail("expected ms[:for_ms]");
        unplugAfterMs = at;
        unplugForMs = duration;
    } else if (name == "silence" || name == "pull") {
        const auto parts = splitColons(value);
        uint64_t frames = 0, duration = 0;
        if (!hasValue || parts.size() > 2 || !parseNumber(parts[0], 0xFFFFFFFFull, frames) || frames == 0
            || (parts.size() == 2 && !parseNumber(parts[1], 1ull << 40, duration)))
            return fail("expected frames[:for_ms], frames from 1");
        outage = Outage{static_cast<uint32_t>(frames), duration, name == "pull"};
    } else if (name == "supply" || name == "zero") {
        const size_t atSign = value.find('@');
        uint64_t at = 0;
        if (!hasValue || (name == "zero" && atSign != std::string::npos)
            || (atSign != std::string::npos && !parseNumber(value.substr(atSign + 1), 1ull << 40, at)))
            return fail(name == "zero" ? "expected ms" : "expected volts[@ms]");
        const std::string number = value.substr(0, atSign);
        if (!parseNumber(number, name == "zero" ? 1ull << 40 : 60, n))
            return fail(name == "zero" ? "expected ms" : "expected volts from 0 to 60[@ms]");
        if (name == "zero") {
            zeroAfterMs = n;
        } else {
            supplyVolts = static_cast<uint32_t>(n);
            supplyAtMs = at;
        }
    } else if (name == "pumpopen" || name == "nocurrent" || name == "nodrive") {
        if (!hasValue || !parseNumber(value, 2, n) || n == 0)
            return fail("expected pump 1 or 2");
        uint8_t& mask = name == "pumpopen" ? pumpOpen : name == "nocurrent" ? pumpNoCurrent : pumpNoDrive;
        mask = static_cast<uint8_t>(mask | (1u << (n - 1)));
    } else if (name == "mix") {
        if (!hasValue)
            return fail("needs a value");
        const auto parts = splitColons(value);
        uint64_t percent = 0, seed = 1;
        if (parts.size() > 2 || !parseNumber(parts[0], 100, percent)
            || (parts.size() == 2 && !parseNumber(parts[1], 0xFFFFFFFFull, seed)))
            return fail("expected percent[:seed], percent from 0 to 100");
        mixPercent = static_cast<uint32_t>(percent);
        mixSeed = static_cast<uint32_t>(seed);
    } else if (name == "usb") {
        UsbAdapter adapter;
        if (hasValue) {
            const auto parts = splitColons(value);
            uint64_t turnaround = 0, latency = adapter.latencyMs;
            if (parts.size() > 2 || !parseNumber(parts[0], 1000, turnaround)
                || (parts.size() == 2 && !parseNumber(parts[1], 255, latency)))
                return fail("expected turnaround[:latency] in ms, at most 1000 and 255");
            adapter.turnaroundMs = static_cast<uint32_t>(turnaround);
            adapter.latencyMs = static_cast<uint32_t>(latency);
        }
        usb = adapter;
    } else if (name == "reject" || name == "errors") {
        if (!hasValue)
            return fail("needs a value");
        const auto parts = splitColons(value);
        if (name == "reject") {
            if (parts.size() < 2 || parts.size() > 3)
                return fail("expected block:times[:code]");
            Rejection r;
            uint64_t block = 0, times = 0, code = 1;
            if (!parseNumber(parts[0], 0xFFFF, block) || !parseNumber(parts[1], 1000000, times)
                || (parts.size() == 3 && !parseNumber(parts[2], 255, code)))
                return fail("expected block:times[:code] as numbers");
            r.block = static_cast<uint16_t>(block);
            r.times = static_cast<uint32_t>(times);
            r.code = static_cast<uint8_t>(code);
            rejections.push_back(r);
        } else {
            const size_t atSign = value.find('@');
            const auto words = splitColons(value.substr(0, atSign));
            uint64_t present = 0, stored = 0, at = 0;
            if (words.size() > 2 || !parseNumber(words[0], 0xFFFF, present)
                || (words.size() == 2 && !parseNumber(words[1], 0xFFFF, stored))
                || (atSign != std::string::npos && !parseNumber(value.substr(atSign + 1), 1ull << 40, at)))
                return fail("expected present[:stored][@ms] as 16-bit numbers");
            errorsPresent = static_cast<uint16_t>(present);
            errorsStored = static_cast<uint16_t>(stored);
            if (atSign != std::string::npos)
                errorsAtMs = at;
        }
    } else {
        return fail("unknown fault (known: silent, noise, drop, badsum, badend, truncate, slow, "
                    "deadpage, stuck, sw, reject, bootslow, unplug, silence, pull, errors, supply, zero, pumpopen, nocurrent, nodrive, mix, usb)");
    }
    return true;
}

} // namespace kdx::sim
