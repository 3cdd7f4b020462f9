// Non-owning typed wrappers of the standard controls that the pages drive, and the text of
// a window. A wrapper holds a control's handle and sends one message per method; the
// comments note what the control answers at the edges.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

// The whole text of a window (an edit, a combo box, a button); empty when it has none.
// From another thread than the window's this is a sent WM_GETTEXT.
std::wstring WindowText(HWND window);

class ComboBox {
 public:
  explicit ComboBox(HWND combo) : hwnd_(combo) {}
  HWND hwnd() const { return hwnd_; }
  // The new entry's index (its sorted place in a CBS_SORT combo); CB_ERR or CB_ERRSPACE
  // when it was not added.
  int AddString(const wchar_t* text) const { return Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)); }
  int AddString(const std::wstring& text) const { return AddString(text.c_str()); }
  // At the index given (-1: at the end), never sorted; the entry's index, or CB_ERR /
  // CB_ERRSPACE when it was not added.
  int InsertString(int index, const std::wstring& text) const {
    return Send(CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
  }
  // Empties the list and the edit field.
  void ResetContent() const { Send(CB_RESETCONTENT, 0, 0); }
  int Count() const { return Send(CB_GETCOUNT, 0, 0); }
  // The first entry whose whole text matches, without regard to case; CB_ERR when none.
  // (-1 as the start searches the whole list from its first entry.)
  int FindStringExact(const std::wstring& text) const {
    return Send(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str()));
  }
  // CB_ERR (-1) when nothing is selected.
  int CurSel() const { return Send(CB_GETCURSEL, 0, 0); }
  // -1 selects nothing and empties the edit field. An index past the end returns CB_ERR;
  // Windows then selects nothing too, Wine keeps the selection.
  int SetCurSel(int index) const { return Send(CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

 private:
  int Send(UINT message, WPARAM w, LPARAM l) const { return static_cast<int>(SendMessageW(hwnd_, message, w, l)); }
  HWND hwnd_;
};

class ListBox {
 public:
  explicit ListBox(HWND list) : hwnd_(list) {}
  HWND hwnd() const { return hwnd_; }
  // LB_ERR or LB_ERRSPACE when the entry was not added.
  int AddString(const std::wstring& text) const { return Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())); }
  void ResetContent() const { Send(LB_RESETCONTENT, 0, 0); }
  // Pixels the list scrolls sideways; without WS_HSCROLL it does not scroll.
  void SetHorizontalExtent(int pixels) const { Send(LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(pixels), 0); }
  // LB_ERR (-1) when nothing is selected (a multiple-selection list answers its focused entry).
  int CurSel() const { return Send(LB_GETCURSEL, 0, 0); }
  // The entry's text; false for an index out of range.
  bool Text(int index, std::wstring* text) const;
  // The font the list draws with; null for the system font.
  HFONT Font() const { return reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)); }

 private:
  int Send(UINT message, WPARAM w, LPARAM l) const { return static_cast<int>(SendMessageW(hwnd_, message, w, l)); }
  HWND hwnd_;
};

class ListView {
 public:
  explicit ListView(HWND list) : hwnd_(list) {}
  HWND hwnd() const { return hwnd_; }
  // The row a shift-click extends the selection from; returns the mark before, -1 for none.
  int SetSelectionMark(int row) const {
    return static_cast<int>(SendMessageW(hwnd_, LVM_SETSELECTIONMARK, 0, static_cast<LPARAM>(row)));
  }
  // The first selected row (the only one in a single-selection list), -1 for none. Not
  // the selection mark, which stays on the last row clicked after Ctrl+click cleared it.
  int SelectedRow() const {
    return static_cast<int>(SendMessageW(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  }
  // The columns' order on the screen, by their indexes; the indexes stay what they were.
  bool SetColumnOrder(const std::vector<int>& order) const {
    return SendMessageW(hwnd_, LVM_SETCOLUMNORDERARRAY, order.size(), reinterpret_cast<LPARAM>(order.data())) != 0;
  }

 private:
  HWND hwnd_;
};

class Edit {
 public:
  explicit Edit(HWND edit) : hwnd_(edit) {}
  HWND hwnd() const { return hwnd_; }
  // From 0 to -1 is the whole text.
  void SelectAll() const { SendMessageW(hwnd_, EM_SETSEL, 0, -1); }

 private:
  HWND hwnd_;
};

class Button {
 public:
  explicit Button(HWND button) : hwnd_(button) {}
  HWND hwnd() const { return hwnd_; }
  // A three-state box in its third state counts as checked; a push button is never checked.
  bool Checked() const { return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) != BST_UNCHECKED; }

 private:
  HWND hwnd_;
};

class ToolTip {
 public:
  explicit ToolTip(HWND tip) : hwnd_(tip) {}
  HWND hwnd() const { return hwnd_; }
  // The tooltip keeps its own copy of the tool's text; false when the tool was not added.
  bool AddTool(const TOOLINFOW& tool) const {
    return SendMessageW(hwnd_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)) != FALSE;
  }
  void Activate(bool active) const { SendMessageW(hwnd_, TTM_ACTIVATE, active ? TRUE : FALSE, 0); }
  // A tool without TTF_SUBCLASS sees the mouse only through the messages relayed to it.
  void RelayEvent(const MSG& message) const { SendMessageW(hwnd_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&message)); }

 private:
  HWND hwnd_;
};
