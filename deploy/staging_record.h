// What a staging changes on the machine beyond its files, recorded under the program's own
// key (HKLM\SOFTWARE\Rigmate) so that the undo, a replacing staging or a later run of the
// program puts it back or removes it: Fast Startup held off, and the image copy it made.
#pragma once

#include <string>

// Whether Windows 8 or later shuts down into a hibernation (HiberbootEnabled is 1).
bool FastStartupOn();
// Turns Fast Startup off while a job waits, so that a shutdown before it runs is a full
// one and leaves no partition hibernated: the record first, then the setting. True when
// this program holds it off now; false (nothing changed) when it was on and could not be
// turned off, and when it was off already without us.
bool HoldFastStartupOff();
// Whether a staging of this program turned Fast Startup off and it is not back yet.
bool FastStartupHeldOff();
// Turns Fast Startup back on when a staging turned it off; the record goes only once it
// is on again, so that a later run tries again.
void PutFastStartupBack();

// The image copy the waiting job's staging made (a moved or shortened image), in this run
// or an earlier one; empty when none. Only this exact file is ever removed with its job.
std::wstring RecordedMovedImage();
void RecordMovedImage(const std::wstring& path);
void ForgetMovedImage();

// At the program's start on a desktop: when no DOS stage waits any more (its job ran, or it
// was taken out), Fast Startup is put back and the record of the image copy forgotten (the
// copy stays: the job that ran used it).
void SettleEarlierStaging();
