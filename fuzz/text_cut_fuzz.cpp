// The cutting operations on any bytes: the marker search, TextAfter and
// TextBefore in their copy, view and walking forms, StripTags, RemoveSpaces and
// the line-break replacement.
//
// Input: one selector byte, then the marker and the text. A selector with its
// high bit set picks one of the program's own markers and the rest is the text;
// otherwise its low six bits give the marker's length, taken from the front of
// the rest.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

#include "support/check.h"
#include "support/reference.h"
#include "text/text.h"

namespace velmora {
namespace {

using fuzz::NamedValue;
constexpr std::size_t kNone = std::string_view::npos;

constexpr std::string_view kMarkers[] = {
    "quote.aspx?stockid=",
    "</td>",
    ">",
    "<",
    "id=",
    " ",
    "<td>",
    "即将发行的新股",
    "已发行待上市的新股",
    "以上新股中签率公布日",
    "<!--newstext-->",
    "<!--/newstext-->",
    "</br>",
    "<br>",
    "<p>",
    "</p>",
    "双击查看",
    "　",
};

bool IsAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

bool EndsAt(std::string_view part, std::string_view whole) {
    return part.data() + part.size() == whole.data() + whole.size();
}

void CheckSearch(std::string_view text, std::string_view marker) {
    const std::size_t folded = FindMarker(text, marker, LetterCase::Folded);
    const std::size_t exact = FindMarker(text, marker, LetterCase::Exact);
    FUZZ_REQUIRE(folded == fuzz::ref::Find(text, marker, false),
                 "FindMarker (folded) gives the first match at a character start",
                 NamedValue{"text", text}, NamedValue{"marker", marker});
    FUZZ_REQUIRE(exact == fuzz::ref::Find(text, marker, true),
                 "FindMarker (exact) gives the first match at a character start",
                 NamedValue{"text", text}, NamedValue{"marker", marker});
    FUZZ_REQUIRE(exact == kNone || folded <= exact,
                 "an exact match is also a folded match, so the folded one comes no later",
                 NamedValue{"text", text}, NamedValue{"marker", marker});
}

void CheckCuts(std::string_view text, std::string_view marker) {
    const std::string_view afterView = TextAfterView(text, marker);
    const std::string_view beforeView = TextBeforeView(text, marker);
    const Text after = TextAfter(text, marker);
    const Text before = TextBefore(text, marker);
    const NamedValue t{"text", text}, m{"marker", marker};

    FUZZ_REQUIRE(after == afterView, "TextAfter equals TextAfterView", t, m);
    FUZZ_REQUIRE(before == beforeView, "TextBefore equals TextBeforeView", t, m);
    FUZZ_REQUIRE(afterView.size() <= text.size() && EndsAt(afterView, text),
                 "TextAfterView is a suffix of the text, in place", t, m);
    FUZZ_REQUIRE(beforeView.size() <= text.size() &&
                     (beforeView.empty() || beforeView.data() == text.data()),
                 "TextBeforeView is a prefix of the text, in place", t, m);
    FUZZ_REQUIRE(afterView == fuzz::ref::After(text, marker), "TextAfter follows its rules", t, m);
    FUZZ_REQUIRE(beforeView == fuzz::ref::Before(text, marker), "TextBefore follows its rules", t,
                 m);

    const std::size_t at = FindMarker(text, marker);
    if (marker.empty()) {
        FUZZ_REQUIRE(after == text && before.empty(), "an empty marker keeps or empties the text",
                     t, m);
    } else if (at == kNone) {
        const std::size_t left = text.size() > marker.size() ? text.size() - marker.size() : 0;
        FUZZ_REQUIRE(after.size() == left && before.empty(),
                     "a missing marker shortens by its length and leaves nothing in front", t, m);
    } else {
        FUZZ_REQUIRE(before.size() == at && after.size() == text.size() - at - marker.size(),
                     "a found marker splits the text around itself", t, m);
        FUZZ_REQUIRE(Text(before) + Text(text.substr(at, marker.size())) + after == text,
                     "front, marker and rest make up the text", t, m);
    }
}

// A finder carried along one text, as the row walk carries its finders: every
// answer must be the one a fresh search gives.
void CheckWalkingFinder(std::string_view text, std::string_view marker, std::string_view steps) {
    MarkerFinder finder(marker);
    MarkerFinder exactFinder(marker, LetterCase::Exact);
    std::string_view rest = text;
    std::size_t k = 0;
    for (int round = 0; round < 64; ++round) {
        const NamedValue t{"text", text}, m{"marker", marker}, r{"rest", rest};
        FUZZ_REQUIRE(finder.Find(rest) == FindMarker(rest, marker),
                     "a walking MarkerFinder answers like a fresh search", t, m, r);
        FUZZ_REQUIRE(exactFinder.Find(rest) == FindMarker(rest, marker, LetterCase::Exact),
                     "a walking exact MarkerFinder answers like a fresh search", t, m, r);
        const unsigned step = k < steps.size() ? static_cast<unsigned char>(steps[k++]) : 1;
        std::string_view next;
        switch (step % 5) {
            case 0:  // cut behind the marker, as the walk does
                next = TextAfterView(rest, finder);
                FUZZ_REQUIRE(next == TextAfterView(rest, marker),
                             "TextAfterView with a walking finder equals the plain form", t, m, r);
                break;
            case 1:  // read in front of the marker; the text stays
                FUZZ_REQUIRE(TextBeforeView(rest, finder) == TextBeforeView(rest, marker),
                             "TextBeforeView with a walking finder equals the plain form", t, m, r);
                next = rest.substr(rest.empty() ? 0 : 1);
                break;
            case 2:  // a few bytes on
                next = rest.substr(std::min<std::size_t>(rest.size(), step % 17));
                break;
            case 3:  // another text: a prefix, with another end
                FUZZ_REQUIRE(finder.Find(rest.substr(0, rest.size() / 2)) ==
                                 FindMarker(rest.substr(0, rest.size() / 2), marker),
                             "a finder given another text searches it afresh", t, m, r);
                next = rest;
                break;
            default:  // back to an earlier start of the same text
                next = text.substr(std::min<std::size_t>(text.size(), step % 7));
                break;
        }
        if (next.empty() && rest.empty()) break;
        rest = next;
    }
}

void CheckStripTags(std::string_view text) {
    const Text stripped = StripTags(text);
    const NamedValue t{"text", text}, s{"stripped", stripped};
    FUZZ_REQUIRE(stripped == fuzz::ref::StripTags(text), "StripTags follows its rule", t, s);
    FUZZ_REQUIRE(!fuzz::ref::HasCompleteTag(stripped), "StripTags leaves no complete tag", t, s);
    FUZZ_REQUIRE(StripTags(stripped) == stripped, "StripTags of its own result changes nothing", t,
                 s);
    FUZZ_REQUIRE(fuzz::ref::IsSubsequence(stripped, text), "StripTags only removes bytes", t, s);
    if (text.find('<') == std::string_view::npos) {
        FUZZ_REQUIRE(stripped == text, "a text without \"<\" is kept", t, s);
    }
}

void CheckRemoveSpaces(std::string_view text) {
    const Text spaceless = RemoveSpaces(text);
    const NamedValue t{"text", text}, s{"result", spaceless};
    FUZZ_REQUIRE(spaceless == fuzz::ref::RemoveSpaces(text), "RemoveSpaces follows its rule", t, s);
    FUZZ_REQUIRE(!fuzz::ref::HasSpaceCharacter(spaceless),
                 "RemoveSpaces leaves no ASCII or full-width space character", t, s);
    FUZZ_REQUIRE(fuzz::ref::WholeCharacters(spaceless) == spaceless,
                 "RemoveSpaces gives whole characters", t, s);
    FUZZ_REQUIRE(RemoveSpaces(spaceless) == spaceless, "RemoveSpaces of its result changes nothing",
                 t, s);
    FUZZ_REQUIRE(fuzz::ref::IsSubsequence(spaceless, text), "RemoveSpaces only removes bytes", t,
                 s);
}

void CheckReplace(std::string_view text, std::string_view tag) {
    constexpr std::string_view kReplacements[] = {"\r\n", "", "<br>"};
    for (std::string_view with : kReplacements) {
        const Text replaced = ReplaceAllFolded(text, tag, with);
        const NamedValue t{"text", text}, g{"tag", tag}, w{"replacement", with},
            r{"result", replaced};
        FUZZ_REQUIRE(replaced == fuzz::ref::ReplaceAll(text, tag, with),
                     "ReplaceAllFolded follows its rule", t, g, w, r);
        if (tag.empty() || !IsAscii(tag)) continue;
        // For an ASCII tag the replacement starts where the marker search finds it.
        const std::size_t at = FindMarker(text, tag);
        if (at == kNone) {
            FUZZ_REQUIRE(replaced == text, "a text without the tag is kept", t, g, w, r);
        } else {
            const Text expected = TextBefore(text, tag) + Text(with) +
                                  ReplaceAllFolded(TextAfterView(text, tag), tag, with);
            FUZZ_REQUIRE(replaced == expected,
                         "the first replacement is at the marker search's first match", t, g, w, r);
        }
        if (with == "\r\n" && tag.find_first_of("\r\n") == std::string_view::npos) {
            FUZZ_REQUIRE(FindMarker(replaced, tag) == kNone,
                         "no occurrence of the tag is left after replacing it by CR LF", t, g, r);
        }
    }
}

}  // namespace
}  // namespace velmora

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace velmora;
    if (size == 0) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto selector = static_cast<unsigned char>(input[0]);
    std::string_view rest = input.substr(1);
    std::string_view marker;
    if (selector & 0x80) {
        marker = kMarkers[(selector & 0x7F) % std::size(kMarkers)];
    } else {
        marker = rest.substr(0, std::min<std::size_t>(selector & 0x3F, rest.size()));
        rest.remove_prefix(marker.size());
    }
    const std::string_view text = rest;

    CheckSearch(text, marker);
    CheckCuts(text, marker);
    CheckWalkingFinder(text, marker, text);
    CheckStripTags(text);
    CheckRemoveSpaces(text);
    CheckReplace(text, marker);
    return 0;
}
