#pragma once

// Object names of the parameter controls of the main window; the display and
// editor logic address the controls by these names.
namespace kdx::controls {

// "parametry"
constexpr const char* kComboBoxAnKompSett = "ComboBoxAnKompSett";
constexpr const char* kCheckBoxPump1Active = "CheckBoxPump1Active";
constexpr const char* kCheckBoxPump2Active = "CheckBoxPump2Active";
constexpr const char* kComboBoxRpmIn = "ComboBoxRpmIn";
constexpr const char* kComboBoxFuelType = "ComboBoxFuelType";
constexpr const char* kComboBoxAvFuelComs = "ComboBoxAvFuelComs";
constexpr const char* kEditRpmDziel = "EditRpmDziel";
constexpr const char* kEditGeneralDelay = "EditGeneralDelay";
constexpr const char* kEditMinLevH = "EditMinLevH";
constexpr const char* kEditMinLevL = "EditMinLevL";
// "automat"
constexpr const char* kEditMaxHum = "EditMaxHum";
constexpr const char* kEditAutoMinTemp = "EditAutoMinTemp";
constexpr const char* kEditAutoRpmUpT = "EditAutoRpmUpT";
constexpr const char* kEditAuto2xShortOff = "EditAuto2xShortOff";
constexpr const char* kStringGridAutoPumpOn = "StringGridAutoPumpOn";
constexpr const char* kStringGridAutoPumpStop = "StringGridAutoPumpStop";
// "manual trigger"
constexpr const char* kStringGridManualTrigMap = "StringGridManualTrigMap";
// "manual const"
constexpr const char* kComboBoxManualMaxRpmP1 = "ComboBoxManualMaxRpmP1";
constexpr const char* kComboBoxManualMinRpmP1 = "ComboBoxManualMinRpmP1";
constexpr const char* kComboBoxManualMaxRpmP2 = "ComboBoxManualMaxRpmP2";
constexpr const char* kComboBoxManualMinRpmP2 = "ComboBoxManualMinRpmP2";
constexpr const char* kEditManualMconstOnP1 = "EditManualMconstOnP1";
constexpr const char* kEditManualMconstOffP1 = "EditManualMconstOffP1";
constexpr const char* kEditManualMconstOnP2 = "EditManualMconstOnP2";
constexpr const char* kEditManualMconstOffP2 = "EditManualMconstOffP2";
// "serwis"
constexpr const char* kComboBoxSerwisTon = "ComboBoxSerwisTon";
constexpr const char* kComboBoxSerwisToff = "ComboBoxSerwisToff";

} // namespace kdx::controls
