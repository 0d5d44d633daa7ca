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
    for (const auto& e : content.entries)
        if (e.text.size() > kdx::kMaxLanguageTextLength)
            __builtin_trap();
    for (const char* codePage : {"CP1250", "CP1251"}) {
        const auto file = kdx::decodeLanguageFile(bytes, codePage);
        for (const auto& e : file.content.entries) {
            // Texts come out as UTF-8 whatever the file held.
            if (!kdx::isValidUtf8(e.text))
                __builtin_trap();
            if (file.utf8) {
                size_t characters = 0;
                for (char c : e.text)
                    characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
                if (characters > kdx::kMaxLanguageTextLength)
                    __builtin_trap();
            }
        }
    }
    return 0;
}
