// The control wrappers and the window text on real controls: what they answer at the edges.
#include <gtest/gtest.h>

#include <string>

#include "ui/controls.h"

namespace {

class ControlsTest : public ::testing::Test {
 protected:
  // An invisible parent: Wine waits for no hidden window when it goes.
  void SetUp() override {
    parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent_, nullptr);
  }
  void TearDown() override { DestroyWindow(parent_); }
  HWND Make(const wchar_t* kind, DWORD style) {
    return CreateWindowExW(0, kind, L"", WS_CHILD | style, 0, 0, 200, 100, parent_, nullptr, nullptr, nullptr);
  }
  HWND parent_ = nullptr;
};

TEST_F(ControlsTest, ComboAnswersNoSelectionAndFindsWholeTextsWithoutCase) {
  const ComboBox combo(Make(WC_COMBOBOXW, CBS_DROPDOWNLIST));
  EXPECT_EQ(combo.CurSel(), CB_ERR);
  EXPECT_EQ(combo.AddString(L"(HD1) 磁盘"), 0);
  EXPECT_EQ(combo.AddString(std::wstring(L"Disk 2")), 1);
  EXPECT_EQ(combo.FindStringExact(L"disk 2"), 1);
  EXPECT_EQ(combo.FindStringExact(L"Disk"), CB_ERR);
  EXPECT_EQ(combo.SetCurSel(0), 0);
  EXPECT_EQ(WindowText(combo.hwnd()), L"(HD1) 磁盘");
  EXPECT_EQ(combo.SetCurSel(5), CB_ERR);
  combo.SetCurSel(-1);
  EXPECT_EQ(combo.CurSel(), CB_ERR);
  EXPECT_EQ(WindowText(combo.hwnd()), L"");
  combo.ResetContent();
  EXPECT_EQ(combo.Count(), 0);
}

TEST_F(ControlsTest, ListBoxTextsAndLongWindowTextsComeWhole) {
  const ListBox list(Make(WC_LISTBOXW, 0));
  std::wstring text = L"unchanged";
  list.AddString(L"D:\\GHO\\系统.GHO");
  EXPECT_EQ(list.CurSel(), LB_ERR);
  EXPECT_TRUE(list.Text(0, &text));
  EXPECT_EQ(text, L"D:\\GHO\\系统.GHO");
  EXPECT_FALSE(list.Text(1, &text));
  EXPECT_EQ(text, L"D:\\GHO\\系统.GHO");

  HWND edit = Make(WC_EDITW, ES_AUTOHSCROLL);
  const std::wstring longText = std::wstring(3000, L'中') + L"end";
  SetWindowTextW(edit, longText.c_str());
  EXPECT_EQ(WindowText(edit), longText);
}

}  // namespace
