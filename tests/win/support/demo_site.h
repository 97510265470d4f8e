// The demo data site that scripts/wine-run starts for a test program
// (VELMORA_DEMO_SITE=1), reached over plain sockets so that the tests do not
// depend on the fetcher they check.
#pragma once

#include <string>

#include "text/text.h"

namespace velmora::testing {

class DemoSite {
public:
    // True when wine-run started a site for this program.
    static bool Available();
    static int Port();
    // "http://127.0.0.1:PORT/"
    static Text Root();

    // Switches the site: page mode, version mode, fixture page (a Unix path), stall seconds.
    static void SetMode(const std::string& mode);
    static void SetVersionMode(const std::string& mode);
    static void SetPage(const std::string& unixPath);
    static void SetStallSeconds(int seconds);
    static void ResetLog();
    // The requests seen since the last ResetLog, one "METHOD PATH" a line.
    static std::string Requests();

    // A GET over a plain socket: status and body as they came (for comparison).
    struct Response {
        int status = 0;
        std::string body;
    };
    static Response RawGet(const std::string& path);
};

// A Unix path of the source tree (the tests run from Wine, which sees / as Z:).
std::string SourcePath(const std::string& relative);
// The same file's Windows path (Z:\...), GBK.
Text WindowsPathOf(const std::string& unixPath);
// A loopback port that nobody listens on.
int UnusedPort();
// The bytes of a file (Windows path).
std::string ReadFileBytes(const Text& windowsPath);
void WriteFileBytes(const Text& windowsPath, const std::string& bytes);

}  // namespace velmora::testing
