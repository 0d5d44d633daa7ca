#pragma once

#include <optional>
#include <string>

namespace kdx {

class ParameterFilePrompts;

// Every modal box the technician sees goes through this seam, so tests can
// record them instead of blocking on a dialog. Texts are UTF-8.
class UserPrompts {
public:
    virtual ~UserPrompts() = default;
    // Modal box with one OK button.
    virtual void message(const std::string& text) = 0;
    // Modal box with OK and Cancel; true for OK.
    virtual bool okCancel(const std::string& text, const std::string& caption) = 0;
    // The same box with Cancel as the default button, for a question where a
    // stray Enter must not go on (going on without a backup).
    virtual bool okCancelDefaultCancel(const std::string& text, const std::string& caption)
    {
        return okCancel(text, caption);
    }
    // The firmware open dialog ("Hex file|*.hex", default extension "hex"),
    // starting in folder. Empty when the technician cancels.
    virtual std::optional<std::string> openFirmwareFile(const std::string& folder) = 0;
    // The parameter-file dialogs and the difference view, where this front
    // end has them; null where it has none (they are then not offered).
    virtual ParameterFilePrompts* fileDialogs() { return nullptr; }
};

} // namespace kdx
