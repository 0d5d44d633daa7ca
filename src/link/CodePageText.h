#pragma once

#include <cstddef>
#include <string>

namespace kdx {

// Text between UTF-8 and the 8-bit Windows code pages the controller's
// files use, named "CP1250", "CP1251", "CP1252".
class CodePageText {
public:
    // The code page's bytes as UTF-8; a byte the code page does not define
    // becomes U+FFFD and the rest goes on. An unknown code page leaves the
    // bytes as they are.
    static std::string decode(const std::string& bytes, const char* codePage);
    // UTF-8 text in the code page; a character the code page lacks, or a
    // broken UTF-8 sequence, becomes one '?'. An unknown code page keeps
    // ASCII and makes every other character '?'.
    static std::string encode(const std::string& utf8, const char* codePage);
    // Length of the UTF-8 sequence starting with lead byte c (1 for a stray
    // byte): how far encode skips over a character it cannot carry.
    static size_t utf8SequenceLength(unsigned char c);
};

} // namespace kdx
