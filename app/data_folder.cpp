#include "app/data_folder.h"

namespace velmora {

static_assert(kNoticeText.size() == 84, "the notice file holds 84 bytes");

Text WithTrailingBackslash(std::string_view path) {
    Text result(path);
    if (result.empty() || result.back() != '\\') result.push_back('\\');
    return result;
}

FallbackFolders FallbackFoldersFor(std::string_view windowsFolder) {
    Text drive = TextBefore(windowsFolder, ":");
    return FallbackFolders{drive + ":\\Program Files\\", drive + ":\\Program Files\\3d\\"};
}

}  // namespace velmora
