#pragma once

#include "params/EditorId.h"
#include "params/ParameterImage.h"

#include <functional>
#include <initializer_list>
#include <string>

namespace kdx {

// A keyed text of the current language, looked up when it is used.
using KeyText = std::function<std::string(int key)>;

// What the technician calls the parameters and the texts of the views that
// list them, in the current language: an editor by the label the window
// shows beside it, a map cell by its column heading and band, a field no
// editor shows by a name of its own. The texts come from the lookup given
// (the window's language texts); a key it has no text for reads in English.
class ParameterLabels {
public:
    explicit ParameterLabels(KeyText texts = {});

    std::string text(int key) const;
    // text(key) with %1, %2 .. replaced by args in order.
    std::string format(int key, std::initializer_list<std::string> args) const;

    // "general delay [s]", "pump 1 Ton [s]" (the frame's caption first where
    // two editors share a label); a trailing colon is left off.
    std::string editor(EditorId id) const;
    // A field entry: its editor's label, a map cell as
    // "Pump1Ton[s] 2000 -> 3500" (bands as the image holds them), a field no
    // editor shows by its own key.
    std::string entry(const ParameterImage& image, const Field& field, size_t entry, char separator = '.') const;
    // A byte no field covers: "byte 410".
    std::string byte(size_t offset) const;

private:
    KeyText m_texts;
};

} // namespace kdx
