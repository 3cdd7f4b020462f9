// CReportCtrl: the report list of the pages — per-cell colours, sorting by a header
// click, check-box clicks that select their row, and two notifications to the parent.
//
// The control attaches to a list view of a dialog template (SubclassDlgItem) or makes
// its own (Create). It puts its window procedure on the list and, to receive the list's
// own NM_CUSTOMDRAW and LVN_COLUMNCLICK, on the list's parent too; those two never reach
// the parent's handlers, every other notification does.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

// Sent to the parent: a mouse click changed the check box of row wParam; lParam is the
// mouse message (WM_LBUTTONDOWN...).
constexpr UINT WM_REPORT_CHECKCLICK = WM_APP + 10000;
// Sent to the parent after every sort: wParam the column, lParam 1 ascending, 0 descending.
constexpr UINT WM_REPORT_SORTED = WM_APP + 10001;

// The record behind every row (its list item data), owned by the control.
struct _ROWDATA {
  DWORD_PTR dwData = 0;                 // the row's own item data
  std::vector<COLORREF> aTextColor;     // one per column, in column order
  std::vector<COLORREF> aBkColor;       // one per column, in column order
};

// Reads a date text with VarDateFromStr in the user's locale (the date rule of the sort).
bool ReadVariantDate(const std::wstring& text, double* date);

class CReportCtrl {
 public:
  CReportCtrl() = default;
  virtual ~CReportCtrl();
  CReportCtrl(const CReportCtrl&) = delete;
  CReportCtrl& operator=(const CReportCtrl&) = delete;

  // Attaches to an existing list view: report view with scroll bars, label editing and
  // the no-scroll bit removed, extended style exactly full-row select + sub-item images.
  bool SubclassWindow(HWND list);
  bool SubclassDlgItem(int id, HWND dialog);
  // Makes a list view child of the parent with the same style rule (the parent's client
  // area when rect is null) and adds full-row select + sub-item images.
  bool Create(DWORD style, const RECT* rect, HWND parent, UINT id);

  HWND hwnd() const { return hwnd_; }

  // Columns and rows. Inserting a row or setting a text forgets the sort, so the next
  // header click sorts ascending. A column's width is given in pixels at 96 DPI and
  // grows with the list's font.
  int InsertColumn(int column, const wchar_t* heading, int format = LVCFMT_LEFT, int width = -1);
  int InsertItem(int row, const wchar_t* text);
  int InsertItem(int row, const wchar_t* text, int image);
  int InsertItem(const LVITEMW& item);
  bool SetItemText(int row, int column, const wchar_t* text);
  bool SetItemText(int row, int column, const std::wstring& text) {
    return SetItemText(row, column, text.c_str());
  }
  std::wstring GetItemText(int row, int column) const;  // empty for a missing cell
  // The check box: state image 2 is ticked, 1 clear.
  bool GetCheck(int row) const;
  bool SetCheck(int row, bool checked = true);
  // Frees every row's record and deletes the rows, with window updates locked.
  bool DeleteAllItems();

  int GetItemCount() const;
  int GetColumnCount() const;  // the header's items
  DWORD_PTR GetItemData(int row) const;
  bool SetItemData(int row, DWORD_PTR data);
  UINT GetItemState(int row, UINT mask) const;
  bool SetItemState(int row, UINT state, UINT mask);
  int GetNextItem(int start, int flags) const;
  int GetSelectionMark() const;
  UINT GetSelectedCount() const;
  HIMAGELIST SetImageList(HIMAGELIST images, int kind);
  DWORD GetExtendedStyle() const;
  void SetExtendedStyle(DWORD style);
  void ModifyStyle(DWORD remove, DWORD add);
  // The row's record, or nullptr.
  const _ROWDATA* GetRowData(int row) const;

  // Sorts by a column and tells the parent (WM_REPORT_SORTED); false, and nothing sent,
  // for a column that does not exist or a list without a clickable header.
  bool SortItems(int column, bool ascending);
  int GetSortedColumn() const { return m_nSortColumn; }
  bool IsSortAscending() const { return m_bSortAscending; }

 private:
  static LRESULT CALLBACK ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  bool Attach(HWND list);
  void Detach();
  void ApplyStyleRule(HWND list);
  LRESULT OnMouseButton(WNDPROC original, UINT message, WPARAM wParam, LPARAM lParam);
  bool OnParentNotify(const NMHDR& header, LRESULT& result);
  LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw) const;
  void ResetSort();
  // A column width given for the 9-point font at 96 DPI, in pixels of the list's font.
  int ScaledWidth(int width) const;
  void FreeAllRows();
  _ROWDATA* MakeRowData(DWORD_PTR data) const;
  _ROWDATA* RowData(int row) const;
  bool HasClickableHeader() const;

  HWND hwnd_ = nullptr;
  HWND parent_ = nullptr;
  int m_nSortColumn = -1;
  bool m_bSortAscending = true;
};
