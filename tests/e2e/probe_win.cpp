// e2e_probe: looks at Velmora's windows from outside its process, as the
// end-to-end driver needs it: which windows are on the screen and where, what
// the status bar, the lists, the tabs, an edit box and the clipboard hold.
// Controls of another process are read through buffers placed in that process
// (VirtualAllocEx), the way a screen reader or a spy tool does it.
//
//   e2e_probe.exe serve            one command per line on stdin, one answer line each
//   e2e_probe.exe COMMAND ARGS...  one command, its answer on stdout
//
// Commands: windows | window H | children H | text H | status H | list H |
// tabs H | clipboard | setclipboard ASCII | regget KEY NAME | regdelete KEY NAME
// (under HKEY_CURRENT_USER) | close H | kill PID | ping.
//
// Every answer is one line "=" followed by JSON; {"error": "..."} when the
// command could not be carried out. Window handles are decimal numbers.
#include <windows.h>
#include <commctrl.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr UINT kSendTimeoutMs = 5000;

// ---------------------------------------------------------------------------
// JSON output

std::string Utf8(const wchar_t* text, int length = -1) {
    if (length == 0) return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    if (length < 0 && !out.empty() && out.back() == '\0') out.pop_back();
    return out;
}

std::string Utf8(const std::wstring& text) { return Utf8(text.c_str(), static_cast<int>(text.size())); }

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), size);
    return out;
}

std::string Quoted(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::string Quoted(const std::wstring& text) { return Quoted(Utf8(text)); }

std::string Hex(const void* bytes, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    const auto* p = static_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < size; ++i) {
        out += digits[p[i] >> 4];
        out += digits[p[i] & 15];
    }
    return out;
}

std::string Json(const RECT& r) {
    std::ostringstream out;
    out << "[" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "]";
    return out.str();
}

std::string Error(const std::string& what) { return "{\"error\":" + Quoted(what) + "}"; }

std::string Handle(HWND window) { return std::to_string(reinterpret_cast<uintptr_t>(window)); }

HWND ParseHandle(const std::string& text) {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(strtoull(text.c_str(), nullptr, 10)));
}

// ---------------------------------------------------------------------------
// Windows of other processes

bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &answer)) {
        return false;
    }
    if (result) *result = static_cast<LRESULT>(answer);
    return true;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

// WM_GETTEXT is carried across processes by the system itself.
std::wstring TextOf(HWND window) {
    LRESULT length = 0;
    if (!Send(window, WM_GETTEXTLENGTH, 0, 0, &length) || length <= 0) return {};
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    LRESULT copied = 0;
    Send(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()), &copied);
    return std::wstring(buffer.data(), static_cast<size_t>(copied));
}

std::wstring ExeOf(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return {};
    wchar_t path[MAX_PATH * 2] = {};
    DWORD size = MAX_PATH * 2;
    std::wstring out;
    if (QueryFullProcessImageNameW(process, 0, path, &size)) out.assign(path, size);
    CloseHandle(process);
    return out;
}

// A block of memory inside the process that owns a window, for the messages
// whose arguments point at structures.
class RemoteBuffer {
public:
    RemoteBuffer(HWND window, size_t size) : size_(size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_) {
            at_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        }
    }
    ~RemoteBuffer() {
        if (at_) VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    bool ok() const { return at_ != nullptr; }
    char* at(size_t offset = 0) const { return static_cast<char*>(at_) + offset; }
    LPARAM param(size_t offset = 0) const { return reinterpret_cast<LPARAM>(at(offset)); }

    bool Write(size_t offset, const void* bytes, size_t size) const {
        SIZE_T done = 0;
        return offset + size <= size_ && WriteProcessMemory(process_, at(offset), bytes, size, &done) &&
               done == size;
    }
    bool Read(size_t offset, void* bytes, size_t size) const {
        SIZE_T done = 0;
        return offset + size <= size_ && ReadProcessMemory(process_, at(offset), bytes, size, &done) &&
               done == size;
    }
    std::wstring ReadText(size_t offset, size_t chars) const {
        std::vector<wchar_t> text(chars + 1, L'\0');
        if (!Read(offset, text.data(), chars * sizeof(wchar_t))) return {};
        return text.data();
    }

private:
    HANDLE process_ = nullptr;
    void* at_ = nullptr;
    size_t size_;
};

