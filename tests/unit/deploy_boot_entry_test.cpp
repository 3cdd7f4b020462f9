// Boot entries: BOOT.INI edits (golden files), the GUID text, the bcdedit commands and
// what is undone when a step fails.
#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
#include <iterator>

#include "deploy/boot_entry.h"
#include "deploy/boot_ini_text.h"
#include "tests/unit/deploy_machine.h"

using namespace deploy_test;

namespace {

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path) { return std::ifstream(path).good(); }

}  // namespace

// Each NAME.ini under data/bootini is edited into NAME.expected, or refused when a
// NAME.refused stands beside it.
TEST(BootIniText, GoldenFiles) {
  const std::string folder = std::string(RIGMATE_TEST_DATA) + "/bootini/";
  DIR* dir = opendir(folder.c_str());
  ASSERT_NE(dir, nullptr);
  int cases = 0;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name.size() < 5 || name.compare(name.size() - 4, 4, ".ini") != 0) continue;
    std::string base = folder + name.substr(0, name.size() - 4);
    SCOPED_TRACE(name);
    std::string text = ReadBytes(base + ".ini");
    const std::string original = text;
    if (FileExists(base + ".refused")) {
      EXPECT_FALSE(EditBootIniText(&text));
      EXPECT_EQ(text, original);
    } else {
      ASSERT_TRUE(FileExists(base + ".expected"));
      EXPECT_TRUE(EditBootIniText(&text));
      EXPECT_EQ(text, ReadBytes(base + ".expected"));
    }
    ++cases;
  }
  closedir(dir);
  EXPECT_GE(cases, 12);
}

TEST(NewGuidText, UpperCaseButTheThirdGroupAndOneBlankAfter) {
  FakeSeam fake;
  ScopedSeam use(&fake);
  fake.guid = Guid{0xabcdef01, 0x2a3b, 0xC4D5, {0xe6, 0x07, 0xf8, 0x09, 0xaa, 0xbb, 0x0c, 0xdd}};
  EXPECT_EQ(NewGuidText(), L"{ABCDEF01-2A3B-c4d5-E607-F809AABB0CDD} ");
  fake.guidFails = true;
  EXPECT_EQ(NewGuidText(), L"");
}

class BcdEntry : public ::testing::Test {
 protected:
  void SetUp() override {
    SetUpDesktop(fake);
    fake.systemDirectory = L"D:\\WINDOWS\\system32";   // the entry names the system drive
    fake.wow64 = true;
  }
  // bcdedit fails for the command that contains part.
  void FailWhen(const std::wstring& part) {
    EmulateAttrib(fake, [part](const std::wstring& line) { return line.find(part) != std::wstring::npos ? 1 : 0; });
  }
  const std::wstring guid = L"{12345678-9ABC-def0-0123-456789ABCDEF} ";
  const std::wstring exportLine = L"bcdedit.exe /export \"D:\\boot\\BCDKX\"";
  const std::wstring importLine = L"bcdedit.exe /import \"D:\\boot\\BCDKX\"";
  std::vector<std::wstring> Entry() const {
    return {L"bcdedit.exe /create " + guid + L" /d \"Korvex数码 一键装机\" /application bootsector",
            L"bcdedit.exe /set " + guid + L" device partition=D:",
            L"bcdedit.exe /set " + guid + L" path \\kxldr.mbr",
            L"bcdedit.exe /bootsequence " + guid};
  }
  FakeSeam fake;
  ScopedSeam use{&fake};
};

TEST_F(BcdEntry, ExportsThenAddsTheDefaultEntryWithRedirectionOff) {
  std::vector<bool> redirectionOff;
  fake.onStart = [&](const FakeSeam::ProcessStart&) { redirectionOff.push_back(fake.fsRedirectionOff); return 0; };
  EXPECT_TRUE(AddBcdEntry());
  std::vector<std::wstring> expected{exportLine};
  for (const auto& line : Entry()) expected.push_back(line);
  EXPECT_EQ(CommandLines(fake), expected);
  for (const auto& start : fake.starts) {
    EXPECT_TRUE(start.wait);
    EXPECT_FALSE(start.show);
  }
  EXPECT_EQ(redirectionOff, std::vector<bool>(5, true));
  EXPECT_FALSE(fake.fsRedirectionOff);
  EXPECT_TRUE(fake.messages.empty());
}

