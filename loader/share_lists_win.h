// LoadShareLists: the job that downloads the announcement page and fills both
// lists, reporting its progress in the status bar.
#pragma once

#include <windows.h>

#include "app/program.h"

namespace velmora {

inline constexpr char kStatusFetching[] = "正在获取数据,请稍等...";
inline constexpr char kStatusLoading[] = "载入中,稍等...";
inline constexpr char kStatusDone[] = "新股数据已载入完成 !";

// Runs on its own thread; every change of a control is carried out by the
// window thread before the job goes on.
void LoadShareLists(HWND mainWindow, const ProgramValues& program);

struct ShareRow;
// Appends one row with its texts, picture and highlight, in one hop to the
// window thread (run directly when called there).
void AppendShareRow(HWND mainWindow, HWND list, int row, const ShareRow& cells);

}  // namespace velmora
