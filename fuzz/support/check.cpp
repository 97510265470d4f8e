#include "support/check.h"

#include <cstdio>
#include <cstdlib>

namespace velmora::fuzz {

void PrintHex(const char* name, std::string_view bytes) {
    constexpr std::size_t kShown = 512;
    std::fprintf(stderr, "  %s (%zu bytes):", name, bytes.size());
    for (std::size_t i = 0; i < bytes.size() && i < kShown; ++i) {
        std::fprintf(stderr, "%s%02x", i % 32 == 0 ? "\n    " : " ",
                     static_cast<unsigned char>(bytes[i]));
    }
    if (bytes.size() > kShown) std::fprintf(stderr, "\n    ...");
    std::fprintf(stderr, "\n");
}

void PropertyFailed(const char* file, int line, const char* property,
                    std::initializer_list<NamedValue> values) {
    std::fprintf(stderr, "\nvelmora fuzz: PROPERTY FAILED: %s\n  at %s:%d\n", property, file, line);
    for (const NamedValue& value : values) PrintHex(value.first, value.second);
    std::fflush(stderr);
    std::abort();
}

}  // namespace velmora::fuzz
