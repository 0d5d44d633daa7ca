// Language files come from a folder anyone can edit: any bytes must parse
// without reading outside the data, and every text must decode.
#include "i18n/LanguageChoice.h"
#include "i18n/LanguageFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto content = kdx::parseLanguageFile(bytes);
    for (const auto& e : content.entries) {
        if (e.text.size() > kdx::kMaxLanguageTextLength)
            __builtin_trap();
        (void)kdx::decodeLanguageText(e.text, "CP1250");
        (void)kdx::decodeLanguageText(e.text, "CP1251");
    }
    return 0;
}
