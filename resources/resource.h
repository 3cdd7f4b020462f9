// Resource numbers of the program: templates, pictures, strings, payload and controls.
#pragma once

#define IDD_ABOUTBOX      100
#define IDS_ABOUTBOX      101
#define IDS_OPENLOG       102
#define IDD_RIGMATE       102
#define IDD_MAIN_PAGE     129
#define IDD_INSTALL_PAGE  130
#define IDD_MAKEBOOT_PAGE 132
#define IDD_COURSE_PAGE   133
#define IDD_TOOLS_PAGE    134
#define IDD_LOAD          138
#define IDD_DRIVER_PAGE   139
#define IDD_SOFTWARE_PAGE 140
#define IDR_DOS_IMAGE     146
#define IDR_LOADER        147
#define IDR_LOADER_MBR    148
#define IDB_BANNER        149
#define IDI_RIGMATE       151
#define IDR_PAYLOAD_MARK  152
#define IDB_BANNER_150    153   // the banner drawn for 150 % and 200 %
#define IDB_BANNER_200    154

#define IDM_ABOUTBOX      0x0010
#define IDM_OPENLOG       0x0020   // the log of the run, in Notepad

#ifndef IDC_STATIC
#define IDC_STATIC        (-1)
#endif

#define IDC_TAB           1000

// About box
#define IDC_ABOUT_VERSION      1001
#define IDC_ABOUT_PAYLOAD      1002
#define IDC_ABOUT_PAYLOAD_NOTE 1003

// Worker progress dialog
#define IDC_LOAD_CLOSE         1001
#define IDC_LOAD_PROGRESS      1042
#define IDC_LOAD_STATUS        1043
#define IDC_LOAD_STATUS_MORE   1045

// Main page
#define IDC_QUICK_WINXP        1001
#define IDC_QUICK_WIN7_32      1002
#define IDC_QUICK_WIN7_64      1003
#define IDC_QUICK_WIN81_32     1004
#define IDC_QUICK_WIN81_64     1005
#define IDC_QUICK_WIN10_32     1006
#define IDC_QUICK_WIN10_64     1007
#define IDC_ONE_CLICK_BACKUP   1008
#define IDC_ONE_CLICK_RESTORE  1009
#define IDC_NET_DISK           1010
#define IDC_REMOTE_CONTROL     1011
#define IDC_PRODUCT_NAME       1015
#define IDC_ARCHITECTURE       1016
#define IDC_BUILD              1019
#define IDC_INSTALL_DATE       1020
#define IDC_MEMORY             1021
#define IDC_BANNER        1999

#include "course_ids.h"
#include "driver_ids.h"
#include "image_dialogs_ids.h"
#include "install_ids.h"

#include "software_ids.h"
#include "tools_ids.h"
#include "makeboot_ids.h"
