#include "link/CodePageText.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <vector>

namespace kdx {

std::string CodePageText::encode(const std::string& utf8, const char* codePage)
{
    iconv_t cd = iconv_open(codePage, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        std::string ascii;
        for (unsigned char c : utf8)
            if ((c & 0xC0) != 0x80)
                ascii.push_back(c < 0x80 ? static_cast<char>(c) : '?');
        return ascii;
    }
    std::string out;
    std::string input = utf8;
    char* in = input.data();
    size_t inLeft = input.size();
    while (inLeft > 0) {
        char buffer[256];
        char* o = buffer;
        size_t oLeft = sizeof buffer;
        const size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buffer, static_cast<size_t>(o - buffer));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            // A character the code page lacks, or broken UTF-8: one '?' for
            // the whole sequence.
            const size_t skip = std::min(inLeft, CodePageText::utf8SequenceLength(static_cast<unsigned char>(*in)));
            in += skip;
            inLeft -= skip;
            out.push_back('?');
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}


std::string CodePageText::decode(const std::string& bytes, const char* codePage)
{
    iconv_t cd = iconv_open("UTF-8", codePage);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return bytes;
    std::string out;
    std::vector<char> buf(4096);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* o = buf.data();
        size_t oLeft = buf.size();
        const size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buf.data(), buf.size() - oLeft);
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            // A byte the code page does not define (e.g. 0x98 in 1251):
            // shown as the replacement character, the rest goes on.
            out += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}

} // namespace kdx