RECT ScreenRectOf(HWND window, RECT clientRect) {
    MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&clientRect), 2);
    return clientRect;
}

std::string WindowJson(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    RECT r{};
    GetWindowRect(window, &r);
    RECT client{};
    GetClientRect(window, &client);
    std::ostringstream out;
    out << "{\"hwnd\":" << Handle(window) << ",\"class\":" << Quoted(ClassOf(window))
        << ",\"title\":" << Quoted(TextOf(window)) << ",\"pid\":" << pid
        << ",\"exe\":" << Quoted(ExeOf(pid)) << ",\"owner\":" << Handle(GetWindow(window, GW_OWNER))
        << ",\"visible\":" << (IsWindowVisible(window) ? "true" : "false")
        << ",\"iconic\":" << (IsIconic(window) ? "true" : "false")
        << ",\"enabled\":" << (IsWindowEnabled(window) ? "true" : "false")
        << ",\"id\":" << GetDlgCtrlID(window) << ",\"rect\":" << Json(r)
        << ",\"client\":" << Json(ScreenRectOf(window, client)) << "}";
    return out.str();
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM into) {
    reinterpret_cast<std::vector<HWND>*>(into)->push_back(window);
    return TRUE;
}

// ---------------------------------------------------------------------------
// Commands

std::string Windows() {
    std::vector<HWND> found;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&found));
    std::string out = "{\"windows\":[";
    for (size_t i = 0; i < found.size(); ++i) {
        if (i) out += ",";
        out += WindowJson(found[i]);
    }
    return out + "]}";
}

std::string Children(HWND window) {
    if (!IsWindow(window)) return Error("no such window");
    std::vector<HWND> found;
    EnumChildWindows(window, CollectWindow, reinterpret_cast<LPARAM>(&found));
    std::string out = "{\"children\":[";
    for (size_t i = 0; i < found.size(); ++i) {
        std::string json = WindowJson(found[i]);
        json.insert(json.size() - 1, ",\"parent\":" + Handle(GetParent(found[i])));
        if (i) out += ",";
        out += json;
    }
    return out + "]}";
}

std::string Window(HWND window) {
    if (!IsWindow(window)) return "{\"exists\":false}";
    std::string json = WindowJson(window);
    return "{\"exists\":true," + json.substr(1);
}

std::string Text(HWND window) {
    if (!IsWindow(window)) return Error("no such window");
    return "{\"text\":" + Quoted(TextOf(window)) + "}";
}

std::string StatusBar(HWND bar) {
    if (!IsWindow(bar)) return Error("no such window");
    constexpr size_t kChars = 1024;
    RemoteBuffer remote(bar, 4096 + kChars * sizeof(wchar_t));
    if (!remote.ok()) return Error("no memory in the status bar's process");
    LRESULT count = 0;
    if (!Send(bar, SB_GETPARTS, 64, remote.param(), &count)) return Error("SB_GETPARTS failed");
    std::vector<int> edges(static_cast<size_t>(count));
    remote.Read(0, edges.data(), edges.size() * sizeof(int));
    std::ostringstream out;
    out << "{\"parts\":[";
    for (LRESULT i = 0; i < count; ++i) {
        LRESULT length = 0;
        Send(bar, SB_GETTEXTLENGTHW, i, 0, &length);
        size_t chars = LOWORD(length);
        std::wstring text;
        if (chars > 0 && chars < kChars) {
            Send(bar, SB_GETTEXTW, i, remote.param(4096));
            text = remote.ReadText(4096, chars);
        }
        RECT r{};
        if (Send(bar, SB_GETRECT, i, remote.param(512))) remote.Read(512, &r, sizeof r);
        out << (i ? "," : "") << "{\"text\":" << Quoted(text) << ",\"edge\":" << edges[i]
            << ",\"rect\":" << Json(ScreenRectOf(bar, r)) << "}";
    }
    out << "]}";
    return out.str();
}

