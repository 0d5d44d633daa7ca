#pragma once

class QComboBox;
class QPushButton;
class QWidget;

namespace kdx {

class ControllerCommands;
class EditorWiring;
class LanguageRegistry;
class ProcedureRunner;

// The "serwis" page: the service run's on and off times, start and stop.
struct SerwisPage {
    // Registers the texts that follow the language with texts.
    SerwisPage(QWidget* page, LanguageRegistry& texts);

    // Start and stop send the service run's commands, each as a handler; the
    // times commit through the editors.
    void bind(ControllerCommands& commands, const ProcedureRunner& runner, const EditorWiring& editors);

    QComboBox* onTime = nullptr;
    QComboBox* offTime = nullptr;
    QPushButton* start = nullptr;
    QPushButton* stop = nullptr;
};

} // namespace kdx
