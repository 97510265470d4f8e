#include "support/demo_site.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstdlib>
#include <stdexcept>

#include "app/gbk_win.h"

namespace velmora::testing {
namespace {

std::string Env(const char* name) {
    char buffer[2048] = {};
    DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

void EnsureWinsock() {
    static bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

std::string Control(const std::string& query) {
    DemoSite::Response r = DemoSite::RawGet("/_control/" + query);
    if (r.status != 200) throw std::runtime_error("demo site control failed: " + query);
    return r.body;
}

}  // namespace

bool DemoSite::Available() { return !Env("VELMORA_DEMO_PORT").empty(); }
int DemoSite::Port() { return std::atoi(Env("VELMORA_DEMO_PORT").c_str()); }
Text DemoSite::Root() { return "http://127.0.0.1:" + std::to_string(Port()) + "/"; }

void DemoSite::SetMode(const std::string& mode) { Control("set?mode=" + mode); }
void DemoSite::SetVersionMode(const std::string& mode) { Control("set?version=" + mode); }
void DemoSite::SetPage(const std::string& unixPath) { Control("set?page=" + unixPath); }
void DemoSite::SetStallSeconds(int seconds) { Control("set?stall=" + std::to_string(seconds)); }
void DemoSite::ResetLog() { Control("reset-log"); }
std::string DemoSite::Requests() { return Control("requests"); }

DemoSite::Response DemoSite::RawGet(const std::string& path) {
    EnsureWinsock();
    Response response;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return response;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(Port()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    DWORD timeout = 20000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closesocket(s);
        return response;
    }
    std::string request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    send(s, request.data(), static_cast<int>(request.size()), 0);
    std::string all;
    char buffer[65536];
    for (;;) {
        int got = recv(s, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        all.append(buffer, static_cast<std::size_t>(got));
    }
    closesocket(s);
    std::size_t headerEnd = all.find("\r\n\r\n");
    if (all.rfind("HTTP/1.", 0) != 0 || headerEnd == std::string::npos) return response;
    response.status = std::atoi(all.c_str() + 9);
    response.body = all.substr(headerEnd + 4);
    return response;
}

std::string SourcePath(const std::string& relative) {
    return std::string(VELMORA_SOURCE_DIR) + "/" + relative;
}

Text WindowsPathOf(const std::string& unixPath) {
    Text path = "Z:" + unixPath;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

int UnusedPort() {
    EnsureWinsock();
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    closesocket(s);
    return ntohs(address.sin_port);
}

std::string ReadFileBytes(const Text& windowsPath) {
    HANDLE f = CreateFileW(WideFromGbk(windowsPath).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(f);
    return bytes;
}

void WriteFileBytes(const Text& windowsPath, const std::string& bytes) {
    HANDLE f = CreateFileW(WideFromGbk(windowsPath).c_str(), GENERIC_WRITE, 0, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD put = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    CloseHandle(f);
}

}  // namespace velmora::testing
