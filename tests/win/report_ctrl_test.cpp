// The report list on a real list view: header sorting, whole rows, check clicks, records.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ui/report_ctrl.h"

namespace {

struct Notice {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

std::vector<Notice> g_notices;

LRESULT CALLBACK ParentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_REPORT_SORTED || message == WM_REPORT_CHECKCLICK) {
    g_notices.push_back({message, wParam, lParam});
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

class ReportCtrlTest : public ::testing::Test {
 protected:
  // One parent for the suite: under Xvfb without a window manager, Wine waits two
  // seconds for every visible top-level window that goes away.
  static void SetUpTestSuite() {
    WNDCLASSW kind = {};
    kind.lpfnWndProc = ParentProcedure;
    kind.hInstance = GetModuleHandleW(nullptr);
    kind.lpszClassName = L"ReportCtrlTestParent";
    RegisterClassW(&kind);
    parent_ = CreateWindowExW(0, kind.lpszClassName, L"report", WS_POPUP | WS_VISIBLE, 10, 10, 600,
                              400, nullptr, nullptr, kind.hInstance, nullptr);
  }
  static void TearDownTestSuite() {
    DestroyWindow(parent_);
    parent_ = nullptr;
  }
  void SetUp() override {
    g_notices.clear();
    ASSERT_NE(parent_, nullptr);
  }
  void TearDown() override {
    while (HWND child = GetWindow(parent_, GW_CHILD)) DestroyWindow(child);
  }

  HWND MakeList(DWORD style = 0) {
    return CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | style, 0, 0, 580,
                           380, parent_, reinterpret_cast<HMENU>(1017), GetModuleHandleW(nullptr), nullptr);
  }

  // A list of three columns filled with the given rows (column 0 first).
  void Fill(CReportCtrl& list, const std::vector<std::vector<std::wstring>>& rows) {
    list.InsertColumn(0, L"名称", LVCFMT_CENTER, 150);
    list.InsertColumn(1, L"描述", LVCFMT_LEFT, 150);
    list.InsertColumn(2, L"路径", LVCFMT_LEFT, 150);
    for (size_t r = 0; r < rows.size(); ++r) {
      int at = list.InsertItem(static_cast<int>(r), rows[r][0].c_str());
      for (size_t c = 1; c < rows[r].size(); ++c) list.SetItemText(at, static_cast<int>(c), rows[r][c]);
    }
  }

  static std::vector<std::wstring> Column(const CReportCtrl& list, int column) {
    std::vector<std::wstring> texts;
    for (int r = 0; r < list.GetItemCount(); ++r) texts.push_back(list.GetItemText(r, column));
    return texts;
  }

  // A mouse click on a column header, as the header control sees it.
  static void ClickHeader(const CReportCtrl& list, int column) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list.hwnd(), LVM_GETHEADER, 0, 0));
    RECT r = {};
    SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&r));
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(header, WM_LBUTTONUP, 0, at);
  }

  // The client point of a row's check box, checked with the list's own hit test.
  static POINT CheckBoxPoint(const CReportCtrl& list, int row) {
    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    SendMessageW(list.hwnd(), LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&bounds));
    POINT point = {};
    for (int x = bounds.left; x < bounds.left + 40; ++x) {
      LVHITTESTINFO hit = {};
      hit.pt = {x, (bounds.top + bounds.bottom) / 2};
      SendMessageW(list.hwnd(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
      if (hit.iItem == row && (hit.flags & LVHT_ONITEMSTATEICON)) return hit.pt;
    }
    ADD_FAILURE() << "no check box found on row " << row;
    return point;
  }

  static std::vector<std::pair<WPARAM, LPARAM>> Sorted() {
    std::vector<std::pair<WPARAM, LPARAM>> sorts;
    for (const Notice& n : g_notices)
      if (n.message == WM_REPORT_SORTED) sorts.emplace_back(n.wParam, n.lParam);
    return sorts;
  }

  static inline HWND parent_ = nullptr;
};

using Texts = std::vector<std::wstring>;

}  // namespace

