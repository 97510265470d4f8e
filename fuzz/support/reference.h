// Plain, slow restatements of the text operations, written straight from their
// rules and sharing no code with the program: the fuzz targets compare the
// program's fast forms (the cached marker search, the view cuts) with these.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora::fuzz::ref {

inline constexpr std::size_t kNone = std::string_view::npos;

// The first occurrence of marker starting at a character start; ASCII capitals
// equal small letters unless exact. A lead byte that ends the text ends the
// search there.
std::size_t Find(std::string_view text, std::string_view marker, bool exact = false);

std::string_view After(std::string_view text, std::string_view marker, bool exact = false);
std::string_view Before(std::string_view text, std::string_view marker, bool exact = false);

std::string StripTags(std::string_view text);
std::string RemoveSpaces(std::string_view text);
// One pass of the line-break replacement: every occurrence of tag at a character
// start (ASCII letters folded) replaced, the inserted text not scanned again.
std::string ReplaceAll(std::string_view text, std::string_view tag, std::string_view with);

// Whether some "<" has a ">" anywhere behind it: a tag StripTags would remove.
bool HasCompleteTag(std::string_view text);
// Whether an ASCII space or a full-width space (A1 A1) stands at a character
// start (a space byte that is the second byte of a character is none).
bool HasSpaceCharacter(std::string_view text);
// Whether every byte of part occurs in whole, in order, in text.
bool IsSubsequence(std::string_view part, std::string_view text);
// The text without a lead byte that would end it (so that it ends on a
// character boundary).
std::string_view WholeCharacters(std::string_view text);

}  // namespace velmora::fuzz::ref
