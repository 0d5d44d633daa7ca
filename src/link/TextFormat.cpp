#include "link/TextFormat.h"

namespace kdx {

std::string textOf(const Words& words, int key, const char* english)
{
    return words ? words(key, english) : std::string(english);
}

std::string fillIn(const std::string& pattern, std::initializer_list<std::string> args)
{
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (pattern[i] == '%' && next >= '1' && next <= '9' && static_cast<size_t>(next - '1') < args.size()) {
            out += *(args.begin() + (next - '1'));
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

} // namespace kdx
