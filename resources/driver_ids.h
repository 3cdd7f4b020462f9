// Control IDs of the drivers and runtimes page: one button per installer.
#pragma once

#define IDC_DRIVER_GENUS_SINGLE   1001
#define IDC_DRIVER_GENUS_STANDARD 1002
#define IDC_DRIVER_GENUS_NETWORK  1003
#define IDC_DRIVER_PACK_WINXP     1004
#define IDC_DRIVER_PACK_WIN7_32   1005
#define IDC_DRIVER_PACK_WIN7_64   1006
#define IDC_DRIVER_PACK_WIN8_32   1007
#define IDC_DRIVER_PACK_WIN8_64   1008
#define IDC_RUNTIME_VC_32         1009
#define IDC_RUNTIME_VC_64         1010
#define IDC_RUNTIME_NET_40        1011
#define IDC_RUNTIME_NET_45        1012
#define IDC_RUNTIME_NET_20_35     1013
