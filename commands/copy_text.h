// Copying a cell of a list to the clipboard.
#pragma once

#include <string_view>

#include "text/text.h"

namespace velmora {

// The text to copy from a cell: the whole cell, or with afterColon everything
// behind its first ASCII ":" (a cell without one is copied whole; the full-width
// "：" does not count). Nothing is trimmed.
Text CopiedCellText(std::string_view cell, bool afterColon);

// The bytes of the clipboard's CF_TEXT block: the text and one closing zero byte.
ByteBuffer ClipboardBytes(std::string_view text);

}  // namespace velmora
