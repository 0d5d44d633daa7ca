#pragma once

#include "sim/Bootloader.h"
#include "sim/ControllerBehaviour.h"
#include "sim/FaultSet.h"
#include "sim/FrameAssembler.h"
#include "sim/MixedFaults.h"
#include "sim/ParameterMemory.h"
#include "sim/SimConstants.h"
#include "sim/SimStatus.h"
#include "sim/WireQueue.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kdx::sim {

struct ControllerConfig {
    uint8_t hardwareVersion = kDefaultHardwareVersion;
    uint8_t softwareVersion = kDefaultSoftwareVersion;
    uint8_t softwareRevision = kDefaultSoftwareRevision;
    // Serial number written into a fresh EEPROM (one loaded from a file keeps its own).
    uint32_t serialNumber = kDefaultSerialNumber;
    uint32_t processingDelayUs = kProcessingDelayUs;
};

// The controller's firmware behind the wire, driven by the caller's time:
// bytes from the PC go in with receive(), answers come out with take() once
// they have travelled the wire at 19200 baud. Times are the milliseconds of
// one monotonic clock (virtual in tests, steady in kdx-sim and --demo).
// Single-threaded; no call blocks.
class ControllerModel {
public:
    enum class AnswerKind { Identify, Page, Status, Boot };
    static constexpr int kAnswerKinds = 4;

    struct TraceEvent {
        enum class Direction { Received, Sent, Discarded };
        uint64_t atMs = 0; // received: when it arrived; sent: first byte's start
        Direction direction = Direction::Received;
        std::vector<uint8_t> bytes;
        std::string note; // e.g. the fault that spoiled an answer
    };
    using SaveCallback = std::function<void(const ParameterMemory::Bytes& eeprom)>;
    using StatusHook = std::function<void(SimStatus& status)>;
    using TraceSink = std::function<void(const TraceEvent& event)>;

    explicit ControllerModel(ControllerConfig config = {});
    // With an EEPROM image kept from an earlier run.
    ControllerModel(ControllerConfig config, const ParameterMemory::Bytes& eeprom);

    // Power-up at nowMs: memory loaded from EEPROM, mode from memory, the
    // drive cycle starts, unplug=MS counts from here. A second call is a
    // power cycle (unsaved memory is lost).
    void powerOn(uint64_t nowMs);
    // Powers up at nowMs unless already on; every call that carries a time
    // does this, so a model nobody switched on starts with its first use.
    void ensurePowered(uint64_t nowMs);

    // --- the wire -------------------------------------------------------------
    void receive(const uint8_t* data, size_t count, uint64_t nowMs);
    size_t available(uint64_t nowMs);
    size_t take(uint8_t* destination, size_t maxCount, uint64_t nowMs);
    // Answers complete by nowMs that nobody was listening for are lost.
    void discardDue(uint64_t nowMs);
    // When the next byte of an answer is complete (empty: nothing queued).
    std::optional<uint64_t> nextByteMs() const;
    // Pulled from the line (fault unplug=MS, or setUnplugged).
    bool unplugged(uint64_t nowMs) const;
    // The bus is silent (fault silence=N): nothing is received, nothing answered.
    bool silenced(uint64_t nowMs) const;
    // Frames taken from the PC, of the application and the bootloader.
    uint32_t framesTaken() const { return m_framesTaken; }
    void setUnplugged(bool unplugged) { m_unpluggedByHand = unplugged; }

    // Runs the firmware's behaviour up to nowMs (status requests do this too).
    void advance(uint64_t nowMs);

    // --- faults ---------------------------------------------------------------
    void setFaults(const FaultSet& faults);
    const FaultSet& faults() const { return m_faults; }
    InjectionCounts injected(AnswerKind kind) const { return m_injected[static_cast<int>(kind)]; }
    InjectionCounts injectedTotal() const;

