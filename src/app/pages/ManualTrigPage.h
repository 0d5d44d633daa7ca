#pragma once

class QWidget;

namespace kdx {

class StringGrid;

// The "manual trigger" page: the map of pump on and off times per rpm range.
struct ManualTrigPage {
    explicit ManualTrigPage(QWidget* page);

    StringGrid* map = nullptr;
};

} // namespace kdx
