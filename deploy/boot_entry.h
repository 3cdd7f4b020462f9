// Boot entries for the DOS stage: added to and taken out of the BCD store (Windows 6
// and later) or BOOT.INI (below 6), each after a backup that the undo puts back.
#pragma once

#include <string>

// "{XXXXXXXX-XXXX-xxxx-XXXX-XXXXXXXXXXXX} " of a new GUID (third group lower case, one
// blank after the brace); empty when no GUID could be made.
std::wstring NewGuidText();

// Whether the boot entry of this Windows major version lives in BOOT.INI. Any other
// value, also -1 for an unknown version, means the BCD store.
bool UsesBootIni(int osMajorVersion);

// Whether the store that the boot manager reads is <system drive>\Boot\BCD, the one the
// DOS stage puts back. The registry's hive list names the device of the loaded store;
// when no store is loaded there is nothing bcdedit could change either.
bool BcdStoreOnSystemDrive();

// Exports the store to <system drive>\boot\BCDKX, then adds a boot-sector entry for
// \kxldr.mbr on the system drive and makes it the default. False, with the store as it
// was, when a bcdedit step fails: nothing is changed if the export fails, and a later
// failure imports the export back (and says so when that import fails too).
bool AddBcdEntry();
// Imports <system drive>\boot\BCDKX back; false (with a message) when that fails.
bool RestoreBcd();

// Saves the original C:\BOOT.INI as C:\BOOT.INIKX and as C:\boot.in_ (read-only, hidden,
// system: the DOS stage puts it back), then makes C:\KXLDR.MBR its default entry. An
// edit that was never undone is not saved as the original. False, with a message, when
// the file is missing, cannot be saved, read, understood or written; the file's bytes
// and attributes are as they were on every failure.
bool AddBootIniEntry();
// Whether C:\BOOT.INI still holds the DOS-stage loader's entry.
bool BootIniHoldsEntry();
// Puts the saved bytes of C:\BOOT.INIKX over C:\BOOT.INI; a failure leaves BOOT.INI as
// it was and says so.
bool RestoreBootIni();
