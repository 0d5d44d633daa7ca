#pragma once

class QWidget;

namespace kdx {

class EditorWiring;
class LanguageRegistry;

class StringGrid;

// The "manual trigger" page: the map of pump on and off times per rpm range.
struct ManualTrigPage {
    // Registers the texts that follow the language with texts.
    ManualTrigPage(QWidget* page, LanguageRegistry& texts);

    // The map commits through the editors.
    void bind(const EditorWiring& editors);

    StringGrid* map = nullptr;
};

} // namespace kdx
