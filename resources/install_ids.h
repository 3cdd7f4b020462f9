// Resource numbers of the backup and restore page's controls (template IDD_INSTALL_PAGE).
#pragma once

#define IDC_INSTALL_OPEN          1001   // "打开"
#define IDC_INSTALL_EXECUTE       1002   // "执行"
#define IDC_INSTALL_SEARCH        1003   // "搜索"
#define IDC_INSTALL_EXTERNAL      1004   // "外置安装器"
#define IDC_INSTALL_COMPRESS      1011
#define IDC_INSTALL_MODE_RESTORE  1012   // first of the radio group
#define IDC_INSTALL_MODE_GHO      1013
#define IDC_INSTALL_REBOOT        1014
#define IDC_INSTALL_MODE_WIM      1015
#define IDC_INSTALL_IMAGE_PATH    1016   // the box that the image search dialog fills
#define IDC_INSTALL_PARTITIONS    1017
