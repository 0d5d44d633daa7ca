#include "sim/ControllerModel.h"

#include "protocol/Wire.h"
#include "sim/SimAnswers.h"

#include <algorithm>

namespace kdx::sim {

namespace {

uint64_t toUs(uint64_t ms) { return ms * 1000ull; }

bool knownMode(uint8_t m)
{
    return m == wire::kModeAuto || m == wire::kModeManualTrig || m == wire::kModeManualConst
           || m == wire::kModeService || m == wire::kModeOff;
}

} // namespace

ControllerModel::ControllerModel(ControllerConfig config)
    : ControllerModel(config, ParameterMemory::factory(config.serialNumber).bytes())
{
}

ControllerModel::ControllerModel(ControllerConfig config, const ParameterMemory::Bytes& eeprom)
    : m_config(config), m_memory(eeprom), m_eeprom(eeprom)
{
}

void ControllerModel::powerOn(uint64_t nowMs)
{
    m_powered = true;
    m_powerOnMs = nowMs;
    m_wire.clear();
    startApplication(nowMs);
}

void ControllerModel::ensurePowered(uint64_t nowMs)
{
    if (!m_powered)
        powerOn(nowMs);
}

void ControllerModel::startApplication(uint64_t nowMs)
{
    m_memory = m_eeprom;
    const uint8_t mode = m_memory.byteAt(ParameterMemory::kWorkMode);
    m_workMode = knownMode(mode) ? mode : wire::kModeOff;
    m_serviceRun = false;
    m_assembler.setMode(FrameAssembler::Mode::Command);
    m_assembler.takeDiscarded();
    m_behaviour.reset(nowMs);
}

bool ControllerModel::inOutage(uint64_t nowMs) const
{
    if (!m_outageFromMs || nowMs < *m_outageFromMs)
        return false;
    return m_faults.outage->forMs == 0 || nowMs < *m_outageFromMs + m_faults.outage->forMs;
}

bool ControllerModel::silenced(uint64_t nowMs) const
{
    return m_faults.outage && !m_faults.outage->adapterPulled && inOutage(nowMs);
}

bool ControllerModel::unplugged(uint64_t nowMs) const
{
    if (m_unpluggedByHand)
        return true;
    if (m_faults.outage && m_faults.outage->adapterPulled && inOutage(nowMs))
        return true;
    if (!m_faults.unplugAfterMs || !m_powered || nowMs < m_powerOnMs + *m_faults.unplugAfterMs)
        return false;
    return m_faults.unplugForMs == 0 || nowMs < m_powerOnMs + *m_faults.unplugAfterMs + m_faults.unplugForMs;
}

void ControllerModel::receive(const uint8_t* data, size_t count, uint64_t nowMs)
{
    ensurePowered(nowMs);
    if (unplugged(nowMs))
        return;
    if (silenced(nowMs)) {
        trace(TraceEvent::Direction::Discarded, nowMs, std::vector<uint8_t>(data, data + count), "bus silent");
        return;
    }
    m_assembler.feed(data, count, nowMs,
                     [&](const uint8_t* frame, size_t size) { handleFrame(frame, size, nowMs); });
    std::vector<uint8_t> junk = m_assembler.takeDiscarded();
    if (!junk.empty())
        trace(TraceEvent::Direction::Discarded, nowMs, std::move(junk), "not a valid frame");
}

size_t ControllerModel::available(uint64_t nowMs)
{
    ensurePowered(nowMs);
    if (unplugged(nowMs) || silenced(nowMs)) {
        m_wire.clear();
        return 0;
    }
    return m_wire.available(toUs(nowMs));
}

size_t ControllerModel::take(uint8_t* destination, size_t maxCount, uint64_t nowMs)
{
    ensurePowered(nowMs);
    if (unplugged(nowMs) || silenced(nowMs)) {
        m_wire.clear();
        return 0;
    }
    return m_wire.take(destination, maxCount, toUs(nowMs));
}

void ControllerModel::discardDue(uint64_t nowMs) { m_wire.discardDue(toUs(nowMs)); }

std::optional<uint64_t> ControllerModel::nextByteMs() const
{
    const auto us = m_wire.nextByteUs();
    if (!us)
        return std::nullopt;
    return (*us + 999) / 1000;
}

void ControllerModel::advance(uint64_t nowMs)
{
    ensurePowered(nowMs);
    m_behaviour.advanceTo(nowMs, m_memory, m_workMode, m_serviceRun && m_workMode == wire::kModeService);
    if (m_faults.errorsAtMs && nowMs >= m_powerOnMs + *m_faults.errorsAtMs)
        m_errorsPresent = m_faults.errorsPresent;
    m_errorsStored |= m_errorsPresent;
}

void ControllerModel::setFaults(const FaultSet& faults)
{
    m_faults = faults;
    m_framesTaken = 0;
    m_outageFromMs.reset();
    m_mixed = MixedFaults(faults.mixPercent, faults.mixSeed);
    m_errorsPresent = faults.errorsAtMs ? 0 : faults.errorsPresent;
    m_errorsStored = faults.errorsStored | m_errorsPresent;
}

InjectionCounts ControllerModel::injectedTotal() const
{
    InjectionCounts t;
    for (const auto& c : m_injected) {
        t.lost += c.lost;
        t.bad += c.bad;
        t.checksum += c.checksum;
        t.delayed += c.delayed;
    }
    return t;
}

uint8_t ControllerModel::softwareVersion() const
{
    return m_faults.softwareVersion ? *m_faults.softwareVersion : m_config.softwareVersion;
}

SimStatus ControllerModel::status(uint64_t nowMs)
{
    advance(nowMs);
    SimStatus s;
    m_behaviour.fill(s);
    s.errorAct = m_errorsPresent;
    s.errorMemo = m_errorsStored;
    s.workMode = m_workMode;
    s.frameErrorCount = static_cast<uint8_t>(m_assembler.frameErrors() & 0xFF);
    applyOutputFaults(s, nowMs);
    if (m_statusHook)
        m_statusHook(s);
    return s;
}

void ControllerModel::applyOutputFaults(SimStatus& s, uint64_t nowMs) const
{
    const uint32_t running[2] = {kFlagPump1Running, kFlagPump2Running};
    const uint32_t missing[2] = {kAuxPump1NotConnected, kAuxPump2NotConnected};
    uint16_t* current[2] = {&s.current1, &s.current2};
    for (unsigned p = 0; p < 2; ++p) {
        const uint8_t bit = static_cast<uint8_t>(1u << p);
        if (m_faults.pumpNoDrive & bit)
            s.flag &= ~running[p];
        if (m_faults.pumpOpen & bit)
            s.auxFlags |= missing[p];
        if ((m_faults.pumpOpen | m_faults.pumpNoCurrent | m_faults.pumpNoDrive) & bit)
            *current[p] = 0;
    }
    if (m_faults.supplyVolts && nowMs >= m_powerOnMs + m_faults.supplyAtMs)
        s.supplyVoltage = static_cast<uint16_t>(*m_faults.supplyVolts / (0.00122 * 7.8) + 0.5);
    if (m_faults.zeroAfterMs && nowMs >= m_powerOnMs + *m_faults.zeroAfterMs)
        s = SimStatus();
}

void ControllerModel::handleFrame(const uint8_t* frame, size_t size, uint64_t nowMs)
{
    // Frames of one read after the outage's frame are lost with it.
    if (inOutage(nowMs)) {
        trace(TraceEvent::Direction::Discarded, nowMs, std::vector<uint8_t>(frame, frame + size),
              m_faults.outage->adapterPulled ? "adapter pulled" : "bus silent");
        return;
    }
    ++m_framesTaken;
    if (size == wire::kFrameSize && m_assembler.mode() == FrameAssembler::Mode::Command)
        handleCommand(frame, nowMs);
    else
        handleBootFrame(frame, size, nowMs);
    if (m_faults.outage && !m_outageFromMs && m_framesTaken == m_faults.outage->afterFrames) {
        m_outageFromMs = nowMs;
        trace(TraceEvent::Direction::Discarded, nowMs, {},
              m_faults.outage->adapterPulled ? "adapter pulled" : "bus silent");
    }
}

void ControllerModel::handleCommand(const uint8_t* f, uint64_t nowMs)
{
    ++m_commands;
    trace(TraceEvent::Direction::Received, nowMs, std::vector<uint8_t>(f, f + wire::kFrameSize), "");
    // The behaviour runs with the old settings up to the moment the frame arrived.
    advance(nowMs);
    if (m_answerSource) {
        if (auto bytes = m_answerSource(f, wire::kFrameSize)) {
            const uint64_t startUs = toUs(nowMs) + m_config.processingDelayUs;
            trace(TraceEvent::Direction::Sent, startUs / 1000, *bytes, "replayed");
            m_wire.push(std::move(*bytes), startUs);
        } else {
            trace(TraceEvent::Direction::Sent, nowMs, {}, "replayed: no answer");
        }
        return;
    }
    const uint8_t code = f[0], b = f[1], c = f[2], d = f[3];

    if (code == wire::kCmdIdentify) {
        answer(AnswerKind::Identify, answers::identify(hardwareVersion(), softwareVersion(), softwareRevision()),
               nowMs);
    } else if (code == wire::kCmdRead && b == wire::kReadPage) {
        const uint16_t address = static_cast<uint16_t>((c << 8) | d);
        answer(AnswerKind::Page, answers::page(m_memory, address), nowMs, address);
    } else if (code == wire::kCmdRead && b == wire::kReadStatus) {
        answer(AnswerKind::Status, answers::status(status(nowMs).encode()), nowMs);
    } else if (code == wire::kCmdRead && b == wire::kReadBoot && c == 0 && d == 0) {
        // The application hands over to the bootloader; the rest of what
        // arrives is read as 212-byte frames.
        m_serviceRun = false;
        m_assembler.setMode(FrameAssembler::Mode::Boot);
        m_bootloader.enter(m_faults.rejections);
    } else if (code == wire::kCmdSetWorkMode) {
        m_workMode = c;
        m_memory.setByte(ParameterMemory::kWorkMode, c);
        if (c != wire::kModeService)
            m_serviceRun = false;
    } else if (code == wire::kCmdServiceOn) {
        m_serviceRun = m_workMode == wire::kModeService;
        // A service run starts with its on-phase.
        if (m_serviceRun)
            m_behaviour.restartPumpCycles();
    } else if (code == wire::kCmdServiceOff) {
        m_serviceRun = false;
    } else if (code == wire::kCmdEraseErrors) {
        // Errors still present are stored again at once.
        m_errorsStored = m_errorsPresent;
    } else if (code == wire::kCmdSaveToEeprom) {
        m_eeprom = m_memory;
        writeEeprom();
    } else if (code >= wire::kCmdWriteByteBase && code < wire::kCmdSaveToEeprom) {
        // Worn cells keep what they held.
        std::vector<uint8_t> stuck;
        for (uint16_t offset : m_faults.stuckBytes)
            stuck.push_back(m_memory.byteAt(offset));
        if (code < wire::kCmdWriteWordBase) {
            const size_t offset = (static_cast<size_t>(code - wire::kCmdWriteByteBase) << 8) | b;
            m_memory.setByte(offset, d); // beyond the memory: ignored
        } else {
            const size_t index = (static_cast<size_t>(code - wire::kCmdWriteWordBase) << 8) | b;
            if (index < kMemorySize / 2)
                m_memory.setWordAt(2 * index, static_cast<uint16_t>((c << 8) | d));
        }
        for (size_t i = 0; i < stuck.size(); ++i)
            m_memory.setByte(m_faults.stuckBytes[i], stuck[i]);
    }
}

void ControllerModel::handleBootFrame(const uint8_t* frame, size_t size, uint64_t nowMs)
{
    trace(TraceEvent::Direction::Received, nowMs, std::vector<uint8_t>(frame, frame + size), "bootloader");
    const Bootloader::Outcome out = m_bootloader.handleFrame(frame, size);
    if (!out.reply.empty())
        answer(AnswerKind::Boot, out.reply, nowMs);
    if (!out.leave)
        return;
    if (m_bootloader.flashWritten()) {
        // New firmware: its version text decides what identify reports, and
        // it starts with erased parameters.
        ++m_upgrades;
        if (const auto v = m_bootloader.newVersion()) {
            m_config.softwareVersion = v->software;
            m_config.softwareRevision = v->revision;
        }
        m_eeprom = ParameterMemory();
        writeEeprom();
    }
    startApplication(nowMs);
}

bool ControllerModel::takeShare(uint32_t percent, uint64_t& counter)
{
    if (percent == 0)
        return false;
    ++counter;
    return counter * percent / 100 > (counter - 1) * percent / 100;
}

void ControllerModel::answer(AnswerKind kind, std::vector<uint8_t> bytes, uint64_t nowMs, uint16_t pageAddress)
{
    InjectionCounts& counts = m_injected[static_cast<int>(kind)];
    ++counts.answers;
    const uint64_t turnaroundUs = m_faults.usb ? toUs(m_faults.usb->turnaroundMs) : m_config.processingDelayUs;
    const uint64_t startUs = toUs(nowMs) + turnaroundUs + toUs(m_faults.slowMs)
        + (kind == AnswerKind::Boot ? toUs(m_faults.bootSlowMs) : 0);
    std::string note;

    if (m_faults.silent) {
        ++counts.lost;
        trace(TraceEvent::Direction::Sent, nowMs, {}, "silent: answer withheld");
        return;
    }
    // The bootloader's replies are spoiled only by silent and unplug; its own
    // misbehaviour is reject=.
    if (kind != AnswerKind::Boot) {
        if (takeShare(m_faults.dropPercent, m_dropCounter)) {
            ++counts.lost;
            trace(TraceEvent::Direction::Sent, nowMs, {}, "drop: answer withheld");
            return;
        }
        if (kind == AnswerKind::Page
            && std::find(m_faults.deadPages.begin(), m_faults.deadPages.end(), pageAddress)
                   != m_faults.deadPages.end()) {
            ++counts.lost;
            trace(TraceEvent::Direction::Sent, nowMs, {}, "deadpage: answer withheld");
            return;
        }

        const std::vector<uint8_t> clean = bytes;
        const size_t len = clean.size();
        if ((kind == AnswerKind::Page || kind == AnswerKind::Status)
            && takeShare(m_faults.badSumPercent, m_badSumCounter)) {
            bytes[len - 2] = static_cast<uint8_t>(bytes[len - 2] + 1);
            note += " badsum";
        }
        if (takeShare(m_faults.badEndPercent, m_badEndCounter)) {
            bytes[len - 1] = static_cast<uint8_t>(wire::kFrameEnd + 1);
            note += " badend";
        }
        if (m_faults.truncateTo && bytes.size() > *m_faults.truncateTo) {
            bytes.resize(*m_faults.truncateTo);
            note += " truncate";
        }
        if (m_faults.noiseBytes > 0) {
            std::vector<uint8_t> noise(m_faults.noiseBytes);
            for (auto& n : noise) {
                m_noiseSeed = m_noiseSeed * 1664525u + 1013904223u;
                n = static_cast<uint8_t>(m_noiseSeed >> 24);
            }
            if (noise[0] == clean[0])
                noise[0] = static_cast<uint8_t>(~noise[0]);
            bytes.insert(bytes.begin(), noise.begin(), noise.end());
            note += " noise";
        }
        const AnswerShape shape = kind == AnswerKind::Identify ? kIdentifyShape : kFramedShape;
        const MixedFaults::Spoil mixed = m_mixed.spoil(bytes, shape);
        if (mixed != MixedFaults::Spoil::None)
            note += std::string(" mix:") + MixedFaults::name(mixed);
        if (bytes.empty()) {
            ++counts.lost;
            trace(TraceEvent::Direction::Sent, nowMs, {}, note.substr(1) + ": answer withheld");
            return;
        }
        // Count the answer the way a reader expecting `len` bytes sees it.
        switch (judgeAnswer(clean, bytes, shape)) {
        case ReaderVerdict::Lost: ++counts.lost; break;
        case ReaderVerdict::Bad: ++counts.bad; break;
        case ReaderVerdict::Checksum: ++counts.checksum; break;
        case ReaderVerdict::Valid: break;
        }
        if (m_faults.slowMs > 0) {
            ++counts.delayed;
            note += " slow";
        }
    }
    if (!note.empty())
        note = note.substr(1);
    trace(TraceEvent::Direction::Sent, startUs / 1000, bytes, note);
    m_wire.push(std::move(bytes), startUs);
}

void ControllerModel::writeEeprom()
{
    if (m_onSave)
        m_onSave(m_eeprom.bytes());
}

void ControllerModel::trace(TraceEvent::Direction direction, uint64_t atMs, std::vector<uint8_t> bytes,
                            std::string note)
{
    if (!m_trace)
        return;
    TraceEvent e;
    e.atMs = atMs;
    e.direction = direction;
    e.bytes = std::move(bytes);
    e.note = std::move(note);
    m_trace(e);
}

} // namespace kdx::sim
