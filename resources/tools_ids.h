// Control IDs of the tool pack page.
#pragma once

#define IDC_TOOLS_SEARCH       1007
#define IDC_TOOLS_CATEGORY     1011
#define IDC_TOOLS_SEARCH_TEXT  1038
#define IDC_TOOLS_LIST         1040
#define IDC_TOOLS_NOTICE       1044
#define IDC_TOOLS_NOTE         1045   // why the list is empty
