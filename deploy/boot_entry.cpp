// Boot entries for the DOS stage in the BCD store or BOOT.INI.
#include "deploy/boot_entry.h"

#include <initializer_list>
#include <vector>

#include "deploy/boot_ini_text.h"
#include "deploy/wow64_redirection.h"
#include "platform/format.h"
#include "platform/system.h"

namespace {

const wchar_t kBootIni[] = L"C:\\BOOT.INI";
const wchar_t kBootIniCopy[] = L"C:\\BOOT.INIKX";
const wchar_t kBootIniForDos[] = L"C:\\boot.in_";
constexpr uint32_t kStagedAttributes = 0x27;        // read-only, hidden, system, archive
constexpr uint32_t kNormalAttributes = 0x80;
constexpr uint32_t kNoFile = 0xFFFFFFFF;

void Tell(const std::wstring& text) { ShowMessage(text, mbox::Ok | mbox::IconExclamation); }

// Windows' programs run hidden and waited for; true when they end with exit code 0.
bool Run(const std::wstring& commandLine) { return RunSystemTool(commandLine, true, false) == 0; }

// Run, and on failure the command with what became of it in *why.
bool RunTelling(const std::wstring& commandLine, std::wstring* why) {
  const int code = RunSystemTool(commandLine, true, false);
  if (code == -1) *why = L"无法启动：" + commandLine;
  else if (code != 0) *why = Format(L"%s 失败，退出代码：%d", commandLine, code);
  return code == 0;
}

void ShowBootIniAttributes(bool shown) {
  Run(shown ? L"attrib.exe -S -H -R C:\\BOOT.INI" : L"attrib.exe +S +H +R C:\\BOOT.INI");
}

bool SameText(const std::wstring& a, const std::wstring& b) { return ContainsText(a, b, false) && a.size() == b.size(); }

bool IsDriveLetter(const std::wstring& place) { return place.size() == 2 && place[1] == L':'; }

// Creates or replaces a file that an earlier staging may have left read-only or hidden.
bool Replace(const std::wstring& path, const std::string& bytes) {
  if (TheSeam().FileAttributes(path) != kNoFile) TheSeam().SetAttributes(path, kNormalAttributes);
  return TheSeam().WriteNewFile(path, bytes);
}

void RemoveExport(const std::wstring& path) {
  TheSeam().SetAttributes(path, kNormalAttributes);
  TheSeam().RemoveFile(path);
}

// The loaded store as the registry shows it: each object a key, each element a key of its
// own whose value "Element" holds it.
const wchar_t kStoreObjects[] = L"BCD00000000\\Objects\\";
const wchar_t kBootManager[] = L"{9dea862c-5cdd-4e70-acc1-f32b344d4795}";
const wchar_t kDefaultObject[] = L"23000003", kLoaderPath[] = L"12000002";

std::wstring StoreElement(const std::wstring& object, const wchar_t* element) {
  std::wstring text;
  return TheSeam().RegistryText(kStoreObjects + object + L"\\Elements\\" + element, L"Element", kKeyRead, 1024, &text)
             ? text
             : L"";
}

// Whether the store's default names a loader file that lies on no volume of the machine,
// lettered or not (a leftover of an older staging, a deleted Windows): saved, that default
// would be put back as a configuration that cannot start. False whenever the default or
// its path cannot be read. Asked with the file-system redirection off: the loader lies in
// the 64-bit system folder.
bool DefaultLoaderMissing() {
  const std::wstring id = StoreElement(kBootManager, kDefaultObject);
  const std::wstring path = id.empty() ? L"" : StoreElement(id, kLoaderPath);
  if (path.empty() || path[0] != L'\\') return false;
  std::vector<std::wstring> volumes = TheSeam().VolumeNames();
  std::wstring drives = TheSeam().LogicalDriveStrings();
  drives.resize(256, L'\0');
  for (size_t slot = 0; slot < 64 && drives[slot * 4] != L'\0'; ++slot) volumes.push_back(Format(L"%c:", drives[slot * 4]));
  for (std::wstring volume : volumes) {
    if (!volume.empty() && volume.back() == L'\\') volume.pop_back();
    if (PathExists(volume + path)) return false;
  }
  return true;
}

// The entry the last AddBcdEntry of this run added: what an undo takes out when the saved
// store cannot be imported.
std::wstring g_entryGuid;

// Where bcdedit exports to and imports from: bcdedit is sure to take only a lettered path,
// so for a store on a partition without a letter the file lies on Windows' own drive.
std::wstring BcdeditFile(const std::wstring& place) {
  return IsDriveLetter(place) ? place + L"\\boot\\BCDKX" : GetSystemDrive() + L"\\BCDKX.EXP";
}

// Moves a saved store's bytes with the program's own flushed writes.
bool MoveStore(const std::wstring& from, const std::wstring& to) {
  std::string bytes;
  bool moved = TheSeam().ReadWholeFile(from, &bytes) && Replace(to, bytes);
  RemoveExport(from);
  return moved;
}

// Imports the saved store of place (backup) back into the live one.
bool ImportSaved(const std::wstring& place, const std::wstring& backup) {
  std::wstring file = BcdeditFile(place);
  std::string bytes;
  if (file != backup && !(TheSeam().ReadWholeFile(backup, &bytes) && Replace(file, bytes))) return false;
  bool ok = Run(Format(L"bcdedit.exe /import \"%s\"", file));
  if (file != backup) RemoveExport(file);
  return ok;
}

// What BOOT.INI holds after a rewrite.
enum class Rewrite { Written, AsBefore, SavedCopy, Unknown };

// Writes BOOT.INI; a write that fails half-way is undone with the bytes it had, else with
// the saved copy of the original.
Rewrite RewriteBootIni(const std::string& bytes, const std::string& before) {
  if (TheSeam().RewriteFile(kBootIni, bytes)) return Rewrite::Written;
  if (TheSeam().RewriteFile(kBootIni, before)) return Rewrite::AsBefore;
  return TheSeam().CopyOneFile(kBootIniCopy, kBootIni) ? Rewrite::SavedCopy : Rewrite::Unknown;
}

const wchar_t kBootIniMayBeBroken[] = L"BOOT.INI可能已损坏！原来的BOOT.INI保存在C:\\BOOT.INIKX。";

// Stops the edit: a message, the attributes back, false.
bool StopEdit(const std::wstring& message) {
  Tell(message);
  ShowBootIniAttributes(false);
  return false;
}

}  // namespace

