#include "update/version.h"

#include <cmath>
#include <cstdlib>

namespace velmora {
namespace {

constexpr double kVersionTolerance = 0.0000001;

bool IsLead(char c) { return static_cast<unsigned char>(c) >= 0x80; }

// Full-width forms in GBK: A3 A1..A3 FE stand for ASCII 21..7E, and A1 A1 is the
// full-width space. Every other character is copied as it is.
Text FoldFullWidth(std::string_view text) {
    Text out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (!IsLead(text[i]) || i + 1 == text.size()) {
            out.push_back(text[i]);
            ++i;
            continue;
        }
        const auto lead = static_cast<unsigned char>(text[i]);
        const auto trail = static_cast<unsigned char>(text[i + 1]);
        if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
            out.push_back(static_cast<char>(trail - 0x80));
        } else if (lead == 0xA1 && trail == 0xA1) {
            out.push_back(' ');
        } else {
            out.append(text.substr(i, 2));
        }
        i += 2;
    }
    return out;
}

}  // namespace

double ReadVersionNumber(std::string_view text) {
    // strtod reads in the C locale's way ("." as the decimal point): the program
    // never changes the C locale. The copy ends with a zero byte, where it stops.
    const Text folded = FoldFullWidth(text);
    const double number = std::strtod(folded.c_str(), nullptr);
    // "inf", "nan" and numbers too large for a double must never make a version
    // newer than every other: they read 0.
    return std::isfinite(number) ? number : 0.0;
}

bool IsNewerVersion(std::string_view latest, std::string_view current) {
    return ReadVersionNumber(latest) > ReadVersionNumber(current) + kVersionTolerance;
}

bool IsForcedVersion(std::string_view forcedList, std::string_view versionText) {
    Text named(1, '/');
    named.append(versionText).push_back('/');
    return forcedList.find(named) != std::string_view::npos;
}

bool IsCheckedToday(std::string_view lastCheckDate, std::string_view today) {
    return !today.empty() && lastCheckDate == today;
}

CheckDecision DecideVersionCheck(std::string_view lastCheckDate, std::string_view today,
                                 std::string_view latest, std::string_view current, bool forced) {
    if (IsCheckedToday(lastCheckDate, today)) return CheckDecision::SkipCheckedToday;
    if (!IsNewerVersion(latest, current)) return CheckDecision::NotNewer;
    return forced ? CheckDecision::Forced : CheckDecision::Ask;
}

Text VersionQuestionText(std::string_view latest, std::string_view current) {
    return "网上最新的版本号为:V" + Text(latest) + "\r\n您正使用的版本号为:V" + Text(current) +
           "\r\n\r\n是否更新?";
}

Text VersionFileUrl(std::string_view versionServer) {
    return Text(versionServer) + kVersionFilePath;
}

Text VersionFileText(std::string_view bytes) { return Text(bytes.substr(0, bytes.find('\0'))); }

}  // namespace velmora
