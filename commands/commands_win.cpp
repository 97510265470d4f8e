#include "commands/commands_win.h"

#include <commctrl.h>

#include "app/gbk_win.h"
#include "commands/copy_text.h"
#include "commands/export.h"

namespace velmora {
namespace {

HGLOBAL BlockWith(const void* bytes, std::size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (block == nullptr) return nullptr;
    void* at = GlobalLock(block);
    if (at == nullptr) {
        GlobalFree(block);
        return nullptr;
    }
    memcpy(at, bytes, size);
    GlobalUnlock(block);
    return block;
}

}  // namespace

int SelectedRow(HWND list) { return ListView_GetNextItem(list, -1, LVNI_SELECTED); }

void PutTextOnClipboard(std::string_view text) {
    if (!OpenClipboard(nullptr)) return;
    EmptyClipboard();
    ByteBuffer bytes = ClipboardBytes(text);
    if (HGLOBAL block = BlockWith(bytes.data(), bytes.size())) {
        if (!SetClipboardData(CF_TEXT, block)) GlobalFree(block);
    }
    // Also in UTF-16, so that pasting works on a system whose ANSI code page
    // is not 936; the CF_TEXT bytes stay the GBK bytes above.
    std::wstring wide = WideFromGbk(text);
    if (HGLOBAL block = BlockWith(wide.c_str(), (wide.size() + 1) * sizeof(wchar_t))) {
        if (!SetClipboardData(CF_UNICODETEXT, block)) GlobalFree(block);
    }
    CloseClipboard();
}

void CopyCell(HWND list, int column, bool afterColon) {
    int row = SelectedRow(list);
    Text cell = row < 0 ? Text() : ListCellGbk(list, row, column);
    PutTextOnClipboard(CopiedCellText(cell, afterColon));
}

void ExportList(HWND list, bool issued, std::string_view dataFolder) {
    ListReader reader{
        [list] { return ListView_GetItemCount(list); },
        [list] { return Header_GetItemCount(ListView_GetHeader(list)); },
        [list](int row, int column) { return ListCellGbk(list, row, column); }};
    Text out = ExportText(issued ? ExportedList::Issued : ExportedList::Upcoming, reader);
    Text path = Text(dataFolder) + kExportFileName;

    HANDLE file = CreateFileW(WideFromGbk(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        if (!out.empty()) WriteFile(file, out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
        CloseHandle(file);
    }

    std::wstring commandLine = WideFromGbk(ExportCommandLine(path));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
        WaitForInputIdle(process.hProcess, 1000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

}  // namespace velmora
