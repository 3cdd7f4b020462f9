// CReportCtrl: list-view subclass with row records, custom draw, sorting and check clicks.
#include "ui/report_ctrl.h"

#include <oleauto.h>

#include <algorithm>
#include <numeric>
#include <unordered_map>
#include <utility>

#include "ui/report_compare.h"

namespace {

constexpr DWORD kReportExtendedStyle = LVS_EX_FULLROWSELECT | LVS_EX_SUBITEMIMAGES;
constexpr UINT kRowStateMask = LVIS_SELECTED | LVIS_FOCUSED | LVIS_STATEIMAGEMASK;
constexpr UINT kTicked = 2;  // state image 2: the box is ticked

DWORD ReportStyle(DWORD style) {
  return (style & ~static_cast<DWORD>(LVS_TYPEMASK | LVS_EDITLABELS | LVS_NOSCROLL)) | WS_CHILD |
         WS_VISIBLE | WS_HSCROLL | WS_VSCROLL | LVS_REPORT;
}

// One cell as the sort carries it from its old row to its new one.
struct CellSnapshot {
  int image = 0;
  std::wstring text;
};

struct RowSnapshot {
  UINT state = 0;
  LPARAM data = 0;
  std::vector<CellSnapshot> cells;
};

std::wstring ReadItemText(HWND list, int row, int column) {
  std::vector<wchar_t> buffer(256);
  for (;;) {
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(buffer.size());
    buffer[0] = 0;
    LRESULT length = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                  reinterpret_cast<LPARAM>(&item));
    // A text that fills the buffer may have been cut: read again with more room.
    if (length < static_cast<LRESULT>(buffer.size()) - 1) return std::wstring(buffer.data());
    buffer.resize(buffer.size() * 2);
  }
}

// Reads a cell's image and text in one message; for column 0 also the row's state and
// item data into the row.
CellSnapshot ReadCell(HWND list, int row, int column, std::vector<wchar_t>& buffer, RowSnapshot* whole) {
  LVITEMW item = {};
  item.mask = LVIF_IMAGE | LVIF_TEXT | (whole ? LVIF_STATE | LVIF_PARAM : 0);
  item.stateMask = kRowStateMask;
  item.iItem = row;
  item.iSubItem = column;
  buffer[0] = 0;
  item.pszText = buffer.data();
  item.cchTextMax = static_cast<int>(buffer.size());
  SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  CellSnapshot cell;
  cell.image = item.iImage;
  // The list may answer with a pointer to its own copy instead of filling the buffer.
  const wchar_t* text = item.pszText && item.pszText != LPSTR_TEXTCALLBACKW ? item.pszText : L"";
  const size_t length = wcslen(text);
  if (text == buffer.data() && length + 1 >= buffer.size()) cell.text = ReadItemText(list, row, column);
  else cell.text.assign(text, length);
  if (whole) {
    whole->state = item.state & kRowStateMask;
    whole->data = item.lParam;
  }
  return cell;
}

// The window procedures that the controls put on their lists and on the lists' parents,
// found by window handle. SetWindowSubclass would find them through a window property,
// which under Wine costs a round trip to the window server on every message; a sort
// sends tens of thousands. Everything here lives on the window thread.
struct ListHook {
  WNDPROC original = nullptr;
  CReportCtrl* control = nullptr;  // null once the control has let go: messages pass through
};

struct ParentHook {
  WNDPROC original = nullptr;
  std::vector<CReportCtrl*> controls;
};

std::unordered_map<HWND, ListHook>& ListHooks() {
  static std::unordered_map<HWND, ListHook> hooks;
  return hooks;
}

std::unordered_map<HWND, ParentHook>& ParentHooks() {
  static std::unordered_map<HWND, ParentHook> hooks;
  return hooks;
}

WNDPROC PutProcedure(HWND window, WNDPROC procedure) {
  SetLastError(0);
  LONG_PTR previous = SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
  if (!previous && GetLastError() != 0) return nullptr;
  return reinterpret_cast<WNDPROC>(previous);
}

