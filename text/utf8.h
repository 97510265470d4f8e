// UTF-8 to UTF-16 as Windows' MultiByteToWideChar(CP_UTF8, 0) does it: each
// maximal ill-formed subsequence becomes one U+FFFD and decoding goes on.
#pragma once

#include <string>
#include <string_view>

namespace velmora {

std::u16string DecodeUtf8(std::string_view bytes);

}  // namespace velmora
