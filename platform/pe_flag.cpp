// The PE flag, shared by the main window, the Ghost dispatcher and the pages.
#include "platform/pe_flag.h"

int g_bInPE = 0;
