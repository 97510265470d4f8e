// Identifiers of Velmora's resources, shared by the .rc files and the code.
#pragma once

#define IDI_APP 1
// The lists' row picture sits at index 32 of their picture list; the status
// bar shows pictures 71 and 74 of its own.
#define IDI_LIST_PAGE 32
#define IDI_BLANK 33
#define IDI_STATUS_NOTE_BLUE 71
#define IDI_STATUS_NOTE_YELLOW 74

#define IDR_UPCOMING_MENU 101
#define IDR_ISSUED_MENU 102
#define IDR_UPDATER 201

// Commands of the two pop-up menus.
#define IDM_UPCOMING_COPY_NAME 1001
#define IDM_UPCOMING_COPY_SUBSCRIPTION_CODE 1002
#define IDM_UPCOMING_EXPORT 1003
#define IDM_UPCOMING_HOME_PAGE 1004
#define IDM_ISSUED_COPY_NAME 1011
#define IDM_ISSUED_COPY_WINNING_RATE 1012
#define IDM_ISSUED_COPY_TRADING_CODE 1013
#define IDM_ISSUED_EXPORT 1014
