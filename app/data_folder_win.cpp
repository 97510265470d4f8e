#include <windows.h>
#include <shlobj.h>

#include "app/data_folder.h"
#include "app/gbk_win.h"

namespace velmora {
namespace {

void CreateOneFolder(std::string_view path) {
    CreateDirectoryW(WideFromGbk(path).c_str(), nullptr);  // an existing folder is fine
}

// Creates or empties the file and writes the notice, open for nobody else meanwhile.
bool WriteNotice(std::string_view path) {
    const std::wstring widePath = WideFromGbk(path);
    // Windows never replaces a read-only file; Wine run as root would, since
    // it keeps that attribute in the Unix permission bits.
    DWORD attributes = GetFileAttributesW(widePath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) return false;
    HANDLE file = CreateFileW(widePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, kNoticeText.data(), static_cast<DWORD>(kNoticeText.size()),
                        &written, nullptr);
    ok = CloseHandle(file) && ok;
    return ok && written == kNoticeText.size();
}

}  // namespace

Text ChooseDataRoot() {
    CreateOneFolder(kPreferredDataRoot);
    if (WriteNotice(Text(kPreferredDataRoot) + kNoticeFileName)) return kPreferredDataRoot;
    return FallbackDataRoot();
}

Text FallbackDataRoot() {
    FallbackFolders folders = FallbackFoldersFor(SpecialFolderPath(kWindowsFolder));
    CreateOneFolder(folders.programFiles);
    CreateOneFolder(folders.root);
    return folders.root;
}

Text SpecialFolderPath(int code) {
    if (code == kTempFolder) return TempFolderPath();
    int csidl = code == kSystemFolder ? CSIDL_SYSTEM : CSIDL_WINDOWS;
    Text path;
    PIDLIST_ABSOLUTE items = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, csidl, &items)) && items != nullptr) {
        wchar_t buffer[MAX_PATH] = {};
        if (SHGetPathFromIDListW(items, buffer)) path = GbkFromWide(buffer);
        CoTaskMemFree(items);
    }
    return WithTrailingBackslash(path);
}

Text TempFolderPath() {
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
    if (n > MAX_PATH) n = 0;
    return WithTrailingBackslash(GbkFromWide(std::wstring_view(buffer, n)));
}

}  // namespace velmora
