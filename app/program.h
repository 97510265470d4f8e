// The program-wide values. They are written on the window thread while the
// main window is being created, before any job starts, and only read after
// that; a job takes its own copies of what it needs when it is started, so the
// end-of-program clean-up never frees a text that a job is still reading.
#pragma once

#include "app/config.h"
#include "text/text.h"
#include "web/fetch.h"

namespace velmora {

inline constexpr char kProgramName[] = "Velmora";
inline constexpr char kVersionText[] = "10.1";

// Where the program fetches from. The built-in addresses come from the build;
// tests point a window of their own at a server of their own.
struct Sites {
    Text dataSiteRoot = config::kDataSiteRoot;  // ends with "/"
    Text versionServer = config::kVersionServer;
    Text homePage = config::kHomePage;
    std::uint32_t downloadTimeLimitMs = kDownloadTimeLimitMs;
};

struct ProgramValues {
    Text programName;
    Text versionText;
    Text homePageUrl;
    Text dataFolder;
    Text articleUrl;
    Sites sites;
};

// The values of this run; reset by the clean-up at the end of the program.
ProgramValues& Program();

// "Velmora (Ostrivane Version 10.1.0)".
Text MainWindowCaption(std::string_view versionText);

}  // namespace velmora
