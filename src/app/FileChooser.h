#pragma once

#include <QString>

#include <optional>
#include <string>

class QWidget;

namespace kdx {

// One of the tool's file dialogs. Every file the technician picks goes
// through chooseFile, so each dialog behaves alike: the folder listed,
// names completed as they are typed, the filter and extension applied.
struct FileChooser {
    QString objectName; // for tests and accessibility
    QString caption;
    QString folder;
    QString nameFilter;    // e.g. "Hex file (*.hex)"
    QString defaultSuffix; // without the dot; empty for none
    QString proposedName;  // a save dialog's name box starts with it
    bool save = false;

    // The file picked, or nothing when the dialog was cancelled. Modal: the
    // caller holds the timer tick off if it must.
    std::optional<std::string> choose(QWidget* parent) const;
};

} // namespace kdx
