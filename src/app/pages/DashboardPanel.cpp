#include "app/pages/DashboardPanel.h"

#include "app/pages/ControlFactory.h"
#include "app/pages/LanguageRegistry.h"
#include "live/LampAppearance.h"
#include "widgets/LedIndicator.h"
#include "widgets/Meter270.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <initializer_list>

namespace kdx {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// Object names, for tests and accessibility.
const char* lampObjectName(Lamp lamp)
{
    static const char* const names[kLampCount] = {
        "AbLEDSystemOn", "AbLEDStacOn",      "AbLEDPump1",      "AbLEDPump2",       "AbLEDJon1",
        "AbLEDJon2",     "AbLEDMinRpmP1",    "AbLEDMaxRpmP1",   "AbLEDMinRpmP2",    "AbLEDMaxRpmP2",
        "AbLEDSerwis",   "AbLEDOnDelayAuto", "AbLEDMaskMapOn",  "AbLEDempty",       "AbLEDAutoMaxHum",
        "AbLEDAutoMinTemp", "AbLEDFatalErr1", "AbLEDFatalErr2",
    };
    return names[static_cast<size_t>(lamp)];
}

} // namespace

DashboardPanel::DashboardPanel(QWidget* panel, int width)
{
    m_meter = named(new Meter270(panel), "Ab270MeterLGPres", QRect(4, 4, Meter270::kDesignWidth, Meter270::kDesignHeight));
    m_meter->setAccessibleName(QStringLiteral("engine speed [x1000 rpm]"));

    auto led = [&](Lamp which, const QString& caption, const QRect& geometry) {
        const char* name = lampObjectName(which);
        m_lamps[static_cast<size_t>(which)] = makeLed(panel, name, LampAppearance::of(which), caption, geometry);
    };

    // Beside the meter: system state lamps.
    const int sideX = 208, sideW = 132;
    int y = 8;
    auto sideRect = [&](int h = 18) {
        const QRect r(sideX, y, sideW, h);
        y += h + 4;
        return r;
    };
    led(Lamp::StacOn, QStringLiteral("ignition On"), sideRect());
    led(Lamp::Jon1, QStringLiteral("ionizer 1"), sideRect());
    led(Lamp::Jon2, QStringLiteral("ionizer 2"), sideRect());
    led(Lamp::Serwis, QStringLiteral("serwis on"), sideRect());
    led(Lamp::OnDelayAuto, QStringLiteral("on delay"), sideRect());
    m_memoryError = makeLed(panel, "AbLEDErrMem", LampAppearance::memoryError(), QStringLiteral("KDX Error"),
                            sideRect(22));
    m_memoryError->setCursor(Qt::PointingHandCursor);
    m_saving = makeLed(panel, "AbLEDZapisDoPamieci", LampAppearance::saving(), QStringLiteral("..."),
                       sideRect());
    m_saving->setCursor(Qt::PointingHandCursor);

    // The system lamp's caption carries the work mode, which can be long in
    // some languages: it gets the whole width under the meter.
    const int fullW = width - 12;
    led(Lamp::SystemOn, QStringLiteral("kdx on"), QRect(6, 188, fullW, 18));

    // Measurements.
    y = 210;
    m_humidity = makeFigureLabel(panel, "LabelWilgotnosc", QStringLiteral("humidity: 40 [%]"), QRect(6, y, fullW, 18));
    m_temperature =
        makeFigureLabel(panel, "LabelTempPow", QStringLiteral("temperature: 10 [C]"), QRect(6, y + 19, fullW, 18));
    m_supply = makeFigureLabel(panel, "LabelVDC", QStringLiteral("power supply: 00.0 [V]"), QRect(6, y + 38, fullW, 18));
    m_operations = makeFigureLabel(panel, "LabelOpPers", QStringLiteral("op. / s: "), QRect(6, y + 57, fullW, 18));

    // Pumps: their captions carry the live on and off times.
    y = 292;
    led(Lamp::Pump1, QStringLiteral("pump 1"), QRect(6, y, fullW, 18));
    led(Lamp::Pump2, QStringLiteral("pump 2"), QRect(6, y + 20, fullW, 18));

    // Conditions, two columns.
    const std::pair<Lamp, const char*> conditions[] = {
        {Lamp::MinRpmP1, "min rpm P1"},       {Lamp::MaxRpmP1, "max rpm P1"},
        {Lamp::MinRpmP2, "min rpm P2"},       {Lamp::MaxRpmP2, "max rpm P2"},
        {Lamp::MaskMapOn, "map OFF"},         {Lamp::Empty, "empty tank"},
        {Lamp::AutoMaxHum, "auto max. hum."}, {Lamp::AutoMinTemp, "auto min. temp."},
        {Lamp::FatalErr1, "fatal error1"},    {Lamp::FatalErr2, "fatal error2"},
    };
    y = 338;
    for (int i = 0; i < 10; ++i) {
        const int col = i % 2, rowIndex = i / 2;
        led(conditions[i].first, QString::fromLatin1(conditions[i].second),
            QRect(6 + col * 168, y + rowIndex * 20, 160, 18));
    }

    // Work mode buttons.
    y = 444;
    struct ModeButtonDesign {
        ModeButton which;
        const char* name;
        const char* caption;
    };
    const ModeButtonDesign modes[] = {
        {ModeButton::Auto, "ButtonAuto", "Mode: auto"},
        {ModeButton::ManualTrig, "ButtonManualTrig", "Mode: manual trigger"},
        {ModeButton::ManualConst, "ButtonManualConst", "Mode: manual const"},
        {ModeButton::Serwis, "ButtonSerwis", "Mode: serwis"},
        {ModeButton::Off, "ButtonOff", "Mode: off"},
    };
    for (int i = 0; i < 5; ++i)
        m_modeButtons[static_cast<size_t>(modes[i].which)] =
            makeButton(panel, modes[i].name, QString::fromLatin1(modes[i].caption), QRect(6, y + i * 28, fullW, 26));

    m_progress = named(new QProgressBar(panel), "ProgressBar1", QRect(6, y + 5 * 28 + 6, fullW, 20));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setAccessibleName(QStringLiteral("parameter transfer progress"));

    m_saveEeprom = makeButton(panel, "ButtonSaveEep", QStringLiteral("SAVE DATA TO EEPROM"),
                              QRect(6, y + 5 * 28 + 30, fullW, 26));
    m_saveEeprom->hide();

    // What changes with the status is opaque, so that the panel behind it is
    // not painted again ten times a second.
    for (QWidget* w : std::initializer_list<QWidget*>{m_meter, m_memoryError, m_saving, m_humidity, m_temperature,
                                                      m_supply, m_operations})
        w->setAutoFillBackground(true);
    for (LedIndicator* l : m_lamps)
        l->setAutoFillBackground(true);
}

