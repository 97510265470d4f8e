#include "update/file_name.h"

#include <algorithm>
#include <optional>

namespace velmora {
namespace {

bool IsLead(unsigned char c) { return c >= 0x80; }

// A two-byte GBK character at i: lead 81..FE, trail 40..7E or 80..FE.
bool IsGbkPairAt(std::string_view text, std::size_t i) {
    if (i + 1 >= text.size()) return false;
    const auto lead = static_cast<unsigned char>(text[i]);
    const auto trail = static_cast<unsigned char>(text[i + 1]);
    return lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsFolded(std::string_view text, std::string_view smallLetters) {
    if (text.size() != smallLetters.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (FoldAscii(text[i]) != smallLetters[i]) return false;
    }
    return true;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = FoldAscii(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool IsDigits(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

int DecimalValue(std::string_view digits) {
    int value = 0;
    for (char c : digits) value = value * 10 + (c - '0');
    return value;
}

struct UrlParts {
    std::string_view scheme;
    std::string_view authority;  // up to the first "/" behind "//"
    std::string_view path;       // from that "/" on, or empty
};

// "scheme://authority/path"; nothing when the text does not start so.
std::optional<UrlParts> SplitUrl(std::string_view url) {
    const std::size_t colon = url.find(':');
    if (colon == std::string_view::npos || colon == 0 || url.substr(colon + 1, 2) != "//") {
        return std::nullopt;
    }
    const std::size_t authorityStart = colon + 3;
    const std::size_t slash = url.find('/', authorityStart);
    const std::size_t authorityEnd = slash == std::string_view::npos ? url.size() : slash;
    return UrlParts{url.substr(0, colon), url.substr(authorityStart, authorityEnd - authorityStart),
                    url.substr(authorityEnd)};
}


// What follows the last "\" or "/" character, or nothing when a byte of 0x80 or
// more does not begin a GBK pair (a trail byte 5C is part of its character).
std::optional<Text> AfterLastSeparator(std::string_view text) {
    std::size_t nameStart = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (IsLead(c)) {
            if (!IsGbkPairAt(text, i)) return std::nullopt;
            i += 2;
            continue;
        }
        if (c == '\\' || c == '/') nameStart = i + 1;
        ++i;
    }
    return Text(text.substr(nameStart));
}

bool HasForbiddenCharacter(std::string_view name) {
    constexpr std::string_view kForbidden = ":<>\"|?*";
    for (std::size_t i = 0; i < name.size();) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (IsLead(c)) {
            i += 2;  // pairs were checked already
            continue;
        }
        if (c < 0x20 || kForbidden.find(static_cast<char>(c)) != std::string_view::npos) {
            return true;
        }
        ++i;
    }
    return false;
}

// Windows opens a device for these names, with any extension and with spaces
// before the extension.
bool IsDeviceName(std::string_view name) {
    constexpr std::string_view kDevices[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
    std::string_view base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    for (std::string_view device : kDevices) {
        if (EqualsFolded(base, device)) return true;
    }
    if (base.size() != 4 || base[3] < '1' || base[3] > '9') return false;
    return EqualsFolded(base.substr(0, 3), "com") || EqualsFolded(base.substr(0, 3), "lpt");
}

bool EndsWithBackslash(std::string_view text) {
    bool last = false;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        last = c == '\\';
        i += IsLead(c) ? 2 : 1;
    }
    return last;
}

bool IsLoopbackHost(std::string_view host) {
    if (EqualsFolded(host, "localhost") || host == "[::1]") return true;
    std::string_view rest = host;
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = rest.find('.');
        const bool lastPart = part == 3;
        if (lastPart != (dot == std::string_view::npos)) return false;
        const std::string_view digits = rest.substr(0, dot);
        if (!IsDigits(digits, 3) || DecimalValue(digits) > 255) return false;
        // "010" is 8 and "089" no number at all to inet_addr and the resolvers,
        // which would look the whole host up by name.
        if (digits.size() > 1 && digits[0] == '0') return false;
        if (part == 0 && DecimalValue(digits) != 127) return false;
        rest = lastPart ? std::string_view() : rest.substr(dot + 1);
    }
    return true;
}

// The host of an authority without user information and port; nothing when the
// port is not decimal or a bracketed host is not closed.
std::optional<std::string_view> HostOf(std::string_view authority) {
    const std::size_t at = authority.rfind('@');
    std::string_view hostPort = at == std::string_view::npos ? authority : authority.substr(at + 1);
    std::size_t hostEnd = 0;
    if (!hostPort.empty() && hostPort.front() == '[') {
        const std::size_t close = hostPort.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        hostEnd = close + 1;
    } else {
        hostEnd = std::min(hostPort.find(':'), hostPort.size());
    }
    const std::string_view portPart = hostPort.substr(hostEnd);
    if (!portPart.empty()) {
        if (portPart.front() != ':') return std::nullopt;
        const std::string_view port = portPart.substr(1);
        if (!IsDigits(port, 5) || DecimalValue(port) > 65535) return std::nullopt;
    }
    return hostPort.substr(0, hostEnd);
}

}  // namespace

Text PercentDecoded(std::string_view text) {
    Text out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = HexValue(text[i + 1]);
            const int low = HexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

Text DownloadFileName(std::string_view url) {
    url = url.substr(0, std::min(url.find('#'), url.find('?')));
    const std::optional<UrlParts> parts = SplitUrl(url);
    // A text that is no "scheme://" address is taken as a path.
    const std::string_view path = parts ? parts->path : url;
    // The raw address splits on "/" only: a GBK trail byte is never a "/".
    const std::size_t slash = path.rfind('/');
    const std::string_view segment =
        slash == std::string_view::npos ? path : path.substr(slash + 1);

    std::optional<Text> name = AfterLastSeparator(PercentDecoded(segment));
    if (!name) return {};
    // Windows drops trailing dots and spaces; neither is ever a GBK trail byte.
    while (!name->empty() && (name->back() == '.' || name->back() == ' ')) name->pop_back();
    if (name->empty() || HasForbiddenCharacter(*name) || IsDeviceName(*name)) return {};
    return *name;
}

bool IsAllowedUpdateUrl(std::string_view url) {
    const std::optional<UrlParts> parts = SplitUrl(url);
    if (!parts || parts->authority.find_first_of("\\?#") != std::string_view::npos) return false;
    const std::optional<std::string_view> host = HostOf(parts->authority);
    if (!host || host->empty()) return false;
    if (EqualsFolded(parts->scheme, "https")) return true;
    return EqualsFolded(parts->scheme, "http") && IsLoopbackHost(*host);
}

Text JoinFolderAndName(std::string_view folderWithBackslash, std::string_view fileName) {
    Text joined(folderWithBackslash);
    if (!joined.empty() && !EndsWithBackslash(joined)) joined.push_back('\\');
    return joined + Text(fileName);
}

}  // namespace velmora