TEST_F(ReportCtrlTest, HeaderClicksToggleAndAnotherColumnStartsAscending) {
  CReportCtrl list;
  ASSERT_TRUE(list.SubclassWindow(MakeList()));
  Fill(list, {{L"b", L"2015-12-31"}, {L"a", L"2016-05-01"}, {L"c", L"2016-01-15"}});
  ClickHeader(list, 0);
  EXPECT_EQ(Column(list, 0), (Texts{L"a", L"b", L"c"}));
  ClickHeader(list, 0);
  EXPECT_EQ(Column(list, 0), (Texts{L"c", L"b", L"a"}));
  ClickHeader(list, 0);
  EXPECT_EQ(Column(list, 0), (Texts{L"a", L"b", L"c"}));
  ClickHeader(list, 1);
  EXPECT_EQ(Column(list, 1), (Texts{L"2015-12-31", L"2016-01-15", L"2016-05-01"}));
  EXPECT_EQ(Sorted(), (std::vector<std::pair<WPARAM, LPARAM>>{{0, 1}, {0, 0}, {0, 1}, {1, 1}}));
  EXPECT_EQ(list.GetSortedColumn(), 1);
  EXPECT_TRUE(list.IsSortAscending());
}

TEST_F(ReportCtrlTest, InsertOrTextChangeMakesTheNextClickAscending) {
  CReportCtrl list;
  ASSERT_TRUE(list.SubclassWindow(MakeList()));
  Fill(list, {{L"Windows"}, {L"office"}, {L"5%"}, {L"40%"}});
  ClickHeader(list, 0);
  list.SetItemText(0, 1, L"changed");
  EXPECT_EQ(list.GetSortedColumn(), -1);
  ClickHeader(list, 0);
  list.InsertItem(4, L"new");
  ClickHeader(list, 0);
  EXPECT_EQ(Sorted(), (std::vector<std::pair<WPARAM, LPARAM>>{{0, 1}, {0, 1}, {0, 1}}));
  // Percentages as numbers, then text by code unit: upper case before lower case.
  EXPECT_EQ(Column(list, 0), (Texts{L"5%", L"40%", L"Windows", L"new", L"office"}));
}

TEST_F(ReportCtrlTest, SortKeepsEveryPartOfEachRowTogether) {
  CReportCtrl list;
  ASSERT_TRUE(list.SubclassWindow(MakeList()));
  list.SetExtendedStyle(list.GetExtendedStyle() | LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES);
  HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 0);
  for (int i = 0; i < 4; ++i) ImageList_AddIcon(images, LoadIconW(nullptr, IDI_APPLICATION));
  list.SetImageList(images, LVSIL_SMALL);
  list.InsertColumn(0, L"名称", LVCFMT_CENTER, 100);
  list.InsertColumn(1, L"描述", LVCFMT_LEFT, 100);
  list.InsertColumn(2, L"路径", LVCFMT_LEFT, 100);
  const wchar_t* names[] = {L"d", L"b", L"a", L"c"};
  for (int r = 0; r < 4; ++r) {
    list.InsertItem(r, names[r], r);
    list.SetItemText(r, 1, std::wstring(L"描述 ") + names[r]);
    list.SetItemText(r, 2, std::wstring(L"D:\\") + names[r] + L".gho");
    list.SetItemData(r, 100 + static_cast<DWORD_PTR>(names[r][0]));
  }
  list.SetCheck(0, true);   // d
  list.SetCheck(3, true);   // c
  list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);  // b
  list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);  // d
  list.SetItemState(2, LVIS_FOCUSED, LVIS_FOCUSED);    // a
  SendMessageW(list.hwnd(), LVM_SETSELECTIONMARK, 0, 1);  // b
  const _ROWDATA* recordOfB = list.GetRowData(1);

  ASSERT_TRUE(list.SortItems(0, true));
  ASSERT_EQ(Column(list, 0), (Texts{L"a", L"b", L"c", L"d"}));
  const int imageOf[] = {2, 1, 3, 0};
  const bool ticked[] = {false, false, true, true};
  const bool selected[] = {false, true, false, true};
  for (int r = 0; r < 4; ++r) {
    const std::wstring name = list.GetItemText(r, 0);
    SCOPED_TRACE(name);
    EXPECT_EQ(list.GetItemText(r, 1), L"描述 " + name);
    EXPECT_EQ(list.GetItemText(r, 2), L"D:\\" + name + L".gho");
    EXPECT_EQ(list.GetItemData(r), 100 + static_cast<DWORD_PTR>(name[0]));
    EXPECT_EQ(list.GetCheck(r), ticked[r]);
    EXPECT_EQ(list.GetItemState(r, LVIS_SELECTED) != 0, selected[r]);
    EXPECT_EQ(list.GetItemState(r, LVIS_FOCUSED) != 0, r == 0);
    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = r;
    SendMessageW(list.hwnd(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(item.iImage, imageOf[r]);
  }
  EXPECT_EQ(list.GetRowData(1), recordOfB);
  EXPECT_EQ(list.GetSelectionMark(), 1);  // still b, which did not move

  ASSERT_TRUE(list.SortItems(0, false));
  EXPECT_EQ(Column(list, 0), (Texts{L"d", L"c", L"b", L"a"}));
  EXPECT_EQ(list.GetSelectionMark(), 2);  // b moved, and the mark with it
  EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 3);
  EXPECT_EQ(list.GetCheck(0), true);
  EXPECT_EQ(list.GetItemText(1, 2), L"D:\\c.gho");
  ImageList_Destroy(images);
}