// Gives the window its procedure back when ours is still the outermost one; otherwise
// ours stays in the chain and passes everything on.
bool TakeProcedureBack(HWND window, WNDPROC ours, WNDPROC original) {
  if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)) != ours) return false;
  SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
  return true;
}

}  // namespace

bool ReadVariantDate(const std::wstring& text, double* date) {
  DATE value = 0;
  if (FAILED(VarDateFromStr(const_cast<wchar_t*>(text.c_str()), LOCALE_USER_DEFAULT, 0, &value))) return false;
  *date = value;
  return true;
}

CReportCtrl::~CReportCtrl() {
  // A page's members go before its window: leave the list without records or hooks.
  if (hwnd_) {
    DeleteAllItems();
    Detach();
  }
}

bool CReportCtrl::SubclassDlgItem(int id, HWND dialog) {
  return SubclassWindow(GetDlgItem(dialog, id));
}

bool CReportCtrl::SubclassWindow(HWND list) {
  if (hwnd_ || !list || !IsWindow(list)) return false;
  ApplyStyleRule(list);
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, kReportExtendedStyle);
  return Attach(list);
}

bool CReportCtrl::Create(DWORD style, const RECT* rect, HWND parent, UINT id) {
  if (hwnd_ || !parent) return false;
  RECT area = {};
  if (rect) area = *rect;
  else GetClientRect(parent, &area);
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", ReportStyle(style), area.left, area.top,
                              area.right - area.left, area.bottom - area.top, parent,
                              reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                              GetModuleHandleW(nullptr), nullptr);
  if (!list) return false;
  if (!Attach(list)) {
    DestroyWindow(list);
    return false;
  }
  SetExtendedStyle(GetExtendedStyle() | kReportExtendedStyle);
  return true;
}

