/* Resource ids of vorn2.exe. Plain #defines: read by the resource compiler
   and by C++ alike. All resources are in language 2052 (Chinese, PRC). */
#ifndef VORN2_RESOURCE_IDS_H
#define VORN2_RESOURCE_IDS_H

/* custom type "PNG" */
#define IDR_PNG_LOGIN_BG 101
#define IDR_PNG_SPLASH 102

/* custom type "ICON": a complete .ico file, written to disk at run time */
#define IDR_ICON_APP 101

/* custom type "UPDATE": the updater executable (present when the build
   supplies VORN2_UPDATER_EXE) */
#define IDR_UPDATE 101

/* custom type "GIF": picture buttons of the login window */
#define IDR_GIF_MINI 101
#define IDR_GIF_CLOSE 102

/* standard group icon, so the executable file shows the emblem */
#define IDI_APP 1

/* bitmaps */
#define IDB_BTN_MIN 101
#define IDB_BTN_MINMAX 102
#define IDB_BTN_CLOSE 103
#define IDB_BTN_TOOL 104
#define IDB_LOGO 105
#define IDB_TAB_SKIN0 106
#define IDB_TAB_SKIN1 107
#define IDB_TITLE_SKIN 108
#define IDB_BTN_GAMESPACE 109
#define IDB_BTN_OTHERUSER 110
#define IDB_BTN_DIALOG 111

#endif