    // --- state ----------------------------------------------------------------
    const ParameterMemory& memory() const { return m_memory; }
    ParameterMemory& memory() { return m_memory; }
    const ParameterMemory& eeprom() const { return m_eeprom; }
    uint8_t hardwareVersion() const { return m_config.hardwareVersion; }
    // As the identify answer reports it (sw=N overrides the firmware's own).
    uint8_t softwareVersion() const;
    uint8_t softwareRevision() const { return m_config.softwareRevision; }
    uint8_t workMode() const { return m_workMode; }
    bool serviceRunning() const { return m_serviceRun; }
    bool inBootloader() const { return m_assembler.mode() == FrameAssembler::Mode::Boot; }
    const Bootloader& bootloader() const { return m_bootloader; }
    uint16_t errorsPresent() const { return m_errorsPresent; }
    uint16_t errorsStored() const { return m_errorsStored; }
    uint32_t frameErrors() const { return m_assembler.frameErrors(); }
    uint32_t commandsHandled() const { return m_commands; }
    uint32_t upgradesDone() const { return m_upgrades; }
    const ControllerBehaviour& behaviour() const { return m_behaviour; }
    ControllerBehaviour& behaviour() { return m_behaviour; }

    // The status as a request at nowMs would be answered (hook applied).
    SimStatus status(uint64_t nowMs);

    // Lets a test or the demo pin status fields: called on every status built.
    void setStatusHook(StatusHook hook) { m_statusHook = std::move(hook); }
    // Called with the EEPROM whenever it is written (save command, upgrade).
    void setSaveCallback(SaveCallback callback) { m_onSave = std::move(callback); }
    void setTraceSink(TraceSink sink) { m_trace = std::move(sink); }
    // Replaces the controller's own answers to command frames (a recorded
    // session played back): the bytes returned are sent after the usual
    // turnaround, nullopt sends nothing.
    using AnswerSource = std::function<std::optional<std::vector<uint8_t>>(const uint8_t* frame, size_t size)>;
    void setAnswerSource(AnswerSource source) { m_answerSource = std::move(source); }

private:
    void startApplication(uint64_t nowMs);
    void handleFrame(const uint8_t* frame, size_t size, uint64_t nowMs);
    // The output and timed status faults (pumpopen, nocurrent, nodrive, supply, zero).
    void applyOutputFaults(SimStatus& status, uint64_t nowMs) const;
    void handleCommand(const uint8_t* f, uint64_t nowMs);
    void handleBootFrame(const uint8_t* frame, size_t size, uint64_t nowMs);
    void answer(AnswerKind kind, std::vector<uint8_t> bytes, uint64_t nowMs, uint16_t pageAddress = 0);
    void writeEeprom();
    void trace(TraceEvent::Direction direction, uint64_t atMs, std::vector<uint8_t> bytes, std::string note);
    // Evenly spread share: true for percent of every 100 calls on this counter.
    static bool takeShare(uint32_t percent, uint64_t& counter);

    ControllerConfig m_config;
    ParameterMemory m_memory;
    ParameterMemory m_eeprom;
    FrameAssembler m_assembler;
    Bootloader m_bootloader;
    ControllerBehaviour m_behaviour;
    WireQueue m_wire;
    FaultSet m_faults;
    MixedFaults m_mixed;
    InjectionCounts m_injected[kAnswerKinds];
    uint64_t m_dropCounter = 0;
    uint64_t m_badSumCounter = 0;
    uint64_t m_badEndCounter = 0;
    uint32_t m_noiseSeed = 0x9E3779B9u;

    bool m_powered = false;
    uint64_t m_powerOnMs = 0;
    bool m_unpluggedByHand = false;
    uint32_t m_framesTaken = 0;
    std::optional<uint64_t> m_outageFromMs; // set when the chosen frame arrived
    bool inOutage(uint64_t nowMs) const;
    uint8_t m_workMode = 0xFF;
    bool m_serviceRun = false;
    uint16_t m_errorsPresent = 0;
    uint16_t m_errorsStored = 0;
    uint32_t m_commands = 0;
    uint32_t m_upgrades = 0;

    StatusHook m_statusHook;
    SaveCallback m_onSave;
    TraceSink m_trace;
    AnswerSource m_answerSource;
};

} // namespace kdx::sim