// Every cell of a report list with its place on the screen.
std::string List(HWND list) {
    if (!IsWindow(list)) return Error("no such window");
    constexpr size_t kChars = 4096;
    constexpr size_t kTextAt = 1024;
    RemoteBuffer remote(list, kTextAt + kChars * sizeof(wchar_t));
    if (!remote.ok()) return Error("no memory in the list's process");

    std::ostringstream out;
    out << "{\"columns\":[";
    int columns = 0;
    for (;; ++columns) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = reinterpret_cast<wchar_t*>(remote.at(kTextAt));
        column.cchTextMax = kChars;
        remote.Write(0, &column, sizeof column);
        LRESULT got = 0;
        if (!Send(list, LVM_GETCOLUMNW, columns, remote.param(), &got) || !got) break;
        remote.Read(0, &column, sizeof column);
        out << (columns ? "," : "") << "{\"text\":" << Quoted(remote.ReadText(kTextAt, kChars - 1))
            << ",\"width\":" << column.cx << "}";
    }
    LRESULT count = 0;
    Send(list, LVM_GETITEMCOUNT, 0, 0, &count);
    RECT client{};
    GetClientRect(list, &client);
    out << "],\"count\":" << count << ",\"enabled\":" << (IsWindowEnabled(list) ? "true" : "false")
        << ",\"visible\":" << (IsWindowVisible(list) ? "true" : "false")
        << ",\"client\":" << Json(ScreenRectOf(list, client)) << ",\"rows\":[";
    for (LRESULT row = 0; row < count; ++row) {
        LRESULT state = 0;
        Send(list, LVM_GETITEMSTATE, row, LVIS_SELECTED, &state);
        out << (row ? "," : "") << "{\"selected\":" << ((state & LVIS_SELECTED) ? "true" : "false")
            << ",\"cells\":[";
        for (int c = 0; c < columns; ++c) {
            LVITEMW item{};
            item.iSubItem = c;
            item.pszText = reinterpret_cast<wchar_t*>(remote.at(kTextAt));
            item.cchTextMax = kChars;
            remote.Write(0, &item, sizeof item);
            LRESULT length = 0;
            Send(list, LVM_GETITEMTEXTW, row, remote.param(), &length);
            out << (c ? "," : "") << Quoted(remote.ReadText(kTextAt, static_cast<size_t>(length)));
        }
        out << "],\"rects\":[";
        for (int c = 0; c < columns; ++c) {
            RECT r{};
            r.top = c;
            r.left = c == 0 ? LVIR_LABEL : LVIR_BOUNDS;
            remote.Write(512, &r, sizeof r);
            LRESULT got = 0;
            Send(list, LVM_GETSUBITEMRECT, row, remote.param(512), &got);
            if (got) remote.Read(512, &r, sizeof r);
            else r = RECT{};
            out << (c ? "," : "") << Json(ScreenRectOf(list, r));
        }
        out << "]}";
    }
    out << "]}";
    return out.str();
}

std::string Tabs(HWND tabs) {
    if (!IsWindow(tabs)) return Error("no such window");
    constexpr size_t kChars = 256;
    constexpr size_t kTextAt = 1024;
    RemoteBuffer remote(tabs, kTextAt + kChars * sizeof(wchar_t));
    if (!remote.ok()) return Error("no memory in the tab control's process");
    LRESULT count = 0, selected = -1;
    Send(tabs, TCM_GETITEMCOUNT, 0, 0, &count);
    Send(tabs, TCM_GETCURSEL, 0, 0, &selected);
    std::ostringstream out;
    out << "{\"selected\":" << selected << ",\"items\":[";
    for (LRESULT i = 0; i < count; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = reinterpret_cast<wchar_t*>(remote.at(kTextAt));
        item.cchTextMax = kChars;
        remote.Write(0, &item, sizeof item);
        Send(tabs, TCM_GETITEMW, i, remote.param());
        std::wstring text = remote.ReadText(kTextAt, kChars - 1);
        RECT r{};
        if (Send(tabs, TCM_GETITEMRECT, i, remote.param(512))) remote.Read(512, &r, sizeof r);
        out << (i ? "," : "") << "{\"text\":" << Quoted(text) << ",\"rect\":" << Json(ScreenRectOf(tabs, r))
            << "}";
    }
    out << "]}";
    return out.str();
}