std::wstring NewGuidText() {
  Guid g;
  if (!TheSeam().NewGuid(&g)) return L"";
  return Format(L"{%08X-%04X-%04x-%02X%02X-%02X%02X%02X%02X%02X%02X} ", g.data1, g.data2, g.data3,
                g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6],
                g.data4[7]);
}

bool UsesBootIni(int osMajorVersion) { return osMajorVersion >= 0 && osMajorVersion < 6; }

std::wstring BcdStorePlace() {
  const std::wstring systemDrive = GetSystemDrive();
  std::wstring hive;
  if (!TheSeam().RegistryText(L"SYSTEM\\CurrentControlSet\\Control\\hivelist", L"\\REGISTRY\\MACHINE\\BCD00000000",
                              kKeyRead, 1024, &hive))
    return systemDrive;
  const std::wstring suffix = L"\\Boot\\BCD";
  if (hive.size() <= suffix.size() || !SameText(hive.substr(hive.size() - suffix.size()), suffix)) return L"";
  const std::wstring device = hive.substr(0, hive.size() - suffix.size());
  std::wstring systemDevice = TheSeam().DosDeviceName(systemDrive);
  if (!systemDevice.empty() && SameText(systemDevice, device)) return systemDrive;
  for (std::wstring volume : TheSeam().VolumeNames()) {
    if (!volume.empty() && volume.back() == L'\\') volume.pop_back();
    if (SameText(TheSeam().DosDeviceName(volume), device)) return volume;
  }
  return L"";
}

bool AddBcdEntry(std::wstring* why) {
  std::wstring failure;
  Wow64FsRedirection redirection;
  redirection.Disable();
  std::wstring guid = NewGuidText();
  std::wstring place = BcdStorePlace();
  std::wstring backup = place + L"\\boot\\BCDKX", exported = BcdeditFile(place);
  // A drive is named by its letter; the partition without one is the boot manager's own.
  std::wstring setDevice = IsDriveLetter(place) ? Format(L"bcdedit.exe /set %s device partition=%s", guid, place)
                                                : Format(L"bcdedit.exe /set %s device boot", guid);
  // The running Windows' own entry starts for sure: it takes the place of a default that
  // cannot, before the store is saved as the configuration to go back to.
  if (!place.empty() && DefaultLoaderMissing()) Run(L"bcdedit.exe /default {current}");
  // Without a GUID the commands below would name no entry; without the export there
  // is nothing to undo with.
  if (guid.empty()) failure = L"无法生成启动项的GUID";
  else if (place.empty()) failure = L"找不到启动数据（BCD）所在的分区";
  bool ok = failure.empty() && RunTelling(Format(L"bcdedit.exe /export \"%s\"", exported), &failure);
  if (ok && exported != backup && !MoveStore(exported, backup)) {
    failure = L"无法把导出的启动数据移到" + backup;
    ok = false;
  }
  bool undone = true;
  if (ok) {
    for (const std::wstring& command :
         {Format(L"bcdedit.exe /create %s /d \"Korvex数码 一键装机\" /application bootsector", guid),
          setDevice,
          Format(L"bcdedit.exe /set %s path \\kxldr.mbr", guid),
          // Once, not as the default: a start whose DOS stage could not put the store back
          // (a dirty partition mounted read-only) returns to Windows by itself.
          Format(L"bcdedit.exe /bootsequence %s", guid)}) {
      if (!RunTelling(command, &failure)) {
        undone = ImportSaved(place, backup);
        // The store is as it was: an export left behind could later be imported over
        // changes made after it.
        if (undone) RemoveExport(backup);
        ok = false;
        break;
      }
    }
  }
  redirection.Revert();
  redirection.Release();
  if (!undone)
    Tell(L"恢复启动数据失败，电脑的启动配置可能已被更改！原来的启动数据保存在" + backup + L"。");
  g_entryGuid = ok ? guid : L"";
  if (why) *why = failure;
  return ok;
}

