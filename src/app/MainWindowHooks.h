#pragma once

#include <cstdint>
#include <functional>

class QPainter;
class QRect;

namespace kdx {

class MainWindow;
struct AboutFacts;

// What the window's handlers do beyond the window itself. Each handler of the
// main window calls its hook; an empty hook does nothing. The program entry
// fills them in before the window is created (the language is loaded while
// the window is being created). Key hooks run on the release of Enter only.
struct MainWindowHooks {
    using Action = std::function<void(MainWindow&)>;
    using CellPaint = std::function<void(MainWindow&, QPainter&, int column, int row, const QRect&)>;

    // Connecting: the menu item "AutoConnect [F10]", the key F10 and the
    // "CONNECT" button all come here.
    Action autoConnect;
    // Procedures behind the hidden buttons.
    Action loadAllData; // ButtonLoadAllData
    Action readAll;     // ButtonReadPar
    Action showAllData; // ButtonWyswPar
    Action saveEeprom;  // ButtonSaveEep
    // The 50 ms timer, only while a controller is connected.
    Action statusTick;
    // Language: load at creation, switch from the menu (1 English, 2 Polish, 4 German).
    Action loadLanguage;
    std::function<void(MainWindow&, uint8_t code)> switchLanguage;
    // Work mode buttons (mode value as sent).
    std::function<void(MainWindow&, uint8_t mode)> setWorkMode;
    // Combo boxes: the technician picked an item.
    Action serwisTonChange;
    Action serwisToffChange;
    Action manualMinRpmP1Change;
    Action manualMaxRpmP1Change;
    Action manualMinRpmP2Change;
    Action manualMaxRpmP2Change;
    Action rpmInChange;
    Action anKompSettChange;
    Action fuelTypeChange;
    Action avFuelComsChange;
    // Edit boxes: Enter released.
    Action manualMconstOnP1Enter;
    Action manualMconstOffP1Enter;
    Action manualMconstOnP2Enter;
    Action manualMconstOffP2Enter;
    Action minLevHEnter;
    Action minLevLEnter;
    Action generalDelayEnter;
    Action rpmDzielEnter;
    Action maxHumEnter;
    Action autoMinTempEnter;
    Action autoRpmUpTEnter;
    Action auto2xShortOffEnter;
    Action serialEnter;
    // Check boxes.
    Action pump1ActiveClick;
    Action pump2ActiveClick;
    // Map grids: a cell clicked, Enter released, a cell painted.
    Action manualTrigMapClick;
    Action manualTrigMapEnter;
    CellPaint manualTrigMapDrawCell;
    Action autoPumpOnClick;
    Action autoPumpOnEnter;
    CellPaint autoPumpOnDrawCell;
    Action autoPumpStopClick;
    Action autoPumpStopEnter;
    CellPaint autoPumpStopDrawCell;
    // Connection log grid painting.
    CellPaint pcIdDrawCell;
    // Parameter page and diagnostics.
    Action setDefault;    // "RESET PARAMETERS!"
    Action eraseErrors;   // "erase erros"
    Action diagLampClick; // AbLEDErrMem, AbLEDWarP1, AbLEDWarP2, AbLEDZapisDoPamieci
    // Firmware page.
    Action firmwareUpgrade; // "upgrade"
    // Help -> About: adds what the procedures know (serial number, language file).
    std::function<void(MainWindow&, AboutFacts&)> aboutFacts;
    // Parameter files: "Save To Disk", "Load to ECU"; addMenuItems runs once
    // the window is built and lets that glue add its own items.
    Action saveToDisk;
    Action loadToEcu;
    Action addMenuItems;
};

} // namespace kdx