// The CF_TEXT bytes as they are, up to their terminating zero, in hex.
std::string Clipboard() {
    for (int attempt = 0; !OpenClipboard(nullptr); ++attempt) {
        if (attempt == 50) return Error("the clipboard cannot be opened");
        Sleep(20);
    }
    std::string formats;
    for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f)) {
        if (!formats.empty()) formats += ",";
        formats += std::to_string(f);
    }
    std::string out = "{\"formats\":[" + formats + "],\"text\":";
    HANDLE data = GetClipboardData(CF_TEXT);
    const char* bytes = data ? static_cast<const char*>(GlobalLock(data)) : nullptr;
    if (bytes) {
        SIZE_T size = GlobalSize(data);
        out += '"';
        out += Hex(bytes, strnlen(bytes, size));
        out += '"';
        GlobalUnlock(data);
    } else {
        out += "null";
    }
    CloseClipboard();
    return out + "}";
}

// The driver puts a known text on the clipboard first, so that a copy that
// does not happen shows.
std::string SetClipboard(const std::string& asciiText) {
    if (!OpenClipboard(nullptr)) return Error("the clipboard cannot be opened");
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, asciiText.size() + 1);
    if (block) {
        memcpy(GlobalLock(block), asciiText.c_str(), asciiText.size() + 1);
        GlobalUnlock(block);
        if (!SetClipboardData(CF_TEXT, block)) GlobalFree(block);
    }
    CloseClipboard();
    return "{\"ok\":true}";
}

std::string RegistryValue(const std::string& key, const std::string& name, bool remove) {
    HKEY opened = nullptr;
    LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, Wide(key).c_str(), 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                                   &opened);
    if (status == ERROR_FILE_NOT_FOUND) return "{\"existed\":false}";
    if (status != ERROR_SUCCESS) return Error("the key cannot be opened");
    std::wstring value = Wide(name);
    std::string out;
    if (remove) {
        status = RegDeleteValueW(opened, value.c_str());
        out = std::string("{\"existed\":") + (status == ERROR_SUCCESS ? "true" : "false") + "}";
    } else {
        wchar_t data[512] = {};
        DWORD size = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        status = RegQueryValueExW(opened, value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
        if (status != ERROR_SUCCESS) {
            out = "{\"existed\":false}";
        } else {
            out = "{\"existed\":true,\"type\":" + std::to_string(type) + ",\"hex\":\"" + Hex(data, size) + "\"";
            if (type == REG_SZ) out += ",\"text\":" + Quoted(std::wstring(data));
            out += "}";
        }
    }
    RegCloseKey(opened);
    return out;
}

std::string Close(HWND window) {
    if (!IsWindow(window)) return Error("no such window");
    PostMessageW(window, WM_CLOSE, 0, 0);
    return "{\"ok\":true}";
}

// Only for cleaning up after a scenario that left a process behind.
std::string Kill(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
    if (!process) return Error("no such process");
    BOOL done = TerminateProcess(process, 1);
    CloseHandle(process);
    return std::string("{\"ok\":") + (done ? "true" : "false") + "}";
}

std::string Run(const std::vector<std::string>& words) {
    if (words.empty()) return Error("no command");
    const std::string& command = words[0];
    auto argument = [&](size_t i) { return i < words.size() ? words[i] : std::string(); };
    if (command == "windows") return Windows();
    if (command == "window") return Window(ParseHandle(argument(1)));
    if (command == "children") return Children(ParseHandle(argument(1)));
    if (command == "text") return Text(ParseHandle(argument(1)));
    if (command == "status") return StatusBar(ParseHandle(argument(1)));
    if (command == "list") return List(ParseHandle(argument(1)));
    if (command == "tabs") return Tabs(ParseHandle(argument(1)));
    if (command == "clipboard") return Clipboard();
    if (command == "setclipboard") return SetClipboard(argument(1));
    if (command == "regget") return RegistryValue(argument(1), argument(2), false);
    if (command == "regdelete") return RegistryValue(argument(1), argument(2), true);
    if (command == "close") return Close(ParseHandle(argument(1)));
    if (command == "kill") return Kill(static_cast<DWORD>(strtoul(argument(1).c_str(), nullptr, 10)));
    if (command == "ping") return "{\"ok\":true}";
    return Error("unknown command " + command);
}

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

void Answer(const std::string& json) {
    std::string line = "=" + json + "\n";
    fwrite(line.data(), 1, line.size(), stdout);
    fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
    std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty() || words[0] != "serve") {
        Answer(Run(words));
        return 0;
    }
    char buffer[4096];
    while (fgets(buffer, sizeof buffer, stdin)) {
        std::vector<std::string> line = Words(buffer);
        if (!line.empty() && line[0] == "quit") break;
        Answer(Run(line));
    }
    return 0;
}
