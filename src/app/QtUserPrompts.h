#pragma once

#include "app/BusyState.h"
#include "link/TextFormat.h"
#include "prompts/UserPrompts.h"
#include "params/ParameterFilePrompts.h"

class QWidget;

namespace kdx {

// Message boxes and the firmware file dialog of the real window. A box is
// modal: while it is open the main timer's tick is held off.
class QtUserPrompts : public UserPrompts, public ParameterFilePrompts {
public:
    explicit QtUserPrompts(BusyState& busy) : m_busy(busy) {}

    // Boxes are centred on this window (may be null).
    void setParentWindow(QWidget* parent) { m_parent = parent; }
    // The window's language for the texts added to the original dialogs
    // (the parameter file filter); English without words.
    void setWords(Words words) { m_words = std::move(words); }

    void message(const std::string& text) override;
    bool okCancel(const std::string& text, const std::string& caption) override;
    bool okCancelDefaultCancel(const std::string& text, const std::string& caption) override;
    std::optional<std::string> openFirmwareFile(const std::string& folder) override;
    ParameterFilePrompts* fileDialogs() override { return this; }
    std::optional<std::string> saveParameterFile(const std::string& folder, const std::string& proposedName) override;
    std::optional<std::string> openParameterFile(const std::string& folder, const std::string& caption) override;
    bool showDifference(const DifferenceView& view) override;

private:
    BusyState& m_busy;
    QWidget* m_parent = nullptr;
    Words m_words;
};

} // namespace kdx
