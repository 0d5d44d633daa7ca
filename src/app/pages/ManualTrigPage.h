#pragma once

class QWidget;

namespace kdx {

class LanguageRegistry;

class StringGrid;

// The "manual trigger" page: the map of pump on and off times per rpm range.
struct ManualTrigPage {
    // Registers the texts that follow the language with texts.
    ManualTrigPage(QWidget* page, LanguageRegistry& texts);

    StringGrid* map = nullptr;
};

} // namespace kdx
