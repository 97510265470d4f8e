// The updater's download: which addresses it may fetch, and the plain file name
// it saves the download as.
#pragma once

#include <string_view>

#include "text/text.h"

namespace velmora {

// The plain file name to save the download as, or the empty text when the
// address gives none that is safe. The name is the address's last path segment
// (fragment and query dropped), percent-decoded, and of that only what follows
// its last "\" or "/". Trailing dots and spaces are dropped, as Windows would.
// Refused (the empty text): nothing left; a byte below 0x20; any of : < > " | ? *;
// a byte of 0x80 or more that does not begin a GBK pair (lead 81..FE, trail
// 40..7E or 80..FE), or a lone 0x80 or 0xFF; a device name (CON, PRN, AUX, NUL,
// COM1-9, LPT1-9, CONIN$, CONOUT$), in any letter case, alone or before a dot.
Text DownloadFileName(std::string_view url);

// %XX with two hex digits becomes its byte; any other "%" stays.
Text PercentDecoded(std::string_view text);

// Whether the updater may fetch url: an https:// address of any host, or an
// http:// one whose host is the loopback: 127.x.y.z (four decimal parts of at
// most three digits, no leading zero, each up to 255), "localhost" or "[::1]".
// The scheme and host are compared without letter case; user information up to
// the last "@" is ignored ("http://user@127.0.0.1/" is allowed: it still goes to
// this machine); a port must be decimal. An authority (the text up to the
// first "/" behind "//") holding a "\", "?" or "#" is refused, as parsers
// disagree on where its host ends.
bool IsAllowedUpdateUrl(std::string_view url);

// The folder (ending with "\") and the name; a "\" is put between them when a
// folder that is not empty does not end with one. With a name from
// DownloadFileName the result names a file directly inside the folder.
Text JoinFolderAndName(std::string_view folderWithBackslash, std::string_view fileName);

}  // namespace velmora
