#include "text/text.h"

#include <cstring>

namespace velmora {
namespace {

constexpr unsigned char kLeadByte = 0x80;

bool IsLead(char c) { return static_cast<unsigned char>(c) >= kLeadByte; }

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// marker is already folded to small letters.
bool MatchesFoldedAt(const char* at, std::string_view marker) {
    for (std::size_t i = 0; i < marker.size(); ++i) {
        if (FoldAscii(at[i]) != marker[i]) return false;
    }
    return true;
}

std::string FoldedCopy(std::string_view marker) {
    std::string folded(marker);
    for (char& c : folded) c = FoldAscii(c);
    return folded;
}

}  // namespace

MarkerFinder::MarkerFinder(std::string_view marker, LetterCase letterCase)
    : marker_(letterCase == LetterCase::Folded ? FoldedCopy(marker) : std::string(marker)),
      letterCase_(letterCase) {}

// The first byte-wise occurrence at or after from, boundaries not looked at.
const char* MarkerFinder::NextRaw(const char* from) const {
    const std::size_t n = marker_.size();
    if (end_ - from < static_cast<std::ptrdiff_t>(n)) return end_;
    const char* last = end_ - n;  // the last place a match can start
    const char first = marker_[0];
    if (letterCase_ == LetterCase::Exact || !IsLetter(first)) {
        for (const char* p = from; p <= last;) {
            p = static_cast<const char*>(std::memchr(p, first, static_cast<std::size_t>(last - p) + 1));
            if (p == nullptr) return end_;
            bool same = letterCase_ == LetterCase::Exact ? std::memcmp(p, marker_.data(), n) == 0
                                                         : MatchesFoldedAt(p, marker_);
            if (same) return p;
            ++p;
        }
        return end_;
    }
    for (const char* p = from; p <= last; ++p) {
        if (FoldAscii(*p) == first && MatchesFoldedAt(p, marker_)) return p;
    }
    return end_;
}

std::size_t MarkerFinder::Find(std::string_view text) {
    const std::size_t n = marker_.size();
    if (n == 0) return text.empty() ? std::string_view::npos : 0;

    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (end != end_ || begin < rawFrom_ || end_ == nullptr) {
        end_ = end;
        rawFrom_ = begin;
        rawAt_ = NextRaw(begin);
    } else if (rawAt_ < begin) {
        rawFrom_ = begin;
        rawAt_ = NextRaw(begin);
    }

    // Walk the character starts from the front; a byte-wise match that begins
    // on the second byte of a character does not count, and the walk goes on
    // to the next one.
    const char* p = begin;
    while (rawAt_ != end_) {
        while (p < rawAt_) p += IsLead(*p) ? 2 : 1;
        // A lead byte that ends the text ends the search there.
        if (p == rawAt_ && IsLead(*p) && p + 1 == end) return std::string_view::npos;
        if (p == rawAt_) return static_cast<std::size_t>(p - begin);
        rawFrom_ = rawAt_ + 1;
        rawAt_ = NextRaw(rawFrom_);
    }
    return std::string_view::npos;
}

std::size_t FindMarker(std::string_view text, std::string_view marker, LetterCase letterCase) {
    MarkerFinder finder(marker, letterCase);
    return finder.Find(text);
}

std::string_view TextAfterView(std::string_view text, MarkerFinder& marker) {
    if (marker.size() == 0) return text;
    std::size_t at = marker.Find(text);
    if (at == std::string_view::npos) {
        return text.size() <= marker.size() ? text.substr(text.size()) : text.substr(marker.size());
    }
    return text.substr(at + marker.size());
}

std::string_view TextBeforeView(std::string_view text, MarkerFinder& marker) {
    if (marker.size() == 0) return text.substr(0, 0);
    std::size_t at = marker.Find(text);
    return at == std::string_view::npos ? text.substr(0, 0) : text.substr(0, at);
}

std::string_view TextAfterView(std::string_view text, std::string_view marker) {
    MarkerFinder finder(marker);
    return TextAfterView(text, finder);
}

std::string_view TextBeforeView(std::string_view text, std::string_view marker) {
    MarkerFinder finder(marker);
    return TextBeforeView(text, finder);
}

Text TextAfter(std::string_view text, std::string_view marker) {
    return Text(TextAfterView(text, marker));
}

Text TextBefore(std::string_view text, std::string_view marker) {
    return Text(TextBeforeView(text, marker));
}

Text StripTags(std::string_view text) {
    Text out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t open = text.find('<', i);
        if (open == std::string_view::npos) break;
        std::size_t close = text.find('>', open + 1);
        if (close == std::string_view::npos) break;
        out.append(text.substr(i, open - i));
        i = close + 1;
    }
    out.append(text.substr(i));
    return out;
}

Text RemoveSpaces(std::string_view text) {
    Text out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (IsLead(text[i])) {
            if (i + 1 >= text.size()) break;
            if (!(text[i] == '\xA1' && text[i + 1] == '\xA1')) out.append(text.substr(i, 2));
            i += 2;
        } else {
            if (text[i] != ' ') out.push_back(text[i]);
            ++i;
        }
    }
    return out;
}

Text ReplaceAllFolded(std::string_view text, std::string_view tag, std::string_view replacement) {
    if (tag.empty()) return Text(text);
    const std::string folded = FoldedCopy(tag);
    Text out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.size() - i < folded.size()) break;
        if (MatchesFoldedAt(text.data() + i, folded)) {
            out.append(replacement);
            i += folded.size();
            continue;
        }
        std::size_t step = IsLead(text[i]) ? 2 : 1;
        step = std::min(step, text.size() - i);
        out.append(text.substr(i, step));
        i += step;
    }
    out.append(text.substr(i));
    return out;
}

Text FormatDateText(const Moment& moment, bool withTime, bool dashed) {
    auto two = [](int v) {
        Text t = std::to_string(v < 0 ? -v : v);
        return t.size() < 2 ? "0" + t : t;
    };
    Text year = std::to_string(moment.year < 0 ? -moment.year : moment.year);
    if (dashed) return year + "-" + two(moment.month) + "-" + two(moment.day);
    Text date = year + two(moment.month) + two(moment.day);
    if (withTime) date += two(moment.hour) + two(moment.minute) + two(moment.second);
    return date;
}

}  // namespace velmora
