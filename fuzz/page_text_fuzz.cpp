// The conversion of a downloaded page: any bytes in, GBK text out.
//
// Input: the page's bytes. The UTF-8 side is checked against a decoder written
// from the table of well-formed UTF-8 sequences; the GBK side by reading each
// character of the result back through glibc's CP936 table.
#include <iconv.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "support/check.h"
#include "text/text.h"
#include "text/utf8.h"

namespace velmora {
namespace {

using fuzz::NamedValue;
constexpr char16_t kReplacement = 0xFFFD;
constexpr char32_t kNoUnit = 0xFFFFFFFF;

// UTF-8 as the Unicode standard's table of well-formed byte sequences gives it;
// each maximal subpart of an ill-formed sequence becomes one U+FFFD.
struct LeadRow {
    unsigned char lead, lastLead;
    unsigned char lo[3], hi[3];  // allowed ranges of the following bytes
    int follow;
};
constexpr LeadRow kRows[] = {
    {0xC2, 0xDF, {0x80}, {0xBF}, 1},
    {0xE0, 0xE0, {0xA0, 0x80}, {0xBF, 0xBF}, 2},
    {0xE1, 0xEC, {0x80, 0x80}, {0xBF, 0xBF}, 2},
    {0xED, 0xED, {0x80, 0x80}, {0x9F, 0xBF}, 2},
    {0xEE, 0xEF, {0x80, 0x80}, {0xBF, 0xBF}, 2},
    {0xF0, 0xF0, {0x90, 0x80, 0x80}, {0xBF, 0xBF, 0xBF}, 3},
    {0xF1, 0xF3, {0x80, 0x80, 0x80}, {0xBF, 0xBF, 0xBF}, 3},
    {0xF4, 0xF4, {0x80, 0x80, 0x80}, {0x8F, 0xBF, 0xBF}, 3},
};

std::u16string ReferenceDecode(std::string_view bytes) {
    std::u16string out;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        const LeadRow* row = nullptr;
        for (const LeadRow& r : kRows) {
            if (b >= r.lead && b <= r.lastLead) row = &r;
        }
        if (row == nullptr) {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        int good = 0;
        while (good < row->follow && i + 1 + good < bytes.size()) {
            const auto c = static_cast<unsigned char>(bytes[i + 1 + good]);
            if (c < row->lo[good] || c > row->hi[good]) break;
            ++good;
        }
        if (good < row->follow) {
            out.push_back(kReplacement);
            i += 1 + good;
            continue;
        }
        char32_t cp = b & (0x7F >> (row->follow + 1));
        for (int k = 1; k <= row->follow; ++k) cp = cp << 6 | (bytes[i + k] & 0x3F);
        if (cp < 0x10000) {
            out.push_back(static_cast<char16_t>(cp));
        } else {
            out.push_back(static_cast<char16_t>(0xD7C0 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 | (cp & 0x3FF)));
        }
        i += 1 + row->follow;
    }
    return out;
}

// What glibc's CP936 reads each one- or two-byte character as, and which code
// units it can write at all.
struct Cp936Table {
    std::array<char32_t, 0x10000> unitOf{};  // index: byte (one-byte) or lead << 8 | trail
    std::array<bool, 0x10000> encodable{};

    Cp936Table() {
        unitOf.fill(kNoUnit);
        iconv_t cd = iconv_open("UTF-16LE", "CP936");
        if (cd == reinterpret_cast<iconv_t>(-1)) {
            std::fprintf(stderr, "velmora fuzz: glibc has no CP936 converter\n");
            std::abort();
        }
        auto read = [&](const char* in, std::size_t n) -> char32_t {
            char buf[8];
            char* inPtr = const_cast<char*>(in);
            char* outPtr = buf;
            std::size_t inLeft = n, outLeft = sizeof buf;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
                inLeft != 0 || outPtr - buf != 2) {
                return kNoUnit;
            }
            return static_cast<unsigned char>(buf[0]) | static_cast<unsigned char>(buf[1]) << 8;
        };
        for (int b = 0x80; b <= 0xFF; ++b) {
            const char one[1] = {static_cast<char>(b)};
            unitOf[b] = read(one, 1);
        }
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                const char two[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                unitOf[lead << 8 | trail] = read(two, 2);
            }
        }
        for (char32_t unit : unitOf) {
            if (unit != kNoUnit) encodable[unit] = true;
        }
        iconv_close(cd);
    }
};

const Cp936Table* table = nullptr;

}  // namespace
}  // namespace velmora

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    velmora::table = new velmora::Cp936Table();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace velmora;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string_view page = bytes.substr(0, bytes.find('\0'));
    const Text text = PageBytesToText(bytes);
    const NamedValue in{"bytes", bytes}, out{"text", text};

    FUZZ_REQUIRE(text.find('\0') == Text::npos, "the text has no zero byte", in, out);
    const std::u16string units = DecodeUtf8(page);
    FUZZ_REQUIRE(units == ReferenceDecode(page),
                 "UTF-8 decoding replaces each maximal ill-formed subpart by one U+FFFD", in);
    if (page.empty()) {
        FUZZ_REQUIRE(text.empty(), "an empty page, or one that starts with a zero byte, is empty",
                     in, out);
    }

    // One character of the text per UTF-16 code unit of the page, in order.
    std::size_t at = 0;
    for (char16_t unit : units) {
        FUZZ_REQUIRE(at < text.size(), "the text has a character for every code unit", in, out);
        const auto b = static_cast<unsigned char>(text[at]);
        if (unit < 0x80) {
            FUZZ_REQUIRE(b == unit, "ASCII stays as it is", in, out);
            ++at;
            continue;
        }
        if (b == '?') {
            FUZZ_REQUIRE(!table->encodable[unit],
                         "\"?\" stands only for what code page 936 cannot hold", in, out);
            ++at;
            continue;
        }
        std::size_t key = b;
        std::size_t length = 1;
        if (b >= 0x81 && b <= 0xFE) {
            FUZZ_REQUIRE(at + 1 < text.size(), "a lead byte is followed by its trail byte", in,
                         out);
            const auto trail = static_cast<unsigned char>(text[at + 1]);
            FUZZ_REQUIRE(trail >= 0x40 && trail <= 0xFE && trail != 0x7F,
                         "a two-byte character has a GBK trail byte", in, out);
            key = b << 8 | trail;
            length = 2;
        }
        FUZZ_REQUIRE(b >= 0x80, "a code unit beyond ASCII never becomes an ASCII byte but \"?\"",
                     in, out);
        FUZZ_REQUIRE(table->unitOf[key] == unit,
                     "each character of the text reads back as the page's code unit", in, out);
        at += length;
    }
    FUZZ_REQUIRE(at == text.size(), "the text has nothing beyond the page's characters", in, out);
    return 0;
}