// A default whose loader lies on no volume gives way to the running Windows' before the save.
TEST_F(BcdEntry, ADefaultThatCannotStartIsNotSaved) {
  fake.SetRegistryText(L"BCD00000000\\Objects\\{9dea862c-5cdd-4e70-acc1-f32b344d4795}\\Elements\\23000003", L"Element", L"{o}");
  fake.AddFile(L"D:\\Windows\\system32\\winload.exe");
  for (const wchar_t* loader : {L"\\kxldr.mbr", L"\\Windows\\system32\\winload.exe"}) {
    fake.starts.clear();
    fake.SetRegistryText(L"BCD00000000\\Objects\\{o}\\Elements\\12000002", L"Element", loader);
    EXPECT_TRUE(AddBcdEntry());
    EXPECT_EQ(CommandLines(fake)[0] == L"bcdedit.exe /default {current}", loader[1] == L'k') << CommandLines(fake)[0];
  }
}

TEST_F(BcdEntry, WithoutTheSwitchTheSameCommandsRun) {
  fake.hasFsRedirection = false;
  EXPECT_TRUE(AddBcdEntry());
  EXPECT_EQ(fake.starts.size(), 5u);
}

TEST_F(BcdEntry, AFailedExportChangesNothing) {
  FailWhen(L"/export");
  EXPECT_FALSE(AddBcdEntry());
  EXPECT_EQ(CommandLines(fake), std::vector<std::wstring>{exportLine});
  EXPECT_FALSE(fake.fsRedirectionOff);
}

TEST_F(BcdEntry, ALaterFailureImportsTheExportBack) {
  const std::vector<std::wstring> entry = Entry();
  for (size_t failing = 0; failing < entry.size(); ++failing) {
    SCOPED_TRACE(entry[failing]);
    fake.starts.clear();
    FailWhen(entry[failing]);
    EXPECT_FALSE(AddBcdEntry());
    std::vector<std::wstring> expected{exportLine};
    expected.insert(expected.end(), entry.begin(), entry.begin() + static_cast<long>(failing) + 1);
    expected.push_back(importLine);
    EXPECT_EQ(CommandLines(fake), expected);
  }
}

TEST_F(BcdEntry, AFailedUndoSaysWhereTheSavedStoreIs) {
  EmulateAttrib(fake, [](const std::wstring& line) {
    return line.find(L"/bootsequence") != std::wstring::npos || line.find(L"/import") != std::wstring::npos ? 1 : 0;
  });
  EXPECT_FALSE(AddBcdEntry());
  EXPECT_EQ(MessageTexts(fake),
            std::vector<std::wstring>{L"恢复启动数据失败，电脑的启动配置可能已被更改！原来的启动数据保存在D:\\boot\\BCDKX。"});
}

TEST_F(BcdEntry, ThePlaceOfTheLiveStore) {
  const std::wstring key = L"SYSTEM\\CurrentControlSet\\Control\\hivelist", value = L"\\REGISTRY\\MACHINE\\BCD00000000";
  const std::wstring system = L"\\\\?\\Volume{0000-system}";
  EXPECT_EQ(BcdStorePlace(), L"D:") << "no store loaded: bcdedit has nothing to change either";
  fake.namedVolumes[system] = DiskVolume(0, 1);
  fake.dosDevices[L"D:"] = L"\\Device\\HarddiskVolume2";
  fake.dosDevices[L"\\\\?\\VOLUME{0000-SYSTEM}"] = L"\\Device\\HarddiskVolume1";
  const struct {
    const wchar_t* hive;
    std::wstring place;
  } rows[] = {
      {L"\\Device\\HarddiskVolume2\\BOOT\\BCD", L"D:"},
      {L"\\Device\\HarddiskVolume1\\Boot\\BCD", system},          // Windows Setup's system partition
      {L"\\Device\\HarddiskVolume7\\Boot\\BCD", L""},             // no volume of that device
      {L"\\Device\\HarddiskVolume2\\EFI\\Microsoft\\Boot\\BCD", L""},
  };
  for (const auto& row : rows) {
    fake.SetRegistryText(key, value, row.hive);
    EXPECT_EQ(BcdStorePlace(), row.place) << row.hive;
  }
  fake.dosDevices.erase(L"D:");
  fake.SetRegistryText(key, value, L"\\Device\\HarddiskVolume2\\Boot\\BCD");
  EXPECT_EQ(BcdStorePlace(), L"") << "a system drive whose device is unknown";
}

