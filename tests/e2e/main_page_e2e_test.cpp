// The roads of the main page under Wine, from the click to what lands on the drives:
// one-click restore and backup staged on the desktop, a quick install inside a PE, and
// the refusals; screenshots of the page before and after each road.
#include <windows.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/e2e/fixture.h"

namespace {

// One MBR disk holding C: (partition 1) and D: (partition 2), started by BIOS: a machine
// on which the DOS stage may be staged.
const char kMachine[] = "disk mbr 500G\n  part 1 100G letter=C: boot\n  part 2 400G letter=D:\nfirmware bios\n";

const wchar_t kRestoreLine[] =
    L"ghost.exe -noide -nousb -clone,mode=pload,src=1:2\\RigmateBackup.GHO:1,dst=1:1 -crcignore -sure -rb";
const wchar_t kBackupLine[] =
    L"ghost.exe -noide -nousb -clone,mode=pdump,src=1:1,dst=1:2\\RigmateBackup.GHO -z3 -crcignore -sure -rb";
const wchar_t kDesktopRestartQuestion[] =
    L"配置完成，是否现在重启电脑？\n点击“是”以重启完成操作，“否”稍后手动重启，“取消”撤销安装！";
const wchar_t kPeRestartQuestion[] = L"配置完成，是否现在重启电脑？\n点击“是”以重启完成操作，“否”稍后手动重启";
const wchar_t* const kDosStageFiles[] = {L"kxdos.ima", L"kxldr", L"kxldr.mbr", L"ghost.ba_"};

// The buttons a message box shows (Wine keeps the others, hidden).
std::set<int> Buttons(const e2e::Box& box) {
  std::set<int> shown;
  for (int id : {IDOK, IDCANCEL, IDYES, IDNO})
    if (e2e::IsShown(GetDlgItem(box.window, id))) shown.insert(id);
  return shown;
}

// The command lines of the recorded starts that begin with this program name or path.
std::vector<std::wstring> StartsOf(const std::vector<StandinRecord>& starts, const std::wstring& program) {
  std::vector<std::wstring> lines;
  for (const StandinRecord& start : starts)
    if (start.commandLine.compare(0, program.size() + 1, program + L" ") == 0) lines.push_back(start.commandLine);
  return lines;
}

// Names in a folder, links included.
std::set<std::wstring> Names(const std::wstring& folder) {
  std::set<std::wstring> names;
  WIN32_FIND_DATAW found = {};
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.insert(name);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

std::string Contents(const std::wstring& path) {
  std::string bytes;
  return e2e::ReadFileBytes(path, &bytes) ? bytes : "(missing)";
}

// The export of the store, then the four edits that add the loader's entry and make it
// the next start's one-time boot, all naming one new GUID; from the first bcdedit start on.
void ExpectBootEntryAdded(const std::vector<std::wstring>& bcdedit) {
  ASSERT_GE(bcdedit.size(), 5u);
  EXPECT_EQ(bcdedit[0], L"bcdedit.exe /export \"C:\\boot\\BCDKX\"");
  const std::wstring create = L"bcdedit.exe /create ";
  std::wstring guid = bcdedit[1].substr(0, create.size()) == create ? bcdedit[1].substr(create.size(), 39) : L"";
  ASSERT_TRUE(std::regex_match(guid, std::wregex(L"\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9a-f]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\} ")))
      << e2e::WideToUtf8(bcdedit[1]);
  EXPECT_EQ(bcdedit[1], create + guid + L" /d \"Korvex数码 一键装机\" /application bootsector");
  EXPECT_EQ(bcdedit[2], L"bcdedit.exe /set " + guid + L" device partition=C:");
  EXPECT_EQ(bcdedit[3], L"bcdedit.exe /set " + guid + L" path \\kxldr.mbr");
  EXPECT_EQ(bcdedit[4], L"bcdedit.exe /bootsequence " + guid);
}

// Roads that stand C: on a folder of the test: the DOS stage writes into its root.
class MainPageRoadsOnSystemDrive : public RigmateE2EOnSystemDrive {
 protected:
  // The simulated disk, C: and D: on folders of the test, and stand-ins for bcdedit.exe
  // and attrib.exe in the system folder; beside the program, where CreateProcess would
  // look first for a program started by name, planted copies that mark their start.
  // False when D: is not listed.
  bool PrepareDesktop() {
    DescribeMachine(kMachine);
    if (!MapDrive(L'D', L"drive-d")) return false;
    EXPECT_TRUE(MapDrive(L'C', L"drive-c"));
    PlaceSystemStandIn(L"bcdedit.exe");
    PlaceSystemStandIn(L"attrib.exe");
    std::string planted;
    EXPECT_TRUE(e2e::ReadFileBytes(PlantedPath(L"planted.exe"), &planted));
    for (const wchar_t* name : {L"bcdedit.exe", L"attrib.exe"}) WriteFile(std::wstring(L"program\\") + name, planted);
    SetVariable(L"RIGMATE_STANDIN_LOG", StandInLogPath());
    return true;
  }

  std::wstring SystemRoot(const std::wstring& name) const { return InFolder(L"drive-c\\" + name); }
  std::vector<std::wstring> Bcdedit() const { return StartsOf(StandInStarts(), L"bcdedit.exe"); }
  void ExpectNoPlantedToolRan() {
    for (const wchar_t* mark : {L"\\bcdedit.exe.ran", L"\\attrib.exe.ran"})
      EXPECT_EQ(GetFileAttributesW((ProgramFolder() + mark).c_str()), INVALID_FILE_ATTRIBUTES) << e2e::WideToUtf8(mark);
  }

  // The floppy image and the two loaders (read-only, hidden, system, archive) and the
  // Ghost batch holding exactly this line, in the root of the system drive.
  void ExpectDosStage(const std::wstring& batchLine) {
    for (const wchar_t* name : {L"kxdos.ima", L"kxldr", L"kxldr.mbr"})
      EXPECT_EQ(GetFileAttributesW(SystemRoot(name).c_str()), 0x27u) << e2e::WideToUtf8(name);
    EXPECT_EQ(Contents(SystemRoot(L"kxdos.ima")).size(), 2949120u) << "the 2.88 MB floppy image";
    EXPECT_EQ(Contents(SystemRoot(L"ghost.ba_")), e2e::WideToUtf8(batchLine));
  }

  void ExpectNoDosStage() {
    for (const wchar_t* name : kDosStageFiles)
      EXPECT_EQ(GetFileAttributesW(SystemRoot(name).c_str()), INVALID_FILE_ATTRIBUTES) << e2e::WideToUtf8(name);
  }

  // Clicks a button of the main page and answers the question that names this text.
  void ClickAndAnswer(int button, const std::wstring& question, int answer) {
    ASSERT_TRUE(e2e::ClickButton(Pages().at(0), button));
    e2e::Box box;
    ASSERT_TRUE(e2e::WaitForBox(app().id(), question, &box)) << e2e::WideToUtf8(question);
    EXPECT_EQ(box.text.substr(0, question.size()), question);
    // The restore's question names the image's date and size on a line of its own.
    if (button == IDC_ONE_CLICK_RESTORE) {
      EXPECT_NE(box.text.find(L"\n该镜像文件保存于"), std::wstring::npos);
    }
    EXPECT_EQ(box.caption, L"Rigmate");
    EXPECT_EQ(Buttons(box), (std::set<int>{IDYES, IDNO}));
    EXPECT_EQ(e2e::DefaultButton(box), IDNO) << "Yes destroys data: Enter must not press it";
    ASSERT_TRUE(e2e::AnswerBox(box, answer));
  }

  void Close() {
    e2e::CloseWindow(main());
    ASSERT_TRUE(app().WaitForExit(10000));
  }
};

// Roads that leave C: alone.
class MainPageRoads : public RigmateE2E {};

TEST_F(MainPageRoadsOnSystemDrive, DesktopRestoreIsStagedUndoneByCancelAndRestartedByYes) {
  if (!PrepareDesktop()) GTEST_SKIP() << "D: is not listed: run the tests through tools/ctest-under-wine";
  WriteFile(L"drive-d\\RigmateBackup.GHO", "image");
  ASSERT_TRUE(StartRigmate());
  Settle();
  Shot("before");

  ClickAndAnswer(IDC_ONE_CLICK_RESTORE, L"确定还原镜像文件D:\\RigmateBackup.GHO到C:盘中么？", IDYES);
  e2e::Box box;
  ASSERT_TRUE(e2e::WaitForBox(app().id(), kDesktopRestartQuestion, &box));
  Shot("restart-question");
  EXPECT_EQ(Buttons(box), (std::set<int>{IDYES, IDNO, IDCANCEL}));
  ExpectDosStage(kRestoreLine);
  std::vector<std::wstring> bcdedit = Bcdedit();
  ExpectBootEntryAdded(bcdedit);
  EXPECT_EQ(bcdedit.size(), 5u);

  // Cancel puts the exported store back and leaves the program running.
  ASSERT_TRUE(e2e::AnswerBox(box, IDCANCEL));
  ASSERT_TRUE(e2e::WaitUntil([&] { return Bcdedit().size() == 6u; }, 10000));
  EXPECT_EQ(Bcdedit().back(), L"bcdedit.exe /import \"C:\\boot\\BCDKX\"");
  Settle();
  Shot("after-cancel");
  EXPECT_TRUE(app().Running());
  EXPECT_TRUE(Recorded().empty()) << "no restart";
  ASSERT_NO_FATAL_FAILURE(Close());

  // A second run stages again over the first one's files; Yes restarts.
  ASSERT_TRUE(StartRigmate());
  ClickAndAnswer(IDC_ONE_CLICK_RESTORE, L"确定还原镜像文件D:\\RigmateBackup.GHO到C:盘中么？", IDYES);
  ASSERT_TRUE(e2e::WaitForBox(app().id(), kDesktopRestartQuestion, &box));
  ExpectDosStage(kRestoreLine);
  bcdedit = Bcdedit();
  ASSERT_EQ(bcdedit.size(), 11u);
  ExpectBootEntryAdded(std::vector<std::wstring>(bcdedit.begin() + 6, bcdedit.end()));
  ExpectNoPlantedToolRan();  // the second staging cleared the first one's attributes
  ASSERT_TRUE(e2e::AnswerBox(box, IDYES));
  DWORD code = 99;
  ASSERT_TRUE(app().WaitForExit(10000, &code)) << "an accepted restart ends the program";
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(Recorded(), std::vector<std::wstring>{L"restart"});
}

TEST_F(MainPageRoadsOnSystemDrive, DesktopBackupOntoAnExistingImageAsksBeforeOverwriting) {
  if (!PrepareDesktop()) GTEST_SKIP() << "D: is not listed: run the tests through tools/ctest-under-wine";
  WriteFile(L"drive-d\\RigmateBackup.GHO", "earlier backup");
  ASSERT_TRUE(StartRigmate());
  Settle();
  Shot("before");

  // Enter on the overwrite question answers No: nothing is staged, nothing started,
  // the image stays.
  ClickAndAnswer(IDC_ONE_CLICK_BACKUP, L"确定备份C:盘系统到文件D:\\RigmateBackup.GHO中么？", IDYES);
  e2e::Box box;
  ASSERT_TRUE(e2e::WaitForBox(app().id(), L"已经存在", &box));
  Shot("overwrite-question");
  EXPECT_EQ(box.text, L"文件：D:\\RigmateBackup.GHO已经存在！是否覆盖？");
  EXPECT_EQ(Buttons(box), (std::set<int>{IDYES, IDNO}));
  e2e::PostKey(box.window, VK_RETURN);   // the key-up may find the box gone already
  ASSERT_TRUE(e2e::WaitUntil([&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); }, 5000));
  Settle();
  EXPECT_EQ(e2e::Boxes(app().id()).size(), 1u) << "no further message";
  ExpectNoDosStage();
  EXPECT_TRUE(StandInStarts().empty()) << "neither bcdedit nor attrib started";
  EXPECT_EQ(Contents(InFolder(L"drive-d\\RigmateBackup.GHO")), "earlier backup");
  Shot("after-no");

  // Yes to both questions stages the backup with compression 3; "later" keeps it.
  ClickAndAnswer(IDC_ONE_CLICK_BACKUP, L"确定备份C:盘系统到文件D:\\RigmateBackup.GHO中么？", IDYES);
  ASSERT_TRUE(e2e::WaitForBox(app().id(), L"已经存在", &box));
  ASSERT_TRUE(e2e::AnswerBox(box, IDYES));
  ASSERT_TRUE(e2e::WaitForBox(app().id(), kDesktopRestartQuestion, &box));
  ExpectDosStage(kBackupLine);
  ExpectBootEntryAdded(Bcdedit());
  ASSERT_TRUE(e2e::AnswerBox(box, IDNO));
  Settle();
  Shot("after-yes");
  EXPECT_TRUE(app().Running());
  EXPECT_EQ(Bcdedit().size(), 5u) << "no undo";
  EXPECT_TRUE(Recorded().empty()) << "no restart";
}

// A PE started from a USB disk that holds C: (its first letter), Windows on D: of the
// fixed disk: the quick install restores onto D:.
TEST_F(MainPageRoads, QuickInstallInsidePeRestoresTheWindowsPartitionWhileTheMainWindowIsHidden) {
  DescribeMachine("disk mbr 16G usb\n  part 1 16G letter=C: boot\ndisk mbr 500G\n  part 1 120G letter=D: boot\n");
  if (!MapDrive(L'D', L"drive-d")) GTEST_SKIP() << "D: is not listed: run the tests through tools/ctest-under-wine";
  WriteFile(L"drive-d\\Windows\\System32\\ntoskrnl.exe", "kernel");
  WriteFile(L"program\\Rigmate\\GHO\\WIN764.GHO", "image");
  const std::wstring ghostPath = ProgramFolder() + L"\\GHOST32.EXE";
  PlaceStandIn(ghostPath);
  StartStandIn(L"PECMD.EXE");  // before the pause below, which is Ghost's alone
  SetVariable(L"RIGMATE_STANDIN_LOG", StandInLogPath());
  SetVariable(L"RIGMATE_STANDIN_SLEEP_MS", L"1500");
  ASSERT_TRUE(StartRigmate());
  Settle();
  Shot("before");
  const std::wstring image = ProgramFolder() + L"\\Rigmate\\GHO\\WIN764.GHO";
  HWND button = GetDlgItem(Pages().at(0), IDC_QUICK_WIN7_64);
  EXPECT_EQ(e2e::ToolTipText(app().id(), button), image);

  ASSERT_TRUE(e2e::ClickButton(Pages().at(0), IDC_QUICK_WIN7_64));
  e2e::Box box;
  wchar_t label[MAX_PATH + 1] = {};
  GetVolumeInformationW(L"D:\\", label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0);
  const std::wstring question = L"确定将文件：" + image + L" 还原到D:盘（120.00 GB，" + std::wstring(label) +
                                L"）中么？\n这将会清空您D:盘的数据，还原前请将数据备份！";
  ASSERT_TRUE(e2e::WaitForBox(app().id(), L"还原到", &box));
  EXPECT_EQ(box.text, question);
  EXPECT_EQ(Buttons(box), (std::set<int>{IDYES, IDNO}));
  ASSERT_TRUE(e2e::AnswerBox(box, IDYES));

  // Ghost runs (its stand-in logs its start, then stays a moment) with the main window
  // hidden, and the window comes back when it ends.
  std::vector<std::wstring> ghost;
  ASSERT_TRUE(e2e::WaitUntil([&] { return !(ghost = StartsOf(StandInStarts(), ghostPath)).empty(); }, 10000));
  EXPECT_FALSE(IsWindowVisible(main())) << "hidden while Ghost runs";
  ASSERT_EQ(ghost.size(), 1u);
  EXPECT_EQ(ghost[0], ghostPath + L" -noide -nousb -clone,mode=pload,src=\"" + image + L":1\",dst=D: -crcignore -sure");
  EXPECT_TRUE(e2e::WaitUntil([&] { return IsWindowVisible(main()) != FALSE; }, 10000)) << "shown again";

  // Inside a PE there is nothing to undo: Yes or No only.
  ASSERT_TRUE(e2e::WaitForBox(app().id(), kPeRestartQuestion, &box));
  Shot("restart-question");
  EXPECT_EQ(box.text, kPeRestartQuestion);
  EXPECT_EQ(Buttons(box), (std::set<int>{IDYES, IDNO}));
  ASSERT_TRUE(e2e::AnswerBox(box, IDNO));
  Settle();
  Shot("after");
  EXPECT_TRUE(app().Running());
  EXPECT_TRUE(Recorded().empty()) << "no restart";
}

TEST_F(MainPageRoads, WithoutImagesOrRemoteControlTheButtonsSaySo) {
  DescribeMachine(kMachine);
  if (!MapDrive(L'D', L"drive-d")) GTEST_SKIP() << "D: is not listed: run the tests through tools/ctest-under-wine";
  ASSERT_TRUE(StartRigmate());
  Settle();
  Shot("before");
  HWND page = Pages().at(0);
  for (int id = IDC_QUICK_WINXP; id <= IDC_QUICK_WIN10_64; ++id)
    EXPECT_EQ(e2e::ToolTipText(app().id(), GetDlgItem(page, id)), L"找不到相应的快速安装镜像！") << "button " << id;

  ASSERT_TRUE(e2e::ClickButton(page, IDC_QUICK_WIN81_32));
  e2e::Box box;
  ASSERT_TRUE(e2e::WaitForBox(app().id(), L"找不到指定的文件！", &box));
  Shot("no-image");
  EXPECT_EQ(box.text, L"找不到指定的文件！\n系统编号：3\nWindows 8.1 32位的快速安装镜像：\n" + ProgramFolder() + L"\\Rigmate\\GHO\\WIN832.GHO");
  EXPECT_EQ(Buttons(box), std::set<int>{IDOK});
  ASSERT_TRUE(e2e::AnswerBox(box, IDOK));

  ASSERT_TRUE(e2e::ClickButton(page, IDC_REMOTE_CONTROL));
  ASSERT_TRUE(e2e::WaitForBox(app().id(), L"远程控制端", &box));
  EXPECT_EQ(box.text, L"在当前目录和所有逻辑分区的根目录下找不到远程控制端！\n" + ProgramFolder() + L"\\TeamViewer.exe");
  EXPECT_EQ(Buttons(box), std::set<int>{IDOK});
  ASSERT_TRUE(e2e::AnswerBox(box, IDOK));
  Settle();
  Shot("after");
  EXPECT_TRUE(app().Running());
  EXPECT_EQ(e2e::Boxes(app().id()).size(), 1u) << "nothing else shown";
}

TEST_F(MainPageRoadsOnSystemDrive, IncompletePayloadRefusesTheDesktopRestoreAndTouchesNothing) {
  if (!PrepareDesktop()) GTEST_SKIP() << "D: is not listed: run the tests through tools/ctest-under-wine";
  WriteFile(L"drive-d\\RigmateBackup.GHO", "image");
  const std::set<std::wstring> systemRoot = Names(InFolder(L"drive-c"));
  ASSERT_TRUE(StartRigmate(L"Rigmate-e2e-nopayload.exe"));
  Settle();
  Shot("before");

  // Refused before the question: no answer could make it run.
  ASSERT_TRUE(e2e::ClickButton(Pages().at(0), IDC_ONE_CLICK_RESTORE));
  e2e::Box box;
  ASSERT_TRUE(e2e::WaitForBox(app().id(), L"缺少DOS安装所需的组件", &box));
  Shot("refused");
  EXPECT_EQ(box.text, L"本软件缺少DOS安装所需的组件，无法在桌面条件下进行安装，请在PE中进行安装！");
  EXPECT_EQ(Buttons(box), std::set<int>{IDOK});
  ASSERT_TRUE(e2e::AnswerBox(box, IDOK));
  Settle();
  Shot("after");
  EXPECT_EQ(e2e::Boxes(app().id()).size(), 1u) << "no restart question";
  EXPECT_EQ(Names(InFolder(L"drive-c")), systemRoot) << "nothing written into the root of the system drive";
  EXPECT_TRUE(StandInStarts().empty()) << "the boot configuration untouched: no bcdedit start";
  EXPECT_TRUE(Recorded().empty());
  ASSERT_TRUE(e2e::CloseWindow(main()) && app().WaitForExit(10000));
  // What the packager must supply, where /version tells the state.
  DWORD code = 99;
  std::wstring version;
  ASSERT_TRUE(RunRigmate(L"/version", &code, &version, L"Rigmate-e2e-nopayload.exe"));
  for (const wchar_t* part : {L"DOS 安装环境：不完整", L"RIGMATE_PAYLOAD_DIR", L"floppy\\", L"kxldr.mbr"})
    EXPECT_NE(version.find(part), std::wstring::npos) << e2e::WideToUtf8(part) << "\n" << e2e::WideToUtf8(version);
}

}  // namespace
