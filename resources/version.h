// The program's version, for the version resource and the log.
#pragma once

#define RIGMATE_VERSION_NUMBERS 1, 0, 0, 0
#define RIGMATE_VERSION_TEXT "1.0.0.0"