TEST_F(ReportCtrlTest, OneRowOrNoneStillReportsTheSort) {
  CReportCtrl list;
  ASSERT_TRUE(list.SubclassWindow(MakeList()));
  Fill(list, {});
  ClickHeader(list, 2);
  list.InsertItem(0, L"only");
  list.SetItemText(0, 1, L"one");
  ClickHeader(list, 0);
  ClickHeader(list, 0);
  EXPECT_EQ(Sorted(), (std::vector<std::pair<WPARAM, LPARAM>>{{2, 1}, {0, 1}, {0, 0}}));
  EXPECT_EQ(list.GetItemText(0, 1), L"one");
  EXPECT_FALSE(list.SortItems(3, true));  // no such column: nothing, not even the notice
  EXPECT_FALSE(list.SortItems(-1, true));
  EXPECT_EQ(Sorted().size(), 3u);
}

TEST_F(ReportCtrlTest, ListWithoutClickableHeaderIsNeverSorted) {
  CReportCtrl list;
  ASSERT_TRUE(list.SubclassWindow(MakeList(LVS_NOSORTHEADER)));
  Fill(list, {{L"b"}, {L"a"}});
  EXPECT_FALSE(list.SortItems(0, true));
  EXPECT_EQ(Column(list, 0), (Texts{L"b", L"a"}));
  EXPECT_TRUE(Sorted().empty());
}

TEST_F(ReportCtrlTest, CheckBoxClickSelectsAndFocusesOnlyItsRow) {
  CReportCtrl list;
  ASSERT_TRUE(list.SubclassWindow(MakeList()));
  list.SetExtendedStyle(list.GetExtendedStyle() | LVS_EX_CHECKBOXES);
  Fill(list, {{L"0"}, {L"1"}, {L"2"}, {L"3"}});
  list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);

  POINT box = CheckBoxPoint(list, 2);
  SendMessageW(list.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(box.x, box.y));
  SendMessageW(list.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(box.x, box.y));
  EXPECT_TRUE(list.GetCheck(2));
  EXPECT_EQ(list.GetSelectedCount(), 1u);
  EXPECT_NE(list.GetItemState(2, LVIS_SELECTED), 0u);
  EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 2);
  ASSERT_EQ(g_notices.size(), 1u);
  EXPECT_EQ(g_notices[0].message, WM_REPORT_CHECKCLICK);
  EXPECT_EQ(g_notices[0].wParam, 2u);
  EXPECT_EQ(g_notices[0].lParam, WM_LBUTTONDOWN);

  // A click on a row's text changes no box: no notice.
  RECT label = {};
  label.left = LVIR_LABEL;
  SendMessageW(list.hwnd(), LVM_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&label));
  LPARAM on = MAKELPARAM(label.left + 5, (label.top + label.bottom) / 2);
  SendMessageW(list.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, on);
  SendMessageW(list.hwnd(), WM_LBUTTONUP, 0, on);
  EXPECT_FALSE(list.GetCheck(3));
  EXPECT_EQ(g_notices.size(), 1u);
}