bool RestoreBcd() {
  std::wstring place = BcdStorePlace();
  if (place.empty()) place = GetSystemDrive();
  std::wstring backup = place + L"\\boot\\BCDKX";
  if (TheSeam().FileAttributes(backup) == kNoFile) return true;
  Wow64FsRedirection redirection;
  redirection.Disable();
  // An import that fails still leaves the entry of this run to take out: the store is then
  // as it was, and the saved copy has done its work.
  bool ok = ImportSaved(place, backup) ||
            (!g_entryGuid.empty() && Run(Format(L"bcdedit.exe /delete %s /cleanup", g_entryGuid)));
  redirection.Revert();
  redirection.Release();
  g_entryGuid.clear();
  if (!ok) {
    Tell(L"恢复启动数据失败！原来的启动数据保存在" + backup + L"。");
    return false;
  }
  RemoveExport(backup);
  return true;
}

bool AddBootIniEntry() {
  if (!PathExists(kBootIni)) {
    Tell(L"找不到BOOT.INI文件！");
    return false;
  }
  ShowBootIniAttributes(true);
  // From here on every failure puts the attributes back.
  std::string bytes;
  if (!TheSeam().ReadWholeFile(kBootIni, &bytes)) return StopEdit(L"打开BOOT.INI文件失败！");
  const std::string before = bytes;
  // A file that still holds the loader's entry is an edit never undone: the original is
  // the saved copy, if that one is clean.
  if (BootIniNamesLoader(bytes) &&
      (!TheSeam().ReadWholeFile(kBootIniCopy, &bytes) || BootIniNamesLoader(bytes)))
    return StopEdit(L"BOOT.INI文件已被修改过，且找不到它原来的备份，无法设置启动数据！");
  const std::string original = bytes;
  // Only a file that can be understood is saved: an empty or broken one (a cut inside an
  // earlier copy) would replace both good copies.
  if (!EditBootIniText(&bytes)) return StopEdit(L"无法解析BOOT.INI文件！");
  if (!Replace(kBootIniCopy, original) || !Replace(kBootIniForDos, original))
    return StopEdit(L"备份BOOT.INI文件失败！");
  TheSeam().SetAttributes(kBootIniForDos, kStagedAttributes);
  Tell(TheSeam().AnsiToWide(original));
  Tell(TheSeam().AnsiToWide(bytes));
  Rewrite written = RewriteBootIni(bytes, before);
  if (written == Rewrite::Unknown) return StopEdit(std::wstring(L"写入BOOT.INI文件失败，") + kBootIniMayBeBroken);
  if (written != Rewrite::Written) return StopEdit(L"写入BOOT.INI文件失败！");
  ShowBootIniAttributes(false);
  return true;
}

bool BootIniHoldsEntry() {
  std::string bytes;
  return TheSeam().ReadWholeFile(kBootIni, &bytes) && BootIniNamesLoader(bytes);
}

bool RestoreBootIni() {
  if (!PathExists(kBootIni)) {
    Tell(L"找不到BOOT.INI文件！");
    return false;
  }
  if (!PathExists(kBootIniCopy)) {
    Tell(L"找不到BOOTKX.INI文件！");
    return false;
  }
  ShowBootIniAttributes(true);
  std::string saved, current;
  bool read = TheSeam().ReadWholeFile(kBootIniCopy, &saved) && TheSeam().ReadWholeFile(kBootIni, &current);
  Rewrite written = read ? RewriteBootIni(saved, current) : Rewrite::AsBefore;
  ShowBootIniAttributes(false);
  // The saved copy put back whole is the restore that was asked for.
  if (written == Rewrite::Written || written == Rewrite::SavedCopy) return true;
  if (written == Rewrite::Unknown) Tell(std::wstring(L"恢复BOOT.INI文件失败，") + kBootIniMayBeBroken);
  else Tell(L"恢复BOOT.INI文件失败，BOOT.INI保持原样！原来的BOOT.INI保存在C:\\BOOT.INIKX。");
  return false;
}
