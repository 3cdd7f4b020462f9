// Resource numbers of the program: templates, pictures, strings, payload and controls.
#pragma once

#define IDD_ABOUTBOX      100
#define IDS_ABOUTBOX      101
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

#define IDM_ABOUTBOX      0x0010

#define IDC_TAB           1000
#define IDC_BANNER        1999