TEST_F(ReportCtrlTest, SpaceBarChangesNothing) {
  CReportCtrl list;
  ASSERT_TRUE(list.SubclassWindow(MakeList()));
  list.SetExtendedStyle(list.GetExtendedStyle() | LVS_EX_CHECKBOXES);
  Fill(list, {{L" a"}, {L" b"}, {L"c"}});
  list.SetItemState(2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  SetFocus(list.hwnd());
  // Through a message loop, as a key press arrives: key down, its character, key up.
  PostMessageW(list.hwnd(), WM_KEYDOWN, VK_SPACE, 0x00390001);
  PostMessageW(list.hwnd(), WM_CHAR, L' ', 0x00390001);
  PostMessageW(list.hwnd(), WM_KEYUP, VK_SPACE, 0xC0390001);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  for (int r = 0; r < 3; ++r) EXPECT_FALSE(list.GetCheck(r)) << r;
  EXPECT_EQ(list.GetSelectedCount(), 1u);
  EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 2);
  EXPECT_EQ(list.GetNextItem(-1, LVNI_FOCUSED), 2);
}

TEST_F(ReportCtrlTest, ColourRecordsFollowColumnsAndFeedTheCustomDraw) {
  CReportCtrl list;
  ASSERT_TRUE(list.SubclassWindow(MakeList()));
  Fill(list, {{L"a", L"x", L"y"}, {L"b", L"z", L"w"}});
  EXPECT_EQ(list.InsertColumn(1, L"新列", LVCFMT_LEFT, 60), 1);
  ASSERT_EQ(list.GetColumnCount(), 4);
  for (int r = 0; r < 2; ++r) {
    const _ROWDATA* row = list.GetRowData(r);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->aTextColor.size(), 4u);
    EXPECT_EQ(row->aBkColor.size(), 4u);
  }
  list.InsertItem(2, L"c");
  EXPECT_EQ(list.GetRowData(2)->aTextColor.size(), 4u);

  // The list's own custom-draw notice reaches the control, not the parent's handler.
  NMLVCUSTOMDRAW draw = {};
  draw.nmcd.hdr.hwndFrom = list.hwnd();
  draw.nmcd.hdr.idFrom = 1017;
  draw.nmcd.hdr.code = NM_CUSTOMDRAW;
  draw.nmcd.dwDrawStage = CDDS_PREPAINT;
  auto send = [&] { return SendMessageW(parent_, WM_NOTIFY, 1017, reinterpret_cast<LPARAM>(&draw)); };
  EXPECT_EQ(send(), CDRF_NOTIFYITEMDRAW);
  draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
  draw.nmcd.dwItemSpec = 1;
  EXPECT_EQ(send(), CDRF_NOTIFYSUBITEMDRAW);
  draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT | CDDS_SUBITEM;
  draw.nmcd.lItemlParam = reinterpret_cast<LPARAM>(list.GetRowData(1));
  draw.iSubItem = 3;
  draw.clrText = draw.clrTextBk = RGB(1, 2, 3);
  EXPECT_EQ(send(), CDRF_DODEFAULT);
  EXPECT_EQ(draw.clrText, GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(draw.clrTextBk, GetSysColor(COLOR_WINDOW));
  UpdateWindow(list.hwnd());  // a real paint goes the same way

  EXPECT_TRUE(list.DeleteAllItems());
  EXPECT_EQ(list.GetItemCount(), 0);
  EXPECT_EQ(list.GetRowData(0), nullptr);
}

