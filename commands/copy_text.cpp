#include "commands/copy_text.h"

namespace velmora {

Text CopiedCellText(std::string_view cell, bool afterColon) {
    // A GBK trail byte is never below 0x40, so an ASCII ":" is always a character.
    if (!afterColon || cell.find(':') == std::string_view::npos) return Text(cell);
    return TextAfter(cell, ":");
}

ByteBuffer ClipboardBytes(std::string_view text) {
    ByteBuffer bytes(text);
    bytes.push_back('\0');
    return bytes;
}

}  // namespace velmora
