// Reading the published version and deciding on the update, from any texts.
//
// Input: lines, as the version file's values would be: the latest version, the
// current version, the forced list, the date of the last check and today's date.
// Missing lines are empty.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "support/check.h"
#include "update/version.h"

namespace velmora {
namespace {

using fuzz::NamedValue;

bool IsLead(char c) { return static_cast<unsigned char>(c) >= 0x80; }

std::string_view NextLine(std::string_view& input) {
    const std::size_t end = input.find('\n');
    const std::string_view line = input.substr(0, end);
    input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
    return line;
}

// The same text with its one-byte printable characters and spaces written in
// their GBK full-width forms (A3 A1..A3 FE, A1 A1); characters of two bytes stay.
std::string FullWidth(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (IsLead(c) && i + 1 < text.size()) {
            out.append(text.substr(i, 2));
            i += 2;
            continue;
        }
        if (c == ' ') {
            out += "\xA1\xA1";
        } else if (c > ' ' && c < 0x7F) {
            out.push_back('\xA3');
            out.push_back(static_cast<char>(c + 0x80));
        } else {
            out.push_back(c);
        }
        ++i;
    }
    return out;
}

bool IsAscii(std::string_view text) {
    for (char c : text) {
        if (IsLead(c)) return false;
    }
    return true;
}

bool Contains(std::string_view text, std::string_view part) {
    for (std::size_t i = 0; i + part.size() <= text.size(); ++i) {
        if (text.substr(i, part.size()) == part) return true;
    }
    return false;
}

void CheckNumber(std::string_view text) {
    const double number = ReadVersionNumber(text);
    const NamedValue t{"text", text};
    FUZZ_REQUIRE(std::isfinite(number), "a version reads as a finite number", t);
    const std::string wide = FullWidth(text);
    const double wideNumber = ReadVersionNumber(wide);
    FUZZ_REQUIRE(wideNumber == number, "full-width digits and signs read like one-byte ones", t,
                 NamedValue{"full-width", wide});
    if (IsAscii(text)) {
        const std::string copy(text);  // atof reads up to the first zero byte
        const double atofNumber = std::atof(copy.c_str());
        FUZZ_REQUIRE(number == (std::isfinite(atofNumber) ? atofNumber : 0.0),
                     "a one-byte text reads as atof reads it", t);
    }
}

}  // namespace
}  // namespace velmora

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace velmora;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view latest = NextLine(input);
    const std::string_view current = NextLine(input);
    const std::string_view forcedList = NextLine(input);
    const std::string_view lastCheck = NextLine(input);
    const std::string_view today = NextLine(input);
    const NamedValue l{"latest", latest}, c{"current", current}, f{"forced list", forcedList};

    CheckNumber(latest);
    CheckNumber(current);

    const double a = ReadVersionNumber(latest);
    const double b = ReadVersionNumber(current);
    const bool newer = IsNewerVersion(latest, current);
    FUZZ_REQUIRE(newer == (a > b + 0.0000001),
                 "newer means above the current number by more than 0.0000001", l, c);
    FUZZ_REQUIRE(!(newer && IsNewerVersion(current, latest)),
                 "two versions are never each newer than the other", l, c);
    FUZZ_REQUIRE(!IsNewerVersion(latest, latest), "no version is newer than itself", l);
    if (newer && IsNewerVersion(current, forcedList)) {
        FUZZ_REQUIRE(IsNewerVersion(latest, forcedList), "newer is transitive", l, c, f);
    }

    const bool forced = IsForcedVersion(forcedList, current);
    const std::string named = "/" + std::string(current) + "/";
    FUZZ_REQUIRE(forced == Contains(forcedList, named),
                 "forced means the list holds /version/ exactly", f, c);
    FUZZ_REQUIRE(IsForcedVersion(std::string(latest) + named + std::string(forcedList), current),
                 "a list naming the version between slashes forces it", l, c, f);

    for (bool forcedFlag : {false, true}) {
        const CheckDecision decision =
            DecideVersionCheck(lastCheck, today, latest, current, forcedFlag);
        CheckDecision expected;
        if (!today.empty() && lastCheck == today) {
            expected = CheckDecision::SkipCheckedToday;
        } else if (!newer) {
            expected = CheckDecision::NotNewer;
        } else {
            expected = forcedFlag ? CheckDecision::Forced : CheckDecision::Ask;
        }
        FUZZ_REQUIRE(decision == expected,
                     "the decision is: checked today, else not newer, else forced or ask", l, c,
                     NamedValue{"last check", lastCheck}, NamedValue{"today", today});
    }

    const Text question = VersionQuestionText(latest, current);
    FUZZ_REQUIRE(Contains(question, "V" + std::string(latest) + "\r\n") &&
                     Contains(question, "V" + std::string(current) + "\r\n"),
                 "the question names both versions as they were read", l, c);
    return 0;
}
