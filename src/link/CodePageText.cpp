#include "link/CodePageText.h"

namespace kdx {

size_t CodePageText::utf8SequenceLength(unsigned char c)
{
    if (c >= 0xF0 && c < 0xF8) return 4;
    if (c >= 0xE0) return c < 0xF0 ? 3 : 1;
    if (c >= 0xC0) return 2;
    return 1;
}

} // namespace kdx
