#include "link/NaturalOrder.h"

#include <cctype>

namespace kdx {

namespace {

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

} // namespace

bool naturalLess(const std::string& a, const std::string& b)
{
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            // Compare digit runs by value without converting: skip leading
            // zeros, then the longer run is larger, then digit by digit.
            size_t ia = i, jb = j;
            while (ia < a.size() && a[ia] == '0') ++ia;
            while (jb < b.size() && b[jb] == '0') ++jb;
            size_t ea = ia, eb = jb;
            while (ea < a.size() && isDigit(a[ea])) ++ea;
            while (eb < b.size() && isDigit(b[eb])) ++eb;
            if (ea - ia != eb - jb)
                return ea - ia < eb - jb;
            for (size_t k = 0; k < ea - ia; ++k) {
                if (a[ia + k] != b[jb + k])
                    return a[ia + k] < b[jb + k];
            }
            // Equal values: fewer leading zeros first, so the order is total.
            if (ea - i != eb - j)
                return ea - i < eb - j;
            i = ea;
            j = eb;
            continue;
        }
        if (a[i] != b[j])
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

} // namespace kdx
