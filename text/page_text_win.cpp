#include <windows.h>

#include "text/text.h"

namespace velmora {

Text PageBytesToText(std::string_view bytes) {
    std::size_t zero = bytes.find('\0');
    if (zero != std::string_view::npos) bytes = bytes.substr(0, zero);
    if (bytes.empty()) return Text();
    const int inLen = static_cast<int>(bytes.size());
    int wideLen = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), inLen, nullptr, 0);
    if (wideLen <= 0) return Text();
    std::wstring wide(static_cast<std::size_t>(wideLen), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), inLen, wide.data(), wideLen);
    int outLen = WideCharToMultiByte(936, 0, wide.data(), wideLen, nullptr, 0, nullptr, nullptr);
    if (outLen <= 0) return Text();
    Text out(static_cast<std::size_t>(outLen), '\0');
    WideCharToMultiByte(936, 0, wide.data(), wideLen, out.data(), outLen, nullptr, nullptr);
    return out;
}

}  // namespace velmora