TEST_F(BcdEntry, BcdeditThatCannotStartIsAFailure) {
  fake.onStart = nullptr;
  fake.SetStartFails(L"bcdedit.exe");
  EXPECT_FALSE(AddBcdEntry());
  EXPECT_EQ(CommandLines(fake), std::vector<std::wstring>{exportLine});
}

TEST_F(BcdEntry, NoGuidRunsNothing) {
  fake.guidFails = true;
  EXPECT_FALSE(AddBcdEntry());
  EXPECT_TRUE(fake.starts.empty());
}

TEST_F(BcdEntry, RestoreImportsTheExportAndRemovesIt) {
  EXPECT_TRUE(RestoreBcd()) << "no export: nothing to put back";
  EXPECT_TRUE(fake.starts.empty());
  fake.AddFile(L"D:\\boot\\BCDKX", "export");
  EXPECT_TRUE(RestoreBcd());
  EXPECT_EQ(CommandLines(fake), std::vector<std::wstring>{importLine});
  EXPECT_TRUE(fake.messages.empty());
  EXPECT_FALSE(fake.Exists(L"D:\\boot\\BCDKX")) << "an old export is never imported over later changes";
  fake.AddFile(L"D:\\boot\\BCDKX", "export", fattr::ReadOnly | fattr::Hidden | fattr::System);
  EXPECT_TRUE(RestoreBcd());
  EXPECT_FALSE(fake.Exists(L"D:\\boot\\BCDKX")) << "read-only, hidden, system";
  fake.AddFile(L"D:\\boot\\BCDKX", "export");
  FailWhen(L"/import");
  EXPECT_FALSE(RestoreBcd());
  EXPECT_TRUE(fake.Exists(L"D:\\boot\\BCDKX"));
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, L"恢复启动数据失败！原来的启动数据保存在D:\\boot\\BCDKX。");
  EXPECT_EQ(fake.messages[0].style, 0x30u);
  // The entry this run added is taken out instead.
  FailWhen(L"/import");
  ASSERT_TRUE(AddBcdEntry());
  EXPECT_TRUE(RestoreBcd());
  EXPECT_EQ(CommandLines(fake).back(), L"bcdedit.exe /delete " + guid + L" /cleanup");
}

class BootIniEntry : public ::testing::Test {
 protected:
  void SetUp() override {
    SetUpDesktop(fake);
    fake.versionMajor = 5;
    fake.AddFile(L"C:\\BOOT.INI", original, kHiddenSystemReadOnly);
  }
  static constexpr uint32_t kHiddenSystemReadOnly = fattr::Hidden | fattr::System | fattr::ReadOnly | fattr::Archive;
  const std::string original =
      "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n"
      "[operating systems]\r\nmulti(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Windows XP 专业版\" /fastdetect\r\n";
  const std::string edited =
      "[boot loader]\r\ntimeout=10\r\ndefault=C:\\KXLDR.MBR\r\n"
      "[operating systems]\r\nmulti(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Windows XP 专业版\" /fastdetect\r\n"
      "\r\nC:\\KXLDR.MBR=KX Ghost";
  const std::vector<std::wstring> attribAround{L"attrib.exe -S -H -R C:\\BOOT.INI",
                                               L"attrib.exe +S +H +R C:\\BOOT.INI"};
  // The failure road: one message, the file as it was, its attributes back.
  void ExpectRefused(const std::wstring& message) {
    EXPECT_EQ(fake.messages.back().text, message);
    EXPECT_EQ(fake.messages.back().style, 0x30u);
    EXPECT_EQ(fake.Contents(L"C:\\BOOT.INI"), original);
    EXPECT_EQ(CommandLines(fake), attribAround);
    EXPECT_EQ(fake.Attributes(L"C:\\BOOT.INI"), kHiddenSystemReadOnly);
  }
  FakeSeam fake;
  ScopedSeam use{&fake};
};

