// Text operations: every text of the program is a GBK byte string (a byte of
// 0x80 or more begins a two-byte character); pages arrive as UTF-8 and are
// converted once with PageBytesToText. The cuts find their marker at character
// boundaries with ASCII letters folded, and come in two forms: the *View
// functions return a view into the argument, so a caller can walk a whole page
// without copying its rest at every cut; the Text functions return a copy.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora {

using Text = std::string;        // GBK bytes, no zero byte
using ByteBuffer = std::string;  // raw bytes as fetched, zero bytes allowed

enum class LetterCase { Folded, Exact };

// Offset of the first occurrence of marker in text that starts at a character
// boundary, or npos. An empty marker is found at 0 in a text that is not empty.
std::size_t FindMarker(std::string_view text, std::string_view marker,
                       LetterCase letterCase = LetterCase::Folded);

// Behind the first occurrence of marker. A missing marker drops the first
// marker.size() bytes; an empty marker gives the whole text.
std::string_view TextAfterView(std::string_view text, std::string_view marker);
// In front of the first occurrence of marker; empty when it is missing or empty.
std::string_view TextBeforeView(std::string_view text, std::string_view marker);

Text TextAfter(std::string_view text, std::string_view marker);
Text TextBefore(std::string_view text, std::string_view marker);

// The marker search for a caller that walks one text from its front to its end
// (the row walk of a page section): it remembers where the marker's bytes next
// occur, so that a marker missing from the rest of the text is not searched for
// again at every cut. Texts given to one finder should share their end and start
// ever further on; any other text is searched afresh, with the same result.
class MarkerFinder {
public:
    explicit MarkerFinder(std::string_view marker, LetterCase letterCase = LetterCase::Folded);

    std::size_t Find(std::string_view text);
    std::size_t size() const { return marker_.size(); }

private:
    const char* NextRaw(const char* from) const;

    std::string marker_;  // small letters when folded
    LetterCase letterCase_;
    const char* end_ = nullptr;      // end of the text the cache belongs to
    const char* rawFrom_ = nullptr;  // rawAt_ is the first byte-wise match at or after this
    const char* rawAt_ = nullptr;    // that match, or end_ when there is none
};

std::string_view TextAfterView(std::string_view text, MarkerFinder& marker);
std::string_view TextBeforeView(std::string_view text, MarkerFinder& marker);

// Every "<" up to and including the next ">" removed; an unmatched "<" or ">" stays.
Text StripTags(std::string_view text);
// Every ASCII space and full-width space (0xA1 0xA1 as one character) removed;
// a lead byte that ends the text is dropped.
Text RemoveSpaces(std::string_view text);

// The page's bytes up to the first zero byte, decoded as UTF-8 (invalid
// sequences become U+FFFD) and encoded in code page 936 ("?" for what it cannot hold).
Text PageBytesToText(std::string_view bytes);

// Every occurrence of tag (at a character boundary, ASCII letters folded)
// replaced by replacement; the inserted text is not scanned again.
Text ReplaceAllFolded(std::string_view text, std::string_view tag, std::string_view replacement);

struct Moment {
    int year = 0;
    int month = 0;   // 1-12
    int day = 0;     // 1-31
    int hour = 0;    // 0-23
    int minute = 0;
    int second = 0;
};

// YYYY-MM-DD when dashed, else YYYYMMDDhhmmss when withTime, else YYYYMMDD.
Text FormatDateText(const Moment& moment, bool withTime, bool dashed);

// The current local date and time.
Moment LocalNow();

}  // namespace velmora
