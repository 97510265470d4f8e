// The updater's download: the file name it saves an address as, and which
// addresses it may fetch at all, for any text.
//
// Input: the address.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/check.h"
#include "update/file_name.h"

namespace velmora {
namespace {

using fuzz::NamedValue;

char Small(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = Small(c);
    return out;
}

bool IsGbkLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool IsGbkTrail(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

// Whether the name is one Windows would store as a plain file of that name in
// the folder it is joined to.
const char* WhyNotAPlainName(std::string_view name) {
    for (std::size_t i = 0; i < name.size();) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c >= 0x80) {
            if (!IsGbkLead(c) || i + 1 >= name.size() ||
                !IsGbkTrail(static_cast<unsigned char>(name[i + 1]))) {
                return "a byte of 0x80 or more that does not begin a GBK character";
            }
            i += 2;
            continue;
        }
        if (c < 0x20) return "a control byte";
        if (std::string_view("\\/:<>\"|?*").find(static_cast<char>(c)) != std::string_view::npos) {
            return "a separator, colon or wildcard";
        }
        ++i;
    }
    if (name == "." || name == "..") return "a dot folder";
    if (name.back() == '.' || name.back() == ' ') return "a trailing dot or space";
    // Windows opens a device for these, with any extension, spaces before it allowed.
    std::string base = Lower(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (const char* device : {"con", "prn", "aux", "nul", "conin$", "conout$"}) {
        if (base == device) return "a device name";
    }
    if (base.size() == 4 && (base.rfind("com", 0) == 0 || base.rfind("lpt", 0) == 0) &&
        base[3] >= '1' && base[3] <= '9') {
        return "a device name";
    }
    return nullptr;
}

// The host that a browser-style reading of an http address goes to: tabs and
// line breaks dropped, any run of "/" and "\" after the scheme, the authority up
// to "/", "\", "?" or "#", user information up to the last "@", the port cut off.
std::optional<std::string> LenientHttpHost(std::string_view url) {
    std::string clean;
    for (char c : url) {
        if (c != '\t' && c != '\n' && c != '\r') clean.push_back(c);
    }
    const std::size_t colon = clean.find(':');
    if (colon == std::string::npos || Lower(clean.substr(0, colon)) != "http") return std::nullopt;
    std::size_t start = colon + 1;
    while (start < clean.size() && (clean[start] == '/' || clean[start] == '\\')) ++start;
    const std::size_t end = std::min(clean.find_first_of("/\\?#", start), clean.size());
    std::string authority = clean.substr(start, end - start);
    const std::size_t at = authority.rfind('@');
    if (at != std::string::npos) authority.erase(0, at + 1);
    if (!authority.empty() && authority.front() == '[') {
        return Lower(authority.substr(0, authority.find(']') + 1));
    }
    return Lower(authority.substr(0, authority.find(':')));
}

// The address that inet_addr, Windows' resolvers and browsers read from a
// dotted number: each part decimal, 0x hex or 0 octal, the last part filling
// the bytes that are left. Nothing when it is no such number, which the
// resolvers then look up as a name.
std::optional<uint32_t> BrowserIpv4(const std::string& host) {
    std::vector<uint64_t> parts;
    std::size_t from = 0;
    for (;;) {
        const std::size_t dot = host.find('.', from);
        std::string part = host.substr(from, dot - from);
        if (part.empty()) return std::nullopt;
        int base = 10;
        if (part.size() > 1 && part[0] == '0' && (part[1] == 'x' || part[1] == 'X')) {
            base = 16;
            part.erase(0, 2);
        } else if (part.size() > 1 && part[0] == '0') {
            base = 8;
            part.erase(0, 1);
        }
        uint64_t value = 0;
        for (char c : part) {
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                     : 99;
            if (digit >= base) return std::nullopt;
            value = value * base + digit;
            if (value > 0xFFFFFFFFull) return std::nullopt;
        }
        parts.push_back(value);
        if (dot == std::string::npos) break;
        from = dot + 1;
        if (from == host.size()) break;  // one trailing dot is allowed
    }
    if (parts.empty() || parts.size() > 4) return std::nullopt;
    uint64_t address = 0;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        if (parts[i] > 255) return std::nullopt;
        address |= parts[i] << (8 * (3 - i));
    }
    const uint64_t last = parts.back();
    if (last >= (1ull << (8 * (5 - parts.size())))) return std::nullopt;
    return static_cast<uint32_t>(address | last);
}

bool IsLoopback(const std::string& host) {
    if (host == "localhost" || host == "[::1]") return true;
    const std::optional<uint32_t> address = BrowserIpv4(host);
    return address && (*address >> 24) == 127;
}

}  // namespace
}  // namespace velmora

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace velmora;
    const std::string_view url(reinterpret_cast<const char*>(data), size);
    const NamedValue u{"url", url};

    const Text name = DownloadFileName(url);
    if (!name.empty()) {
        const char* why = WhyNotAPlainName(name);
        FUZZ_REQUIRE(why == nullptr, why ? why : "", u, NamedValue{"name", name});
        const std::string folder = "C:\\x\\";
        const Text path = JoinFolderAndName(folder, name);
        FUZZ_REQUIRE(path == folder + name, "the name is joined directly behind the folder", u,
                     NamedValue{"path", path});
    }

    if (IsAllowedUpdateUrl(url)) {
        const std::string lower = Lower(url.substr(0, 8));
        FUZZ_REQUIRE(lower.rfind("https://", 0) == 0 || lower.rfind("http://", 0) == 0,
                     "only https:// and http:// addresses are allowed", u);
        if (lower.rfind("http://", 0) == 0) {
            const std::optional<std::string> host = LenientHttpHost(url);
            FUZZ_REQUIRE(host && IsLoopback(*host),
                         "an allowed http:// address names this machine however it is read "
                         "(dotted decimal, or inet_addr's octal and hex parts); a host that is no "
                         "address in one reading is a name to look up there",
                         u, NamedValue{"host", host ? *host : std::string()});
        }
    }
    return 0;
}