TEST_F(BootIniEntry, SavesACopyAndMakesTheLoaderTheDefault) {
  EXPECT_TRUE(AddBootIniEntry());
  EXPECT_EQ(fake.Contents(L"C:\\BOOT.INIKX"), original);
  EXPECT_EQ(fake.Contents(L"C:\\boot.in_"), original) << "what the DOS stage puts back";
  EXPECT_EQ(fake.Attributes(L"C:\\boot.in_"), 0x27u);
  EXPECT_EQ(fake.Contents(L"C:\\BOOT.INI"), edited);
  EXPECT_EQ(CommandLines(fake), attribAround);
  EXPECT_EQ(fake.Attributes(L"C:\\BOOT.INI"), kHiddenSystemReadOnly);
  // The text is shown before and after the edit.
  ASSERT_EQ(fake.messages.size(), 2u);
  EXPECT_EQ(fake.messages[0].text, fake.AnsiToWide(original));
  EXPECT_EQ(fake.messages[1].text, fake.AnsiToWide(edited));
  EXPECT_EQ(fake.messages[1].style, 0x30u);
}

TEST_F(BootIniEntry, MissingFileIsToldAndNothingRuns) {
  fake.Fail(FakeSeam::Op::FindFile, L"C:\\BOOT.INI");
  EXPECT_FALSE(AddBootIniEntry());
  EXPECT_FALSE(RestoreBootIni());
  EXPECT_EQ(MessageTexts(fake), (std::vector<std::wstring>{L"找不到BOOT.INI文件！", L"找不到BOOT.INI文件！"}));
  EXPECT_TRUE(fake.starts.empty());
  EXPECT_TRUE(Changed(fake).empty());
}

TEST_F(BootIniEntry, AFailedBackupStopsBeforeTheFileIsTouched) {
  fake.Fail(FakeSeam::Op::WriteNewFile, L"C:\\BOOT.INIKX");
  EXPECT_FALSE(AddBootIniEntry());
  EXPECT_EQ(MessageTexts(fake), std::vector<std::wstring>{L"备份BOOT.INI文件失败！"});
  ExpectRefused(L"备份BOOT.INI文件失败！");
}

TEST_F(BootIniEntry, UnreadableFile) {
  fake.Fail(FakeSeam::Op::ReadWholeFile, L"C:\\BOOT.INI");
  EXPECT_FALSE(AddBootIniEntry());
  ExpectRefused(L"打开BOOT.INI文件失败！");
}

TEST_F(BootIniEntry, TextWithoutTheKeys) {
  fake.AddFile(L"C:\\BOOT.INIKX", original);   // the good copy of an earlier staging
  for (const std::string& text : {std::string("[operating systems]\r\ntimeout=30\r\ndefault=x\r\n"), std::string()}) {
    fake.AddFile(L"C:\\BOOT.INI", text, kHiddenSystemReadOnly);
    fake.starts.clear();
    EXPECT_FALSE(AddBootIniEntry());
    EXPECT_EQ(fake.messages.back().text, L"无法解析BOOT.INI文件！");
    EXPECT_EQ(fake.Contents(L"C:\\BOOT.INI"), text);
    EXPECT_EQ(fake.Contents(L"C:\\BOOT.INIKX"), original) << "an unreadable file is never saved over the good copy";
    EXPECT_FALSE(fake.Exists(L"C:\\boot.in_"));
    EXPECT_EQ(CommandLines(fake), attribAround);
    EXPECT_EQ(fake.Attributes(L"C:\\BOOT.INI"), kHiddenSystemReadOnly);
  }
}

TEST_F(BootIniEntry, AWriteThatFailsHalfWayLeavesTheOriginalBytes) {
  class HalfWriting : public FakeSeam {
   public:
    bool RewriteFile(const std::wstring& path, const std::string& bytes) override {
      if (failed_++) return FakeSeam::RewriteFile(path, bytes);
      FakeSeam::RewriteFile(path, bytes.substr(0, bytes.size() / 2));
      return false;
    }
    int failed_ = 0;
  } half;
  SetUpDesktop(half);
  half.AddFile(L"C:\\BOOT.INI", original, kHiddenSystemReadOnly);
  ScopedSeam useHalf(&half);
  EXPECT_FALSE(AddBootIniEntry());
  EXPECT_EQ(half.messages.back().text, L"写入BOOT.INI文件失败！");
  EXPECT_EQ(half.Contents(L"C:\\BOOT.INI"), original);
  EXPECT_EQ(half.Attributes(L"C:\\BOOT.INI"), kHiddenSystemReadOnly);

  // The same for the restore: BOOT.INI keeps what it had.
  half.AddFile(L"C:\\BOOT.INIKX", "saved");
  half.failed_ = 0;
  EXPECT_FALSE(RestoreBootIni());
  EXPECT_EQ(half.messages.back().text, L"恢复BOOT.INI文件失败，BOOT.INI保持原样！原来的BOOT.INI保存在C:\\BOOT.INIKX。");
  EXPECT_EQ(half.Contents(L"C:\\BOOT.INI"), original);
}

