// The data folder: the maker's fixed folder on drive D: when a notice file can
// be written there at this start, else Program Files\3d\ on the Windows drive.
#pragma once

#include "text/text.h"

namespace velmora {

inline constexpr char kPreferredDataRoot[] = "D:\\Karrow\\";
inline constexpr char kNoticeFileName[] = "用户注意.txt";
// 84 bytes of GBK, with CR LF, no byte order mark, no terminating zero.
inline constexpr std::string_view kNoticeText =
    "本目录为数据保存目录,用户请勿手动修改或删除本目录下任何文件,以免相应的软件运行出错\r\n";

// Codes of SpecialFolderPath.
inline constexpr int kWindowsFolder = 9;
inline constexpr int kSystemFolder = 10;
inline constexpr int kTempFolder = 11;

// The path with a "\" as its last byte (the last byte is looked at, not the
// last character); the empty path gives "\".
Text WithTrailingBackslash(std::string_view path);

struct FallbackFolders {
    Text programFiles;  // drive + ":\Program Files\"
    Text root;          // drive + ":\Program Files\3d\"
};
// The fallback folders on the drive of windowsFolder (the text before its first ":").
FallbackFolders FallbackFoldersFor(std::string_view windowsFolder);

// Platform side (data_folder_win.cpp).
Text ChooseDataRoot();
Text FallbackDataRoot();
Text SpecialFolderPath(int code);
Text TempFolderPath();

}  // namespace velmora
