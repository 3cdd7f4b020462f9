// Control IDs of the software page.
#pragma once

#define IDC_SOFTWARE_INSTALL     1001
#define IDC_SOFTWARE_SELECT_ALL  1014
#define IDC_SOFTWARE_LIST        1017
