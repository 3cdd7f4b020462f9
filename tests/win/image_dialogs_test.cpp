// The image search dialog and the WIM image chooser on real windows, driven from inside
// their own modal runs: rows shown, refusals, the path handed to the page, the index chosen.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "pages/install/search_dlg.h"
#include "pages/install/select_image_dlg.h"
#include "platform/disk.h"
#include "tests/fakes/fake_seam.h"
#include "win/modal_deadline.h"

namespace {

constexpr UINT WM_DRIVE = WM_APP + 60;

// A dialog that runs a script of the test once its modal run has started.
template <typename Base>
class Driven : public Base {
 public:
  using Base::Base;
  std::function<void(HWND)> script;

 protected:
  bool OnInitDialog() override {
    bool focus = Base::OnInitDialog();
    PostMessageW(this->hwnd(), WM_DRIVE, 0, 0);
    return focus;
  }
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (message != WM_DRIVE) return Base::OnMessage(message, wParam, lParam, result);
    script(this->hwnd());
    return true;
  }
};

std::wstring Text(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

void Click(HWND dialog, int id) {
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::vector<std::wstring> ListBoxRows(HWND list) {
  std::vector<std::wstring> rows;
  int count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t text[512] = {};
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    rows.push_back(text);
  }
  return rows;
}

std::wstring Cell(HWND list, int row, int column) {
  wchar_t text[256] = {};
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 256;
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return text;
}

void SelectRow(HWND list, int row) {
  LVITEMW item = {};
  item.stateMask = LVIS_SELECTED;
  item.state = row < 0 ? 0 : LVIS_SELECTED;
  SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));  // -1: every row
}

using Rows = std::vector<std::wstring>;

}  // namespace

