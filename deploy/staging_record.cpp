// The record of what a staging changed beyond its files.
#include "deploy/staging_record.h"

#include <cstdint>

#include "deploy/dos_stage.h"
#include "platform/seam.h"

namespace {

const wchar_t kPowerKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Power";
const wchar_t kFastStartup[] = L"HiberbootEnabled";
const wchar_t kProgramKey[] = L"SOFTWARE\\Rigmate";
const wchar_t kHeldOff[] = L"FastStartupHeldOff";
const wchar_t kMovedImage[] = L"MovedImage";

bool Number(const wchar_t* key, const wchar_t* value, uint32_t wanted) {
  uint32_t number = 0;
  return TheSeam().RegistryNumber(key, value, kKeyRead, &number) && number == wanted;
}

}  // namespace

bool FastStartupOn() { return Number(kPowerKey, kFastStartup, 1); }

bool FastStartupHeldOff() { return Number(kProgramKey, kHeldOff, 1); }

bool HoldFastStartupOff() {
  if (!FastStartupOn()) return FastStartupHeldOff();
  // Without its record the setting would never come back.
  if (!TheSeam().WriteRegistryNumber(kProgramKey, kHeldOff, 1)) return false;
  if (TheSeam().WriteRegistryNumber(kPowerKey, kFastStartup, 0)) return true;
  TheSeam().DeleteRegistryValue(kProgramKey, kHeldOff);
  return false;
}

void PutFastStartupBack() {
  if (FastStartupHeldOff() && TheSeam().WriteRegistryNumber(kPowerKey, kFastStartup, 1))
    TheSeam().DeleteRegistryValue(kProgramKey, kHeldOff);
}

std::wstring RecordedMovedImage() {
  std::wstring path;
  return TheSeam().RegistryText(kProgramKey, kMovedImage, kKeyRead, 1040, &path) ? path : L"";
}

void RecordMovedImage(const std::wstring& path) { TheSeam().WriteRegistryText(kProgramKey, kMovedImage, path); }

void ForgetMovedImage() {
  if (!RecordedMovedImage().empty()) TheSeam().DeleteRegistryValue(kProgramKey, kMovedImage);
}

void SettleEarlierStaging() {
  // Two registry reads on every start; the staged files are looked for only behind a record.
  if (!FastStartupHeldOff() && RecordedMovedImage().empty()) return;
  if (DosStageWaiting()) return;
  PutFastStartupBack();
  ForgetMovedImage();
}
