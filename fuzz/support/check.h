// What a fuzz target does when one of its properties fails: it names the
// property, shows the values involved as hex, and aborts, so that libFuzzer
// keeps the input as a crash artifact.
#pragma once

#include <initializer_list>
#include <string_view>
#include <utility>

namespace velmora::fuzz {

using NamedValue = std::pair<const char*, std::string_view>;

[[noreturn]] void PropertyFailed(const char* file, int line, const char* property,
                                 std::initializer_list<NamedValue> values);

// The hex form of bytes, "d6 d0 3c ..." (at most the first 512 bytes).
void PrintHex(const char* name, std::string_view bytes);

}  // namespace velmora::fuzz

#define FUZZ_REQUIRE(condition, property, ...)                                            \
    do {                                                                                  \
        if (!(condition)) {                                                               \
            ::velmora::fuzz::PropertyFailed(__FILE__, __LINE__, property, {__VA_ARGS__}); \
        }                                                                                 \
    } while (0)
