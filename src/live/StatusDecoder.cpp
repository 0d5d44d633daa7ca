#include "live/StatusDecoder.h"

#include "protocol/Wire.h"
#include "live/NumberText.h"
#include "live/WorkModeChoice.h"

#include <utility>

namespace kdx {

namespace {

struct ModeRow {
    int textKey;
    std::optional<ModePage> page;
    ModeButton button;
};

int modeTextKey(uint8_t code)
{
    switch (code) {
    case wire::kModeAuto: return 100211;
    case wire::kModeManualTrig: return 100212;
    case wire::kModeManualConst: return 100213;
    case wire::kModeService: return 100214;
    case wire::kModeError: return 100216;
    case wire::kModeOff: return 100215;
    default: return 100217;
    }
}

// The error mode and unknown codes show no mode page and mark "off".
ModeRow modeRow(uint8_t code)
{
    ModeRow row{modeTextKey(code), std::nullopt, ModeButton::Off};
    if (const WorkModeChoice* choice = workModeChoice(code)) {
        row.page = choice->page;
        row.button = choice->button;
    }
    return row;
}

} // namespace

StatusDecoder::StatusDecoder(TextLookup texts) : m_texts(std::move(texts)) {}

DashboardView StatusDecoder::decode(const StatusFrame& f, uint8_t hardwareVersion,
                                    const std::string& sep, Detail detail)
{
    const bool diag = detail == Detail::Full;
    DashboardView v;
    const auto fixed = [&sep](double value, int precision, int decimals) {
        return NumberText::fixed(value, precision, decimals, sep);
    };
    const auto amps = [&](int channel) { return fixed(f.currentAmps(channel), 4, 2) + " [A]"; };
    const auto tenths = [&](int raw) { return fixed(raw * 0.1, 3, 1) + " [s]"; };

    // Errors now and in memory; the memory lamp looks at all 16 bits.
    for (unsigned b = 0; b < kNamedErrorBits; ++b) {
        v.actualErrors[b] = ((f.errorAct() >> b) & 1u) != 0;
        v.memoryErrors[b] = ((f.errorMemo() >> b) & 1u) != 0;
    }
    v.errMem = f.errorMemo() != 0;

    v.warP1 = f.pump1NotConnected();
    v.warP2 = f.pump2NotConnected();
    v.cmpOut = f.outFlag();
    v.cmpEv = f.eventFlag();

    // Diagnostic grid.
    using Row = DashboardView::VizRow;
    if (diag) {
        v.viz[0] = Row{m_texts(100201), "Bin, MSB:" + NumberText::binary(f.flag())};
        v.viz[1] = Row{m_texts(100201),
                       m_texts(100202) + NumberText::binary(static_cast<uint32_t>(f.u64(0) >> 16))};
        v.viz[2] = Row{m_texts(100203), amps(1)};
        v.viz[3] = Row{m_texts(100204), amps(2)};
        if (hardwareVersion == 1) {
            v.viz[4] = Row{m_texts(100205), amps(3)};
            v.viz[5] = Row{m_texts(100206), amps(4)};
        } else if (hardwareVersion == 2) {
            v.viz[4] = Row{m_texts(100207), m_texts(100202) + NumberText::binary(f.errorAct())};
            v.viz[5] = Row{m_texts(100208), m_texts(100202) + NumberText::binary(f.errorMemo())};
    }
    v.viz[6] = Row{m_texts(100209), fixed(f.waterLevVolts(), 4, 2) + " [V]"};
    v.viz[7] = Row{m_texts(100210), fixed(f.filtrowanyWaterLevVolts(), 4, 2) + " [V]"};
    }

    // Work mode: its text, the one mode page shown, the one bold button.
    const ModeRow mode = modeRow(f.workMode());
    m_modeText = m_texts(mode.textKey);
    v.modeText = m_modeText;
    if (mode.page)
        v.modePageVisible[static_cast<size_t>(*mode.page)] = true;
    v.boldButton = mode.button;

    if (diag) {
        v.viz[8] = Row{m_texts(100218), m_modeText};
        v.viz[9] = Row{m_texts(100219), std::to_string(f.autoOnDelay())};
        v.viz[10] = Row{m_texts(100220), tenths(f.protOpenTimeP1())};
        v.viz[11] = Row{m_texts(100221), tenths(f.protOpenTimeP2())};
        v.viz[12] = Row{m_texts(100222), tenths(f.protDelayTimeP1Off())};
        v.viz[13] = Row{m_texts(100223), tenths(f.protDelayTimeP2Off())};
        for (size_t r = 0; r < StatusFrame::kRawWords; ++r)
            v.rawWords[r] = NumberText::hex(f.word(r), 4);
    }

    v.opPerSecond = m_texts(100224) + std::to_string(f.operationsPerSecond());

    auto set = [&v](Lamp lamp, bool on) { v.lamps[static_cast<size_t>(lamp)] = on; };
    set(Lamp::SystemOn, f.systemOn());
    set(Lamp::StacOn, f.ignitionOn());
    set(Lamp::Pump1, f.pump1Running());
    set(Lamp::Pump2, f.pump2Running());
    set(Lamp::Jon1, f.ionizer1On());
    set(Lamp::Jon2, f.ionizer2On());
    set(Lamp::MinRpmP1, f.minRpmP1());
    set(Lamp::MaxRpmP1, f.maxRpmP1());
    set(Lamp::MinRpmP2, f.minRpmP2());
    set(Lamp::MaxRpmP2, f.maxRpmP2());
    set(Lamp::Serwis, f.serviceRunOn());
    set(Lamp::OnDelayAuto, f.onDelayRunning());
    set(Lamp::MaskMapOn, f.mapOff());
    set(Lamp::Empty, f.waterTankEmpty());
    set(Lamp::AutoMaxHum, f.autoMaxHumidity());
    set(Lamp::AutoMinTemp, f.autoMinTemperature());
    set(Lamp::FatalErr1, f.fatalError1());
    set(Lamp::FatalErr2, f.fatalError2());

    const std::string shortOff = f.shortOff() ? "1" : "0";
    v.pump1Caption = m_texts(100225) + fixed(f.pump1Ton() * 0.1, 4, 1) + m_texts(100226)
                     + fixed(f.pump1Toff() * 0.1, 5, 1) + m_texts(100227) + shortOff;
    v.pump2Caption = m_texts(100228) + fixed(f.pump2Ton() * 0.1, 4, 1) + m_texts(100226)
                     + fixed(f.pump2Toff() * 0.1, 5, 1) + m_texts(100227) + shortOff;
    v.systemOnCaption = m_texts(100235) + ", " + m_modeText;

    v.meterValue = f.engineRpmThousands();

    v.vdcText = m_texts(100229) + fixed(f.supplyVolts(), 4, 2) + "[V]";
    v.humidityText = m_texts(100230) + fixed(f.humidityPercent(), 4, 2) + m_texts(100231)
                     + std::to_string(f.frameErrorCount());
    v.temperatureText = m_texts(100232) + fixed(f.temperatureCelsius(), 4, 2) + "[C]";
    return v;
}

} // namespace kdx
