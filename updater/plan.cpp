#include "updater/plan.h"

#include <algorithm>

#include "update/file_name.h"

namespace velmora::updater {
namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

Text MissingKeyMessage(const Settings& settings) {
    const std::pair<const Text*, const char*> keys[] = {
        {&settings.windowTitle, kTitleKey},
        {&settings.saveFolder, kFolderKey},
        {&settings.remoteFile, kRemoteFileKey},
    };
    for (const auto& [value, key] : keys) {
        if (value->empty()) {
            return Text("升级设置中缺少“") + key + "”一项,升级没有进行。";
        }
    }
    return Text();
}

Plan PlanUpdate(const Settings& settings) {
    Plan plan;
    plan.refusal = MissingKeyMessage(settings);
    if (!plan.refusal.empty()) return plan;
    const Text& url = settings.remoteFile;
    if (!IsFullFolderPath(settings.saveFolder)) {
        plan.refusal = "保存目录不是完整的路径: " + settings.saveFolder;
        return plan;
    }
    if (!IsAllowedUpdateUrl(url)) {
        plan.refusal = "下载地址不安全,已拒绝: " + url +
                       "\r\n只接受以 https:// 开头的地址,或本机(127.0.0.1、localhost)的 "
                       "http:// 地址。";
        return plan;
    }
    const Text name = DownloadFileName(url);
    if (name.empty()) {
        plan.refusal = "下载地址中没有可用的文件名,已拒绝: " + url;
        return plan;
    }
    if (NameNamesAnotherFolder(url)) {
        plan.refusal = "下载地址中的文件名指向别的目录,已拒绝: " + url;
        return plan;
    }
    plan.targetPath = JoinFolderAndName(settings.saveFolder, name);
    plan.partialPath = plan.targetPath + kPartialSuffix;
    plan.isProgram = IsProgramName(name);
    return plan;
}

Text WindowTitleFor(std::string_view configuredTitle) {
    if (configuredTitle.empty()) return "升级";
    return Text(configuredTitle) + " - 升级";
}

Text RefusalOfDownload(std::string_view bytes, bool isProgram) {
    if (bytes.empty()) return "下载失败: 没有收到任何数据。原有文件未改动。";
    if (isProgram && bytes.substr(0, 2) != "MZ") {
        return "下载的内容不是 Windows 程序(可能是服务器发来的错误页面),已放弃。原有文件未改动。";
    }
    return Text();
}

bool IsFullFolderPath(std::string_view folder) {
    if (folder.size() >= 3 && folder[1] == ':' && folder[2] == '\\') {
        const char drive = FoldAscii(folder[0]);
        return drive >= 'a' && drive <= 'z';
    }
    return folder.size() > 2 && folder.substr(0, 2) == "\\\\";
}

bool NameNamesAnotherFolder(std::string_view url) {
    url = url.substr(0, std::min(url.find('#'), url.find('?')));
    const std::size_t slash = url.rfind('/');
    const Text segment =
        PercentDecoded(slash == std::string_view::npos ? url : url.substr(slash + 1));
    // A GBK trail byte may be 0x5C without being a "\": step over whole characters.
    for (std::size_t i = 0; i < segment.size();) {
        const auto c = static_cast<unsigned char>(segment[i]);
        if (c >= 0x80) {
            i += 2;
            continue;
        }
        if (c == '\\' || c == '/') return true;
        ++i;
    }
    return false;
}

bool IsProgramName(std::string_view name) {
    constexpr std::string_view kSuffix = ".exe";
    if (name.size() < kSuffix.size()) return false;
    const std::string_view end = name.substr(name.size() - kSuffix.size());
    return std::equal(end.begin(), end.end(), kSuffix.begin(),
                      [](char a, char b) { return FoldAscii(a) == b; });
}

}  // namespace velmora::updater
