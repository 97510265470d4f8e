#include "app/gbk_win.h"

#include <commctrl.h>

#include <vector>

namespace velmora {

namespace {
constexpr UINT kGbk = 936;
}

std::wstring WideFromGbk(std::string_view text) {
    if (text.empty()) return std::wstring();
    const int inLen = static_cast<int>(text.size());
    int n = MultiByteToWideChar(kGbk, 0, text.data(), inLen, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(kGbk, 0, text.data(), inLen, wide.data(), n);
    return wide;
}

Text GbkFromWide(std::wstring_view text) {
    if (text.empty()) return Text();
    const int inLen = static_cast<int>(text.size());
    int n = WideCharToMultiByte(kGbk, 0, text.data(), inLen, nullptr, 0, nullptr, nullptr);
    Text out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(kGbk, 0, text.data(), inLen, out.data(), n, nullptr, nullptr);
    return out;
}

void SetTextGbk(HWND window, std::string_view text) {
    SetWindowTextW(window, WideFromGbk(text).c_str());
}

Text WindowTextGbk(HWND window) {
    int n = GetWindowTextLengthW(window);
    std::wstring wide(static_cast<std::size_t>(n) + 1, L'\0');
    int got = GetWindowTextW(window, wide.data(), n + 1);
    wide.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return GbkFromWide(wide);
}

void StatusSetTextGbk(HWND statusBar, int part, std::string_view text) {
    std::wstring wide = WideFromGbk(text);
    SendMessageW(statusBar, SB_SETTEXTW, static_cast<WPARAM>(part),
                 reinterpret_cast<LPARAM>(wide.c_str()));
}

Text StatusTextGbk(HWND statusBar, int part) {
    LRESULT info = SendMessageW(statusBar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part), 0);
    std::wstring wide(static_cast<std::size_t>(LOWORD(info)) + 1, L'\0');
    SendMessageW(statusBar, SB_GETTEXTW, static_cast<WPARAM>(part),
                 reinterpret_cast<LPARAM>(wide.data()));
    wide.resize(wcslen(wide.c_str()));
    return GbkFromWide(wide);
}

void ListSetCellGbk(HWND list, int row, int column, std::string_view text) {
    std::wstring wide = WideFromGbk(text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = wide.data();
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

Text ListCellGbk(HWND list, int row, int column) {
    if (row < 0 || row >= ListView_GetItemCount(list)) return Text();
    // The control copies at most the buffer's size less one: grow until the
    // text fits with room to spare, so that no cell is cut.
    std::vector<wchar_t> buffer(256);
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        LRESULT got = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                   reinterpret_cast<LPARAM>(&item));
        if (got < static_cast<LRESULT>(buffer.size()) - 1) {
            return GbkFromWide(std::wstring_view(item.pszText, static_cast<std::size_t>(got)));
        }
        buffer.resize(buffer.size() * 4);
    }
}

Text ListHeaderGbk(HWND list, int column) {
    wchar_t buffer[256] = {};
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT;
    col.pszText = buffer;
    col.cchTextMax = 255;
    if (!SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column),
                      reinterpret_cast<LPARAM>(&col))) {
        return Text();
    }
    return GbkFromWide(col.pszText);
}

}  // namespace velmora