void DashboardPanel::showProgress(int position, int maximum)
{
    if (maximum != m_progress->maximum() || position <= m_progress->minimum() || position >= maximum) {
        m_pendingProgress.reset();
        m_progress->setMaximum(maximum);
        m_progress->setValue(position);
        return;
    }
    const bool queued = m_pendingProgress.has_value();
    m_pendingProgress = position;
    if (queued)
        return;
    QTimer::singleShot(0, m_progress, [this] {
        if (m_pendingProgress)
            m_progress->setValue(*m_pendingProgress);
        m_pendingProgress.reset();
    });
}

void DashboardPanel::holdLamps(bool held)
{
    for (LedIndicator* l : m_lamps)
        l->setHeld(held);
    m_memoryError->setHeld(held);
    m_saving->setHeld(held);
}

void DashboardPanel::apply(const DashboardView& v)
{
    // Lamps, the meter and the labels compare for themselves; the texts are
    // compared here before they are converted for the controls.
    const bool first = !m_shown;
    if (first)
        m_shown.emplace();
    Shown& shown = *m_shown;
    auto changed = [first](std::string& was, const std::string& now) {
        if (!first && was == now)
            return false;
        was = now;
        return true;
    };
    m_memoryError->setOn(v.errMem);
    if (changed(shown.opPerSecond, v.opPerSecond))
        m_operations->setText(qs(v.opPerSecond));
    for (size_t i = 0; i < kLampCount; ++i)
        m_lamps[i]->setOn(v.lamps[i]);
    if (changed(shown.pump1Caption, v.pump1Caption))
        lamp(Lamp::Pump1)->setCaption(qs(v.pump1Caption));
    if (changed(shown.pump2Caption, v.pump2Caption))
        lamp(Lamp::Pump2)->setCaption(qs(v.pump2Caption));
    if (changed(shown.systemOnCaption, v.systemOnCaption))
        lamp(Lamp::SystemOn)->setCaption(qs(v.systemOnCaption));
    m_meter->setValue(v.meterValue);
    if (changed(shown.vdcText, v.vdcText))
        m_supply->setText(qs(v.vdcText));
    if (changed(shown.humidityText, v.humidityText))
        m_humidity->setText(qs(v.humidityText));
    if (changed(shown.temperatureText, v.temperatureText))
        m_temperature->setText(qs(v.temperatureText));
    for (size_t i = 0; i < kModeButtonCount; ++i) {
        QPushButton* button = m_modeButtons[i];
        const bool bold = static_cast<ModeButton>(i) == v.boldButton;
        // Only on a change: a new font lays the button out again.
        QFont f = button->font();
        if (f.bold() != bold) {
            f.setBold(bold);
            button->setFont(f);
        }
    }
}

void DashboardPanel::registerTexts(LanguageRegistry& texts) const
{
    const std::pair<Lamp, int> lamps[] = {
        {Lamp::Jon1, 100236},        {Lamp::Jon2, 100237},       {Lamp::StacOn, 100238},
        {Lamp::Serwis, 100239},      {Lamp::MaskMapOn, 100240},  {Lamp::Empty, 100241},
        {Lamp::AutoMaxHum, 100242},  {Lamp::AutoMinTemp, 100243}, {Lamp::OnDelayAuto, 100244},
        {Lamp::MaxRpmP1, 100245},    {Lamp::MinRpmP1, 100246},   {Lamp::MaxRpmP2, 100247},
        {Lamp::MinRpmP2, 100248},    {Lamp::FatalErr1, 100249},  {Lamp::FatalErr2, 100250},
    };
    for (const auto& [which, key] : lamps)
        texts.add(key, lamp(which));
    texts.add(100251, m_memoryError);
    const std::pair<ModeButton, int> buttons[] = {{ModeButton::Auto, 100260}, {ModeButton::ManualTrig, 100261},
                                                  {ModeButton::ManualConst, 100262}, {ModeButton::Serwis, 100263},
                                                  {ModeButton::Off, 100264}};
    for (const auto& [which, key] : buttons)
        texts.add(key, modeButton(which));
    // Captions composed from language texts with each frame.
    for (QWidget* w : std::initializer_list<QWidget*>{m_meter, m_operations, lamp(Lamp::SystemOn), lamp(Lamp::Pump1),
                                                      lamp(Lamp::Pump2), m_saving})
        texts.addFont(w);
}

} // namespace kdx
