// Linux twin of the page conversion: our own UTF-8 decoder (with Windows'
// replacement rules) and glibc's CP936 table for the GBK side.
#include <iconv.h>

#include <cerrno>

#include "text/text.h"
#include "text/utf8.h"

namespace velmora {
namespace {

class Cp936Encoder {
public:
    Cp936Encoder() : cd_(iconv_open("CP936", "UTF-16LE")) {}
    ~Cp936Encoder() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    Cp936Encoder(const Cp936Encoder&) = delete;
    Cp936Encoder& operator=(const Cp936Encoder&) = delete;

    // Code unit by code unit, as WideCharToMultiByte sees them: whatever the
    // table cannot hold (a lone or paired surrogate among them) becomes "?".
    Text Encode(const std::u16string& wide) {
        Text out;
        out.reserve(wide.size() * 2);
        if (cd_ == reinterpret_cast<iconv_t>(-1)) return out;
        for (char16_t unit : wide) {
            if (unit < 0x80) {
                out.push_back(static_cast<char>(unit));
                continue;
            }
            char in[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
            char buf[8];
            char* inPtr = in;
            char* outPtr = buf;
            std::size_t inLeft = 2, outLeft = sizeof buf;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
                inLeft != 0) {
                out.push_back('?');
            } else {
                out.append(buf, static_cast<std::size_t>(outPtr - buf));
            }
        }
        return out;
    }

private:
    iconv_t cd_;
};

}  // namespace

Text PageBytesToText(std::string_view bytes) {
    std::size_t zero = bytes.find('\0');
    if (zero != std::string_view::npos) bytes = bytes.substr(0, zero);
    if (bytes.empty()) return Text();
    Cp936Encoder encoder;
    return encoder.Encode(DecodeUtf8(bytes));
}

}  // namespace velmora
