#include "support/reference.h"

namespace velmora::fuzz::ref {
namespace {

bool IsLead(char c) { return static_cast<unsigned char>(c) >= 0x80; }

bool SameByte(char a, char b, bool exact) {
    if (a == b) return true;
    if (exact) return false;
    auto small = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return small(a) == small(b);
}

}  // namespace

std::size_t Find(std::string_view text, std::string_view marker, bool exact) {
    if (marker.empty()) return text.empty() ? kNone : 0;
    std::size_t at = 0;
    for (;;) {
        if (at >= text.size() || text.size() - at < marker.size()) return kNone;
        if (IsLead(text[at]) && at + 1 == text.size()) return kNone;
        bool same = true;
        for (std::size_t k = 0; k < marker.size() && same; ++k) {
            same = SameByte(text[at + k], marker[k], exact);
        }
        if (same) return at;
        at += IsLead(text[at]) ? 2 : 1;
    }
}

std::string_view After(std::string_view text, std::string_view marker, bool exact) {
    if (marker.empty()) return text;
    const std::size_t at = Find(text, marker, exact);
    if (at != kNone) return text.substr(at + marker.size());
    if (text.size() <= marker.size()) return text.substr(text.size());
    return text.substr(marker.size());
}

std::string_view Before(std::string_view text, std::string_view marker, bool exact) {
    if (marker.empty()) return text.substr(0, 0);
    const std::size_t at = Find(text, marker, exact);
    return at == kNone ? text.substr(0, 0) : text.substr(0, at);
}

std::string StripTags(std::string_view text) {
    // A "<" opens a tag only when some ">" follows it; from the last ">" on,
    // nothing opens any more.
    const std::size_t lastClose = text.rfind('>');
    std::string out;
    bool inTag = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inTag) {
            if (c == '>') inTag = false;
            continue;
        }
        if (c == '<' && lastClose != std::string_view::npos && i < lastClose) {
            inTag = true;
            continue;
        }
        out.push_back(c);
    }
    return out;
}

std::string RemoveSpaces(std::string_view text) {
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (!IsLead(text[i])) {
            if (text[i] != ' ') out.push_back(text[i]);
            i += 1;
        } else if (i + 1 < text.size()) {
            if (text.substr(i, 2) != "\xA1\xA1") out.append(text.substr(i, 2));
            i += 2;
        } else {
            i += 1;  // a lead byte that ends the text
        }
    }
    return out;
}

std::string ReplaceAll(std::string_view text, std::string_view tag, std::string_view with) {
    if (tag.empty()) return std::string(text);
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text.size() - i < tag.size()) {
            out.append(text.substr(i));
            break;
        }
        bool same = true;
        for (std::size_t k = 0; k < tag.size() && same; ++k) {
            same = SameByte(text[i + k], tag[k], false);
        }
        if (same) {
            out.append(with);
            i += tag.size();
            continue;
        }
        const std::size_t length = IsLead(text[i]) && i + 1 < text.size() ? 2 : 1;
        out.append(text.substr(i, length));
        i += length;
    }
    return out;
}

bool HasCompleteTag(std::string_view text) {
    const std::size_t open = text.find('<');
    return open != std::string_view::npos && text.find('>', open + 1) != std::string_view::npos;
}

bool HasSpaceCharacter(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        if (!IsLead(text[i])) {
            if (text[i] == ' ') return true;
            ++i;
            continue;
        }
        if (text.substr(i, 2) == "\xA1\xA1") return true;
        i += 2;
    }
    return false;
}

bool IsSubsequence(std::string_view part, std::string_view text) {
    std::size_t k = 0;
    for (std::size_t i = 0; i < text.size() && k < part.size(); ++i) {
        if (text[i] == part[k]) ++k;
    }
    return k == part.size();
}

std::string_view WholeCharacters(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        if (!IsLead(text[i])) {
            ++i;
        } else if (i + 1 < text.size()) {
            i += 2;
        } else {
            return text.substr(0, i);
        }
    }
    return text;
}

}  // namespace velmora::fuzz::ref