void CReportCtrl::ApplyStyleRule(HWND list) {
  DWORD style = static_cast<DWORD>(GetWindowLongPtrW(list, GWL_STYLE));
  SetWindowLongPtrW(list, GWL_STYLE, static_cast<LONG_PTR>(ReportStyle(style)));
  SetWindowPos(list, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CReportCtrl::Attach(HWND list) {
  auto& lists = ListHooks();
  auto known = lists.find(list);
  if (known != lists.end() && known->second.control) return false;  // another control has it
  if (known == lists.end()) {
    WNDPROC original = PutProcedure(list, &CReportCtrl::ListProc);
    if (!original) return false;
    lists[list] = ListHook{original, this};
  } else {
    known->second.control = this;
  }
  HWND parent = GetParent(list);
  if (parent) {
    auto& parents = ParentHooks();
    auto hooked = parents.find(parent);
    if (hooked != parents.end()) {
      hooked->second.controls.push_back(this);
    } else if (WNDPROC original = PutProcedure(parent, &CReportCtrl::ParentProc)) {
      parents[parent] = ParentHook{original, {this}};
    } else {
      lists[list].control = nullptr;
      if (TakeProcedureBack(list, &CReportCtrl::ListProc, lists[list].original)) lists.erase(list);
      return false;
    }
  }
  hwnd_ = list;
  parent_ = parent;
  // Rows that were there before get their records now, keeping their item data.
  const int rows = GetItemCount();
  for (int row = 0; row < rows; ++row) {
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageW(hwnd_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    item.lParam = reinterpret_cast<LPARAM>(MakeRowData(static_cast<DWORD_PTR>(item.lParam)));
    SendMessageW(hwnd_, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  return true;
}

void CReportCtrl::Detach() {
  if (parent_) {
    auto& parents = ParentHooks();
    auto hooked = parents.find(parent_);
    if (hooked != parents.end()) {
      auto& controls = hooked->second.controls;
      controls.erase(std::remove(controls.begin(), controls.end(), this), controls.end());
      if (controls.empty() && TakeProcedureBack(parent_, &CReportCtrl::ParentProc, hooked->second.original))
        parents.erase(hooked);
    }
  }
  if (hwnd_) {
    auto& lists = ListHooks();
    auto hooked = lists.find(hwnd_);
    if (hooked != lists.end()) {
      hooked->second.control = nullptr;
      if (TakeProcedureBack(hwnd_, &CReportCtrl::ListProc, hooked->second.original)) lists.erase(hooked);
    }
  }
  parent_ = nullptr;
  hwnd_ = nullptr;
}

_ROWDATA* CReportCtrl::MakeRowData(DWORD_PTR data) const {
  auto* row = new _ROWDATA;
  row->dwData = data;
  const size_t columns = static_cast<size_t>(std::max(0, GetColumnCount()));
  row->aTextColor.assign(columns, GetSysColor(COLOR_WINDOWTEXT));
  row->aBkColor.assign(columns, GetSysColor(COLOR_WINDOW));
  return row;
}

_ROWDATA* CReportCtrl::RowData(int row) const {
  if (!hwnd_ || row < 0) return nullptr;
  LVITEMW item = {};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!SendMessageW(hwnd_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
  return reinterpret_cast<_ROWDATA*>(item.lParam);
}

const _ROWDATA* CReportCtrl::GetRowData(int row) const { return RowData(row); }

void CReportCtrl::ResetSort() {
  m_nSortColumn = -1;
  m_bSortAscending = true;
}

// The pages give their widths for the dialogs' 9-point font at 96 DPI, 12 pixels high.
// A larger font (150 % or 200 % DPI) widens the columns in proportion, so that the
// headers and cells still fit; a smaller one keeps them.
int CReportCtrl::ScaledWidth(int width) const {
  constexpr int kDesignFontHeight = 12;
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
  LOGFONTW info = {};
  if (width <= 0 || !font || !GetObjectW(font, sizeof info, &info) || -info.lfHeight <= kDesignFontHeight)
    return width;
  return MulDiv(width, -info.lfHeight, kDesignFontHeight);
}

int CReportCtrl::InsertColumn(int column, const wchar_t* heading, int format, int width) {
  if (!hwnd_) return -1;
  width = ScaledWidth(width);
  LVCOLUMNW info = {};
  info.mask = LVCF_FMT | LVCF_TEXT | LVCF_SUBITEM | (width >= 0 ? LVCF_WIDTH : 0);
  info.fmt = format;
  info.cx = width;
  info.pszText = const_cast<wchar_t*>(heading ? heading : L"");
  info.iSubItem = column;
  const int at = static_cast<int>(SendMessageW(hwnd_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column),
                                               reinterpret_cast<LPARAM>(&info)));
  if (at < 0) return at;
  const int rows = GetItemCount();
  for (int row = 0; row < rows; ++row) {
    _ROWDATA* data = RowData(row);
    if (!data) continue;
    const size_t k = std::min(static_cast<size_t>(at), data->aTextColor.size());
    data->aTextColor.insert(data->aTextColor.begin() + static_cast<std::ptrdiff_t>(k),
                            GetSysColor(COLOR_WINDOWTEXT));
    data->aBkColor.insert(data->aBkColor.begin() + static_cast<std::ptrdiff_t>(k),
                          GetSysColor(COLOR_WINDOW));
  }
  return at;
}

int CReportCtrl::InsertItem(int row, const wchar_t* text) {
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.pszText = const_cast<wchar_t*>(text ? text : L"");
  return InsertItem(item);
}

int CReportCtrl::InsertItem(int row, const wchar_t* text, int image) {
  LVITEMW item = {};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = row;
  item.pszText = const_cast<wchar_t*>(text ? text : L"");
  item.iImage = image;
  return InsertItem(item);
}

int CReportCtrl::InsertItem(const LVITEMW& item) {
  if (!hwnd_) return -1;
  ResetSort();
  LVITEMW copy = item;
  const int at = static_cast<int>(SendMessageW(hwnd_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&copy)));
  if (at < 0) return at;
  LVITEMW data = {};
  data.mask = LVIF_PARAM;
  data.iItem = at;
  SendMessageW(hwnd_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
  _ROWDATA* record = MakeRowData(static_cast<DWORD_PTR>(data.lParam));
  data.lParam = reinterpret_cast<LPARAM>(record);
  if (!SendMessageW(hwnd_, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&data))) delete record;
  return at;
}

bool CReportCtrl::SetItemText(int row, int column, const wchar_t* text) {
  if (!hwnd_) return false;
  ResetSort();
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = const_cast<wchar_t*>(text ? text : L"");
  return SendMessageW(hwnd_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)) != 0;
}

std::wstring CReportCtrl::GetItemText(int row, int column) const {
  if (!hwnd_ || row < 0 || row >= GetItemCount() || column < 0) return std::wstring();
  return ReadItemText(hwnd_, row, column);
}

bool CReportCtrl::GetCheck(int row) const {
  return (GetItemState(row, LVIS_STATEIMAGEMASK) >> 12) == kTicked;
}

bool CReportCtrl::SetCheck(int row, bool checked) {
  return SetItemState(row, INDEXTOSTATEIMAGEMASK(checked ? kTicked : 1), LVIS_STATEIMAGEMASK);
}

bool CReportCtrl::DeleteAllItems() {
  if (!hwnd_) return false;
  const bool locked = LockWindowUpdate(hwnd_) != FALSE;
  const int rows = GetItemCount();
  for (int row = 0; row < rows; ++row) {
    _ROWDATA* data = RowData(row);
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.lParam = 0;
    SendMessageW(hwnd_, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    delete data;
  }
  const bool deleted = SendMessageW(hwnd_, LVM_DELETEALLITEMS, 0, 0) != 0;
  // Only our own lock is lifted: another window's lock is not ours to end.
  if (locked) LockWindowUpdate(nullptr);
  return deleted;
}

int CReportCtrl::GetItemCount() const {
  return hwnd_ ? static_cast<int>(SendMessageW(hwnd_, LVM_GETITEMCOUNT, 0, 0)) : 0;
}

int CReportCtrl::GetColumnCount() const {
  if (!hwnd_) return 0;
  HWND header = reinterpret_cast<HWND>(SendMessageW(hwnd_, LVM_GETHEADER, 0, 0));
  return header ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

DWORD_PTR CReportCtrl::GetItemData(int row) const {
  const _ROWDATA* data = RowData(row);
  return data ? data->dwData : 0;
}

bool CReportCtrl::SetItemData(int row, DWORD_PTR value) {
  _ROWDATA* data = RowData(row);
  if (!data) return false;
  data->dwData = value;
  return true;
}

UINT CReportCtrl::GetItemState(int row, UINT mask) const {
  return hwnd_ ? static_cast<UINT>(SendMessageW(hwnd_, LVM_GETITEMSTATE, static_cast<WPARAM>(row), mask)) : 0;
}

bool CReportCtrl::SetItemState(int row, UINT state, UINT mask) {
  if (!hwnd_) return false;
  LVITEMW item = {};
  item.state = state;
  item.stateMask = mask;
  return SendMessageW(hwnd_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)) != 0;
}

int CReportCtrl::GetNextItem(int start, int flags) const {
  return hwnd_ ? static_cast<int>(SendMessageW(hwnd_, LVM_GETNEXTITEM, static_cast<WPARAM>(start),
                                               MAKELPARAM(flags, 0)))
               : -1;
}

int CReportCtrl::GetSelectionMark() const {
  return hwnd_ ? static_cast<int>(SendMessageW(hwnd_, LVM_GETSELECTIONMARK, 0, 0)) : -1;
}

UINT CReportCtrl::GetSelectedCount() const {
  return hwnd_ ? static_cast<UINT>(SendMessageW(hwnd_, LVM_GETSELECTEDCOUNT, 0, 0)) : 0;
}

HIMAGELIST CReportCtrl::SetImageList(HIMAGELIST images, int kind) {
  if (!hwnd_) return nullptr;
  return reinterpret_cast<HIMAGELIST>(
      SendMessageW(hwnd_, LVM_SETIMAGELIST, static_cast<WPARAM>(kind), reinterpret_cast<LPARAM>(images)));
}

DWORD CReportCtrl::GetExtendedStyle() const {
  return hwnd_ ? static_cast<DWORD>(SendMessageW(hwnd_, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0)) : 0;
}

void CReportCtrl::SetExtendedStyle(DWORD style) {
  if (hwnd_) SendMessageW(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style);
}

void CReportCtrl::ModifyStyle(DWORD remove, DWORD add) {
  if (!hwnd_) return;
  DWORD style = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE));
  SetWindowLongPtrW(hwnd_, GWL_STYLE, static_cast<LONG_PTR>((style & ~remove) | add));
  SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CReportCtrl::HasClickableHeader() const {
  if (GetWindowLongPtrW(hwnd_, GWL_STYLE) & LVS_NOCOLUMNHEADER) return false;
  HWND header = reinterpret_cast<HWND>(SendMessageW(hwnd_, LVM_GETHEADER, 0, 0));
  return header && (GetWindowLongPtrW(header, GWL_STYLE) & HDS_BUTTONS);
}

bool CReportCtrl::SortItems(int column, bool ascending) {
  if (!hwnd_ || column < 0 || column >= GetColumnCount() || !HasClickableHeader()) return false;
  m_nSortColumn = column;
  m_bSortAscending = ascending;
  const int rows = GetItemCount();
  if (rows >= 2) {
    std::vector<SortKey> keys;
    keys.reserve(static_cast<size_t>(rows));
    for (int row = 0; row < rows; ++row) keys.emplace_back(ReadItemText(hwnd_, row, column));
    const DateReader readDate = ReadVariantDate;
    std::vector<int> order(static_cast<size_t>(rows));
    std::iota(order.begin(), order.end(), 0);
    QuickSortRows(order, 0, rows - 1, ascending, [&keys, &readDate](int a, int b) {
      return CompareSortKeys(keys[static_cast<size_t>(a)], keys[static_cast<size_t>(b)], readDate);
    });

    // Every row that moves is read whole first, then written to its new place; rows that
    // stay where they are keep everything as it is.
    const int columns = std::max(1, GetColumnCount());
    std::vector<RowSnapshot> moving(static_cast<size_t>(rows));
    std::vector<wchar_t> buffer(512);
    for (int row = 0; row < rows; ++row) {
      if (order[static_cast<size_t>(row)] == row) continue;
      RowSnapshot& snap = moving[static_cast<size_t>(row)];
      for (int column = 0; column < columns; ++column)
        snap.cells.push_back(ReadCell(hwnd_, row, column, buffer, column == 0 ? &snap : nullptr));
    }
    const int mark = GetSelectionMark();
    int newMark = mark;
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    for (int place = 0; place < rows; ++place) {
      const int from = order[static_cast<size_t>(place)];
      if (from == mark) newMark = place;
      if (from == place) continue;
      const RowSnapshot& snap = moving[static_cast<size_t>(from)];
      for (int column = 0; column < columns; ++column) {
        const CellSnapshot& cell = snap.cells[static_cast<size_t>(column)];
        LVITEMW item = {};
        item.mask = LVIF_IMAGE | LVIF_TEXT;
        if (column == 0) {
          item.mask |= LVIF_STATE | LVIF_PARAM;
          item.state = snap.state;
          item.stateMask = kRowStateMask;
          item.lParam = snap.data;
        }
        item.iItem = place;
        item.iSubItem = column;
        item.iImage = cell.image;
        item.pszText = const_cast<wchar_t*>(cell.text.c_str());
        SendMessageW(hwnd_, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
      }
    }
    // The selection mark names a row too (the selected image of a chooser is read there).
    if (newMark != mark) SendMessageW(hwnd_, LVM_SETSELECTIONMARK, 0, newMark);
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd_, nullptr, TRUE);
  }
  SendMessageW(GetParent(hwnd_), WM_REPORT_SORTED, static_cast<WPARAM>(column), ascending ? 1 : 0);
  return true;
}

LRESULT CReportCtrl::OnCustomDraw(NMLVCUSTOMDRAW& draw) const {
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
      return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
      const auto* row = reinterpret_cast<const _ROWDATA*>(draw.nmcd.lItemlParam);
      const size_t column = static_cast<size_t>(draw.iSubItem);
      if (row && draw.iSubItem >= 0 && column < row->aTextColor.size() && column < row->aBkColor.size()) {
        draw.clrText = row->aTextColor[column];
        draw.clrTextBk = row->aBkColor[column];
      }
      return CDRF_DODEFAULT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

bool CReportCtrl::OnParentNotify(const NMHDR& header, LRESULT& result) {
  switch (header.code) {
    case NM_CUSTOMDRAW:
      result = OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&header)));
      return true;
    case LVN_COLUMNCLICK: {
      const int column = reinterpret_cast<const NMLISTVIEW&>(header).iSubItem;
      // The same column toggles its order; another one starts ascending.
      SortItems(column, column == m_nSortColumn ? !m_bSortAscending : true);
      result = 0;
      return true;
    }
    case LVN_DELETEITEM: {
      // A single row deleted by the list view's own message still frees its record.
      const NMLISTVIEW& info = reinterpret_cast<const NMLISTVIEW&>(header);
      delete reinterpret_cast<_ROWDATA*>(info.lParam);
      return false;
    }
    default:
      return false;
  }
}

LRESULT CReportCtrl::OnMouseButton(WNDPROC original, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND list = hwnd_;
  LVHITTESTINFO hit = {};
  hit.pt.x = static_cast<short>(LOWORD(lParam));  // client coordinates, signed
  hit.pt.y = static_cast<short>(HIWORD(lParam));
  SendMessageW(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  const int row = hit.iItem;
  const bool onRow = row >= 0 && row < GetItemCount();
  const UINT before = onRow ? GetItemState(row, LVIS_STATEIMAGEMASK) : 0;
  const LRESULT result = CallWindowProcW(original, list, message, wParam, lParam);
  if (hwnd_ != list || !onRow || row >= GetItemCount()) return result;
  if (GetItemState(row, LVIS_STATEIMAGEMASK) == before) return result;
  for (int selected = GetNextItem(-1, LVNI_SELECTED); selected >= 0;
       selected = GetNextItem(selected, LVNI_SELECTED)) {
    SetItemState(selected, 0, LVIS_SELECTED);
  }
  SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  SendMessageW(list, LVM_SETSELECTIONMARK, 0, row);
  SendMessageW(GetParent(list), WM_REPORT_CHECKCLICK, static_cast<WPARAM>(row), message);
  return result;
}

LRESULT CALLBACK CReportCtrl::ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto& lists = ListHooks();
  auto hooked = lists.find(window);
  if (hooked == lists.end()) return DefWindowProcW(window, message, wParam, lParam);
  const WNDPROC original = hooked->second.original;
  if (CReportCtrl* control = hooked->second.control) {
    switch (message) {
      case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
      case WM_LBUTTONDBLCLK: case WM_RBUTTONDBLCLK: case WM_MBUTTONDBLCLK:
        return control->OnMouseButton(original, message, wParam, lParam);
      case WM_KEYDOWN:
        // The space bar neither ticks a box nor acts on the selection.
        if (wParam == VK_SPACE) return 0;
        break;
      case WM_CHAR:
        if (wParam == L' ') return 0;
        break;
      case WM_DESTROY:
        control->DeleteAllItems();
        break;
      case WM_NCDESTROY:
        control->Detach();
        break;
      default:
        break;
    }
  }
  const LRESULT result = CallWindowProcW(original, window, message, wParam, lParam);
  if (message == WM_NCDESTROY) lists.erase(window);
  return result;
}

LRESULT CALLBACK CReportCtrl::ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto& parents = ParentHooks();
  auto hooked = parents.find(window);
  if (hooked == parents.end()) return DefWindowProcW(window, message, wParam, lParam);
  const WNDPROC original = hooked->second.original;
  if (message == WM_NOTIFY && lParam) {
    const NMHDR& header = *reinterpret_cast<const NMHDR*>(lParam);
    CReportCtrl* from = nullptr;
    for (CReportCtrl* control : hooked->second.controls)
      if (control->hwnd_ == header.hwndFrom) from = control;
    LRESULT result = 0;
    if (from && from->OnParentNotify(header, result)) return result;
  }
  const LRESULT result = CallWindowProcW(original, window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    auto gone = parents.find(window);
    if (gone != parents.end()) {
      for (CReportCtrl* control : gone->second.controls) control->parent_ = nullptr;
      parents.erase(gone);
    }
  }
  return result;
}
