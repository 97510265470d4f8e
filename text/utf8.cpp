#include "text/utf8.h"

namespace velmora {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool InRange(unsigned char b, unsigned lo, unsigned hi) { return b >= lo && b <= hi; }

}  // namespace

std::u16string DecodeUtf8(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    auto at = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    while (i < n) {
        unsigned char b = at(i);
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        int need;
        unsigned secondLo = 0x80, secondHi = 0xBF;
        char32_t cp;
        if (InRange(b, 0xC2, 0xDF)) {
            need = 1;
            cp = b & 0x1F;
        } else if (InRange(b, 0xE0, 0xEF)) {
            need = 2;
            cp = b & 0x0F;
            if (b == 0xE0) secondLo = 0xA0;
            if (b == 0xED) secondHi = 0x9F;  // no surrogates
        } else if (InRange(b, 0xF0, 0xF4)) {
            need = 3;
            cp = b & 0x07;
            if (b == 0xF0) secondLo = 0x90;
            if (b == 0xF4) secondHi = 0x8F;
        } else {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        bool complete = true;
        for (int k = 0; k < need; ++k, ++j) {
            unsigned lo = k == 0 ? secondLo : 0x80, hi = k == 0 ? secondHi : 0xBF;
            if (j >= n || !InRange(at(j), lo, hi)) {
                complete = false;
                break;
            }
            cp = (cp << 6) | (at(j) & 0x3F);
        }
        if (!complete) {
            out.push_back(kReplacement);  // the bytes read so far, as one
            i = j;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i = j;
    }
    return out;
}

}  // namespace velmora