TEST_F(ReportCtrlTest, AttachingSetsTheReportStylesAndCreateFillsTheParent) {
  CReportCtrl attached;
  HWND icons = MakeList(0);
  SetWindowLongPtrW(icons, GWL_STYLE, WS_CHILD | WS_VISIBLE | LVS_ICON | LVS_EDITLABELS | LVS_NOSCROLL | LVS_SINGLESEL);
  SendMessageW(icons, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES);
  ASSERT_TRUE(attached.SubclassDlgItem(1017, parent_));
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(icons, GWL_STYLE));
  EXPECT_EQ(style & LVS_TYPEMASK, static_cast<DWORD>(LVS_REPORT));
  EXPECT_EQ(style & (LVS_EDITLABELS | LVS_NOSCROLL), 0u);
  EXPECT_NE(style & LVS_SINGLESEL, 0u);
  EXPECT_EQ(attached.GetExtendedStyle(), static_cast<DWORD>(LVS_EX_FULLROWSELECT | LVS_EX_SUBITEMIMAGES));
  EXPECT_FALSE(attached.SubclassWindow(icons));  // one list per control

  CReportCtrl made;
  ASSERT_TRUE(made.Create(WS_CHILD | LVS_ICON, nullptr, parent_, 2000));
  RECT client = {}, list = {};
  GetClientRect(parent_, &client);
  GetWindowRect(made.hwnd(), &list);
  MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&list), 2);
  EXPECT_EQ(list.left, client.left);
  EXPECT_EQ(list.right, client.right);
  EXPECT_EQ(GetWindowLongPtrW(made.hwnd(), GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_EQ(made.GetExtendedStyle() & (LVS_EX_FULLROWSELECT | LVS_EX_SUBITEMIMAGES),
            static_cast<DWORD>(LVS_EX_FULLROWSELECT | LVS_EX_SUBITEMIMAGES));
}

TEST_F(ReportCtrlTest, ControlObjectGoingFirstLeavesTheListSafe) {
  HWND window = MakeList();
  {
    CReportCtrl list;
    ASSERT_TRUE(list.SubclassWindow(window));
    Fill(list, {{L"b"}, {L"a"}});
  }
  // The page's member is gone before its window: no hook may reach the freed object.
  EXPECT_EQ(SendMessageW(window, LVM_GETITEMCOUNT, 0, 0), 0);
  LVITEMW item = {};
  item.pszText = const_cast<wchar_t*>(L"z");
  SendMessageW(window, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  HWND header = reinterpret_cast<HWND>(SendMessageW(window, LVM_GETHEADER, 0, 0));
  SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 5));
  SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(10, 5));
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 30));
  UpdateWindow(window);
  DestroyWindow(window);
  EXPECT_TRUE(g_notices.empty());
}

TEST_F(ReportCtrlTest, DestroyingTheListReleasesTheControl) {
  CReportCtrl list;
  ASSERT_TRUE(list.SubclassWindow(MakeList()));
  Fill(list, {{L"b"}, {L"a"}});
  DestroyWindow(list.hwnd());
  EXPECT_EQ(list.hwnd(), nullptr);
  EXPECT_EQ(list.GetItemCount(), 0);
  EXPECT_TRUE(list.SubclassWindow(MakeList()));  // free to attach again
}

namespace {
LRESULT CALLBACK PassOn(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  return DefSubclassProc(window, message, wParam, lParam);
}
}  // namespace

TEST_F(ReportCtrlTest, TwoListsOnOneParentAndAHookPutOnTop) {
  CReportCtrl first;
  auto second = std::make_unique<CReportCtrl>();
  ASSERT_TRUE(first.SubclassWindow(MakeList()));
  HWND other = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 300, 200,
                               parent_, reinterpret_cast<HMENU>(1040), GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(second->SubclassWindow(other));
  Fill(first, {{L"b"}, {L"a"}});
  Fill(*second, {{L"y"}, {L"x"}});
  ClickHeader(*second, 0);
  EXPECT_EQ(Column(first, 0), (Texts{L"b", L"a"}));
  EXPECT_EQ(Column(*second, 0), (Texts{L"x", L"y"}));
  // Someone else hooks the second list after us, then the control goes first.
  SetWindowSubclass(other, PassOn, 1, 0);
  second.reset();
  ClickHeader(first, 0);
  EXPECT_EQ(Column(first, 0), (Texts{L"a", L"b"}));
  LVITEMW item = {};
  item.pszText = const_cast<wchar_t*>(L"z");
  EXPECT_EQ(SendMessageW(other, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)), 0);
  DestroyWindow(other);
  EXPECT_EQ(Sorted(), (std::vector<std::pair<WPARAM, LPARAM>>{{0, 1}, {0, 1}}));
}
