// Control IDs of the USB boot disk page and of its two configuration dialogs.
#pragma once

#define IDD_COPY_DATA               154
#define IDD_MAKE_CONFIG             155

// The page
#define IDC_MAKEBOOT_DATA           1001
#define IDC_MAKEBOOT_TOOLS          1002
#define IDC_MAKEBOOT_START          1003
#define IDC_MAKEBOOT_RESTORE        1004
#define IDC_MAKEBOOT_TEST           1007
#define IDC_MAKEBOOT_DEVICE         1011
#define IDC_MAKEBOOT_FORCE          1014
#define IDC_MAKEBOOT_SIZE           1020

// "配置导入数据"
#define IDC_COPYDATA_SEARCH         1001
#define IDC_COPYDATA_ALL            1014
#define IDC_COPYDATA_LIST           1017
#define IDC_COPYDATA_IMPORT         1018
#define IDC_COPYDATA_VIDEO          1049
#define IDC_COPYDATA_TOOLS          1050
#define IDC_COPYDATA_DRIVER         1052

// "工具与存档"
#define IDC_CONFIG_BROWSE_FBINST    1001
#define IDC_CONFIG_BROWSE_ARCHIVE   1002
#define IDC_CONFIG_FBINST           1058
#define IDC_CONFIG_ARCHIVE          1059