TEST(ImageDialogsTest, SearchFillsThePagesPathAndTheChooserReturnsTheChosenIndex) {
  FakeSeam fake;
  ScopedSeam use(&fake);
  fake.SetDrives(L"CD");
  fake.volumes[L'C'].number = {7, 0, 1};
  fake.volumes[L'D'].number = {7, 0, 2};
  fake.AddFile(L"C:\\z.gho");
  fake.AddFile(L"D:\\GHO\\b.gho");
  fake.AddFile(L"D:\\a.gho");
  TheDisk().Refresh();
  TheDisk().foundPaths.clear();

  // The page: a top-level window holding the image-path box (hidden: Wine under Xvfb
  // waits two seconds for every visible top-level window that goes away).
  HWND page = CreateWindowExW(0, L"#32770", L"page", WS_POPUP, 0, 0, 300, 200, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(page, nullptr);
  HWND pathBox = CreateWindowExW(0, WC_COMBOBOXW, L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWN, 5, 5, 250, 100,
                                 page, reinterpret_cast<HMENU>(IDC_SEARCH_TARGET_PATH),
                                 GetModuleHandleW(nullptr), nullptr);

  Driven<SearchDlg> search(page);
  bool ownerDisabled = false;
  Rows firstRows, refusedRows, keptRows;
  std::wstring depthShown, depthKept;
  bool openAfterEmptyDoubleClick = false, typesIntoDepth = false;
  search.script = [&](HWND dialog) {
    ownerDisabled = !IsWindowEnabled(page);
    typesIntoDepth = GetFocus() == GetDlgItem(dialog, IDC_SEARCH_DEPTH);
    depthShown = Text(GetDlgItem(dialog, IDC_SEARCH_DEPTH));
    HWND list = GetDlgItem(dialog, IDC_SEARCH_FOUND);
    SetDlgItemTextW(dialog, IDC_SEARCH_DEPTH, L"2");
    Click(dialog, IDC_SEARCH_START);
    firstRows = ListBoxRows(list);
    SetDlgItemTextW(dialog, IDC_SEARCH_DEPTH, L"11");
    Click(dialog, IDC_SEARCH_START);
    refusedRows = ListBoxRows(list);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_SEARCH_FOUND, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
    openAfterEmptyDoubleClick = search.IsModalRunning();
    SendMessageW(list, LB_SETCURSEL, 1, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_SEARCH_FOUND, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
  };
  {
    ModalDeadline deadline(&search, 10000);
    EXPECT_EQ(search.DoModal(), IDCANCEL);
  }
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(typesIntoDepth);
  EXPECT_TRUE(IsWindowEnabled(page));
  EXPECT_EQ(depthShown, L"3");
  // Searched in the order C:, then D:'s subfolders before its root; shown sorted.
  EXPECT_EQ(TheDisk().foundPaths, (std::list<std::wstring>{L"C:\\z.gho", L"D:\\GHO\\b.gho", L"D:\\a.gho"}));
  EXPECT_EQ(firstRows, (Rows{L"C:\\z.gho", L"D:\\a.gho", L"D:\\GHO\\b.gho"}));
  EXPECT_EQ(refusedRows, firstRows);
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, L"目录深度输入不正确！\n请输入1到10之间的数字。");
  EXPECT_TRUE(openAfterEmptyDoubleClick);
  EXPECT_EQ(Text(pathBox), L"D:\\a.gho");

  // Opened again: the last valid depth and the last results, without a new search.
  fake.AddFile(L"D:\\new.gho");
  search.script = [&](HWND dialog) {
    depthKept = Text(GetDlgItem(dialog, IDC_SEARCH_DEPTH));
    keptRows = ListBoxRows(GetDlgItem(dialog, IDC_SEARCH_FOUND));
    PostMessageW(dialog, WM_CLOSE, 0, 0);
  };
  {
    ModalDeadline deadline(&search, 10000);
    EXPECT_EQ(search.DoModal(), IDCANCEL);
  }
  EXPECT_EQ(depthKept, L"2");
  EXPECT_EQ(keptRows, firstRows);

  // The chooser: rows from the records with the first preselected (so that "确定" at once
  // gives the first index); "确定" with no row selected is refused and the dialog stays;
  // then the third row's index comes back.
  const WimImageList images = {{L"Windows 7 旗舰版", L"64位", 1}, {L"专业版", L"", 2}, {L"家庭版", L"精简", 4}};
  int chosen = 0;
  Rows indexColumn, thirdRow;
  int preselected = -2;
  bool openAfterRefusal = false;
  int storedWhileRefused = -1;
  size_t messagesBefore = fake.messages.size();
  {
    Driven<SelectImageDlg> chooser(images, &chosen);
    chooser.script = [&](HWND dialog) {
      HWND list = GetDlgItem(dialog, IDC_SELECT_IMAGE_LIST);
      int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
      for (int r = 0; r < rows; ++r) indexColumn.push_back(Cell(list, r, 0));
      thirdRow = {Cell(list, 2, 0), Cell(list, 2, 1), Cell(list, 2, 2)};
      preselected = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
      SelectRow(list, -1);
      Click(dialog, IDOK);
      openAfterRefusal = chooser.IsModalRunning();
      storedWhileRefused = chosen;
      SelectRow(list, 2);
      Click(dialog, IDOK);
    };
    ModalDeadline deadline(&chooser, 10000);
    EXPECT_EQ(chooser.DoModal(page), IDOK);
  }
  EXPECT_EQ(indexColumn, (Rows{L"1", L"2", L"4"}));
  EXPECT_EQ(thirdRow, (Rows{L"4", L"家庭版", L"精简"}));
  EXPECT_EQ(preselected, 0);
  EXPECT_TRUE(openAfterRefusal);
  EXPECT_EQ(storedWhileRefused, 0);
  ASSERT_EQ(fake.messages.size(), messagesBefore + 1);
  EXPECT_EQ(fake.messages.back().text, L"请选择一个镜像!");
  EXPECT_EQ(chosen, 4);

  DestroyWindow(page);
  SetSeam(nullptr);
  TheDisk().Refresh();
  TheDisk().foundPaths.clear();
}