TEST_F(BootIniEntry, AnEditNeverUndoneIsNotSavedAsTheOriginal) {
  ASSERT_TRUE(AddBootIniEntry());
  ASSERT_TRUE(AddBootIniEntry()) << "edits the saved original again";
  EXPECT_EQ(fake.Contents(L"C:\\BOOT.INIKX"), original);
  EXPECT_EQ(fake.Contents(L"C:\\boot.in_"), original);
  EXPECT_EQ(fake.Contents(L"C:\\BOOT.INI"), edited);
  // Without a clean saved copy nothing is changed.
  fake.AddFile(L"C:\\BOOT.INIKX", edited);
  fake.starts.clear();
  EXPECT_FALSE(AddBootIniEntry());
  EXPECT_EQ(fake.messages.back().text, L"BOOT.INI文件已被修改过，且找不到它原来的备份，无法设置启动数据！");
  EXPECT_EQ(fake.Contents(L"C:\\BOOT.INI"), edited);
  EXPECT_EQ(CommandLines(fake), attribAround);
}

TEST_F(BootIniEntry, RestorePutsTheCopyBack) {
  ASSERT_TRUE(AddBootIniEntry());
  fake.starts.clear();
  EXPECT_TRUE(RestoreBootIni());
  EXPECT_EQ(fake.Contents(L"C:\\BOOT.INI"), original);
  EXPECT_TRUE(fake.Exists(L"C:\\BOOT.INIKX"));
  EXPECT_EQ(CommandLines(fake), attribAround);
  EXPECT_EQ(fake.Attributes(L"C:\\BOOT.INI"), kHiddenSystemReadOnly);
}

// Both rewrites of BOOT.INI fail: a copy of the saved file is the restore asked for; without
// it BOOT.INI may be broken, and the message says so.
TEST_F(BootIniEntry, RestoreWhoseRewritesFail) {
  for (bool copies : {true, false}) {
    fake.AddFile(L"C:\\BOOT.INI", "[boot loader]\r\nde", kHiddenSystemReadOnly);
    fake.AddFile(L"C:\\BOOT.INIKX", original);
    fake.ClearFailures();
    fake.Fail(FakeSeam::Op::RewriteFile, L"C:\\BOOT.INI");
    if (!copies) fake.Fail(FakeSeam::Op::CopyOneFile, L"C:\\BOOT.INIKX");
    EXPECT_EQ(RestoreBootIni(), copies);
    EXPECT_EQ(fake.Contents(L"C:\\BOOT.INI"), copies ? original : "[boot loader]\r\nde");
  }
  EXPECT_EQ(fake.messages.back().text, L"恢复BOOT.INI文件失败，BOOT.INI可能已损坏！原来的BOOT.INI保存在C:\\BOOT.INIKX。");
}

TEST_F(BootIniEntry, RestoreWithoutTheCopyLeavesTheFile) {
  EXPECT_FALSE(RestoreBootIni());
  EXPECT_EQ(MessageTexts(fake), std::vector<std::wstring>{L"找不到BOOTKX.INI文件！"});
  EXPECT_EQ(fake.Contents(L"C:\\BOOT.INI"), original);
  EXPECT_TRUE(fake.starts.empty());
}

TEST_F(BootIniEntry, RestoreThatCannotReadTheCopyLeavesBootIni) {
  fake.AddFile(L"C:\\BOOT.INIKX", "saved");
  fake.Fail(FakeSeam::Op::ReadWholeFile, L"C:\\BOOT.INIKX");
  EXPECT_FALSE(RestoreBootIni());
  EXPECT_EQ(MessageTexts(fake),
            std::vector<std::wstring>{L"恢复BOOT.INI文件失败，BOOT.INI保持原样！原来的BOOT.INI保存在C:\\BOOT.INIKX。"});
  EXPECT_EQ(fake.Contents(L"C:\\BOOT.INI"), original);
}
