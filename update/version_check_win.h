// VersionCheck: once a day the job reads the version file that the maker
// publishes; when it names a newer version the update is offered (or, for a
// forced version, not asked for), the updater program that Velmora carries is
// written out and started, and the program ends a second later.
#pragma once

#include <windows.h>

#include <string_view>

#include "app/program.h"

namespace velmora {

// The job. Nothing on a day whose check is done already; otherwise the version
// file is fetched and read, and OfferUpdate decides. When the updater was
// started the main window is hidden and EndTimer ends the program one second
// later; in every other case today counts as checked.
void VersionCheck(HWND mainWindow, const ProgramValues& program);

// Offers latestVersion when it is newer than currentVersion: the main window is
// minimised, the user asked (unless forced), and on Yes (or at once when forced)
// the updater is handed windowTitle and downloadUrl and started. True only when
// the updater was started; when it could not be (no updater carried, update.exe
// not writable, no process) the main window is back in its normal state, as it
// is after a No. Run from a job: the question blocks its thread.
bool OfferUpdate(std::string_view latestVersion, std::string_view currentVersion,
                 std::string_view windowTitle, std::string_view downloadUrl, HWND mainWindow,
                 bool forced = false);

// The date (YYYYMMDD) of the last check that ended without starting the
// updater, one per program name: HKEY_CURRENT_USER\<CheckDateKeyPath>, value
// "lastCheckDate", REG_SZ.
inline constexpr wchar_t kLastCheckDateValue[] = L"lastCheckDate";
// "Software\" + programName.
Text CheckDateKeyPath(std::string_view programName);
// The empty text when none is kept (or not as a REG_SZ).
Text LastCheckDate(std::string_view programName);
void StoreLastCheckDate(std::string_view programName, std::string_view date);

struct VersionFileValues {
    Text latestVersion;
    Text downloadUrl;
    Text forcedList;
};

// The three values of the section programName of the fetched version file,
// read by the INI reader through "update.ini" in the temporary folder, which is
// deleted again; a missing key reads as the empty text, a value keeps at most
// 10,239 bytes.
VersionFileValues ReadVersionFile(std::string_view bytes, std::string_view programName);

// Writes the updater's settings, then updaterBytes as "update.exe" in the
// temporary folder, and starts that with a normal window, waiting at most a
// second for it to become idle. False when there are no bytes, the program
// could not be written or not started; the settings file is not checked.
bool HandOverToUpdater(std::string_view windowTitle, std::string_view downloadUrl,
                       std::string_view updaterBytes);

// The updater program carried by module (RCDATA IDR_UPDATER; null: this
// program); the empty view when module carries none.
std::string_view UpdaterProgramBytes(HMODULE module = nullptr);

// TempFolderPath + "update.ini", TempFolderPath + "update.exe", and the
// system folder + "Tarnwick.txt".
Text VersionIniPath();
Text UpdaterProgramPath();
Text UpdaterSettingsPath();

}  // namespace velmora
