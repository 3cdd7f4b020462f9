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

// Where the store that the boot manager reads lies, which is also where the DOS stage's
// files go (the DOS stage puts the store back on the drive that holds its floppy image):
// the system drive when that store is <system drive>\Boot\BCD, or when no store is loaded
// (then there is nothing bcdedit could change either); the volume path of the partition
// ("\\?\Volume{...}", no trailing backslash) when it is \Boot\BCD on a partition without
// the system drive's letter, as Windows Setup lays out an empty disk; empty when the store
// lies anywhere else or its partition cannot be found. The registry's hive list names the
// device of the loaded store.
std::wstring BcdStorePlace();

// Exports the store to <place>\boot\BCDKX (through a file on Windows' own drive when
// place has no letter; a default whose loader lies on no volume first gives way to the
// running Windows' entry, so that what is saved can start), then adds a boot-sector entry for \kxldr.mbr on
// the store's place and makes it the next start's one-time boot sequence. False, with the store as it was, when a
// bcdedit step fails: nothing is changed if the export fails, and a later failure imports
// the export back (and says so when that import fails too). *why (when given): the step
// that failed, in the user's words (the bcdedit command and its exit code).
bool AddBcdEntry(std::wstring* why = nullptr);
// Imports <place>\boot\BCDKX back and then removes it, so that an old export is never
// imported over later changes to the store. No export means nothing to put back (the
// entry was never added, or the DOS stage put the store back): true. When the import
// fails, the entry this run added is deleted instead; false (with a message) when that
// fails too or there is none.
bool RestoreBcd();

// Saves the original C:\BOOT.INI as C:\BOOT.INIKX and as C:\boot.in_ (read-only, hidden,
// system: the DOS stage puts it back), then makes C:\KXLDR.MBR its default entry. An
// edit that was never undone is not saved as the original. False, with a message, when
// the file is missing, cannot be saved, read, understood or written. On a failed write the
// file holds its bytes as they were, else the saved original, else (and the message says
// so) it may be broken; its attributes are as they were on every failure.
bool AddBootIniEntry();
// Whether C:\BOOT.INI still holds the DOS-stage loader's entry.
bool BootIniHoldsEntry();
// Puts the saved bytes of C:\BOOT.INIKX over C:\BOOT.INI (a rewrite, else a copy of the
// saved file); a failure says whether BOOT.INI is as it was or may be broken.
bool RestoreBootIni();
