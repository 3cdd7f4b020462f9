// Sort benchmark of the report list: 10 000 rows sorted by a text, a decimal and a date
// column, by CReportCtrl and by the list view's own LVM_SORTITEMSEX with the same comparison.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "ui/report_compare.h"
#include "ui/report_ctrl.h"

namespace {

constexpr int kRows = 10000;
constexpr int kColumns = 3;
constexpr int kRounds = 3;
constexpr double kLongRun = 20000;  // a method that took longer is not run again
const wchar_t* const kColumnNames[kColumns] = {L"text", L"decimal", L"date"};

using Row = std::vector<std::wstring>;

std::vector<Row> MakeRows() {
  std::mt19937 random(20240501);
  const wchar_t letters[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::vector<Row> rows;
  for (int i = 0; i < kRows; ++i) {
    std::wstring name = L"Tool-";
    for (int k = 0; k < 8; ++k) name += letters[random() % 52];
    wchar_t decimal[32];
    swprintf(decimal, 32, L"%u.%02u", static_cast<unsigned>(random() % 100000), static_cast<unsigned>(random() % 100));
    wchar_t date[32];
    swprintf(date, 32, L"%04u-%02u-%02u", 1990 + static_cast<unsigned>(random() % 40),
             1 + static_cast<unsigned>(random() % 12), 1 + static_cast<unsigned>(random() % 28));
    rows.push_back({name, decimal, date});
  }
  return rows;
}

double Now() {
  static LARGE_INTEGER frequency = [] { LARGE_INTEGER f; QueryPerformanceFrequency(&f); return f; }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

HWND MakeList(HWND parent) {
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 780, 560,
                              parent, reinterpret_cast<HMENU>(1017), GetModuleHandleW(nullptr), nullptr);
  for (int c = 0; c < kColumns; ++c) {
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.cx = 200;
    column.pszText = const_cast<wchar_t*>(kColumnNames[c]);
    column.iSubItem = c;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
  }
  return list;
}

// Fills a plain list view, hidden (Wine lays out a visible list at every insertion),
// then shows it for the sort; item data = the row's number.
void FillPlain(HWND list, const std::vector<Row>& rows) {
  ShowWindow(list, SW_HIDE);
  SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
  for (int r = 0; r < kRows; ++r) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = r;
    item.lParam = r;
    item.pszText = const_cast<wchar_t*>(rows[static_cast<size_t>(r)][0].c_str());
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    for (int c = 1; c < kColumns; ++c) {
      LVITEMW cell = {};
      cell.iSubItem = c;
      cell.pszText = const_cast<wchar_t*>(rows[static_cast<size_t>(r)][static_cast<size_t>(c)].c_str());
      SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(&cell));
    }
  }
  ShowWindow(list, SW_SHOW);
  UpdateWindow(list);
}

void FillReport(CReportCtrl& list, const std::vector<Row>& rows) {
  ShowWindow(list.hwnd(), SW_HIDE);
  list.DeleteAllItems();
  for (int r = 0; r < kRows; ++r) {
    list.InsertItem(r, rows[static_cast<size_t>(r)][0].c_str());
    for (int c = 1; c < kColumns; ++c) list.SetItemText(r, c, rows[static_cast<size_t>(r)][static_cast<size_t>(c)]);
  }
  ShowWindow(list.hwnd(), SW_SHOW);
  UpdateWindow(list.hwnd());
}

std::wstring CellText(HWND list, int row, int column) {
  wchar_t buffer[256] = {};
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = buffer;
  item.cchTextMax = 256;
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return buffer;
}

struct SortContext {
  HWND list;
  int column;
  const std::vector<Row>* rows;
};

// LVM_SORTITEMSEX hands over row indices: the cell texts are read from the list, as a
// comparison callback of the list view's own sort does.
int CALLBACK CompareByIndex(LPARAM a, LPARAM b, LPARAM context) {
  const SortContext* sort = reinterpret_cast<const SortContext*>(context);
  return CompareCellTexts(CellText(sort->list, static_cast<int>(a), sort->column),
                          CellText(sort->list, static_cast<int>(b), sort->column), ReadVariantDate);
}

// LVM_SORTITEMS hands over item data: the texts come from the rows in memory.
int CALLBACK CompareByData(LPARAM a, LPARAM b, LPARAM context) {
  const SortContext* sort = reinterpret_cast<const SortContext*>(context);
  const std::vector<Row>& rows = *sort->rows;
  return CompareCellTexts(rows[static_cast<size_t>(a)][static_cast<size_t>(sort->column)],
                          rows[static_cast<size_t>(b)][static_cast<size_t>(sort->column)], ReadVariantDate);
}

// True when the column reads in ascending order by the comparison.
bool Ascending(HWND list, int column) {
  std::wstring previous = CellText(list, 0, column);
  const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int r = 1; r < rows; ++r) {
    std::wstring text = CellText(list, r, column);
    if (CompareCellTexts(previous, text, ReadVariantDate) > 0) return false;
    previous = text;
  }
  return true;
}

}  // namespace

int wmain() {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  HWND parent = CreateWindowExW(0, L"STATIC", L"sort benchmark", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  const std::vector<Row> rows = MakeRows();
  CReportCtrl report;
  report.SubclassWindow(MakeList(parent));
  HWND plain = MakeList(parent);

  std::printf("%d rows, best of %d rounds (one for a run over %.0f s), milliseconds\n", kRows, kRounds, kLongRun / 1000);
  std::printf("%-8s %12s %16s %14s %10s %10s\n", "column", "CReportCtrl", "LVM_SORTITEMSEX", "LVM_SORTITEMS",
              "ratio EX", "ratio S");
  bool allSorted = true;
  for (int column = 0; column < kColumns; ++column) {
    double ours = 1e300, byIndex = 1e300, byData = 1e300;
    bool sortedOurs = true, sortedByIndex = true, sortedByData = true;
    SortContext context = {plain, column, &rows};
    for (int round = 0; round < kRounds; ++round) {
      if (round == 0 || ours < kLongRun) {
        FillReport(report, rows);
        const double start = Now();
        report.SortItems(column, true);
        ours = std::min(ours, Now() - start);
        sortedOurs = sortedOurs && Ascending(report.hwnd(), column);
        ShowWindow(report.hwnd(), SW_HIDE);
      }
      if (round == 0 || byIndex < kLongRun) {
        FillPlain(plain, rows);
        const double start = Now();
        SendMessageW(plain, LVM_SORTITEMSEX, reinterpret_cast<WPARAM>(&context),
                     reinterpret_cast<LPARAM>(&CompareByIndex));
        byIndex = std::min(byIndex, Now() - start);
        sortedByIndex = sortedByIndex && Ascending(plain, column);
      }
      if (round == 0 || byData < kLongRun) {
        FillPlain(plain, rows);
        const double start = Now();
        SendMessageW(plain, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&context),
                     reinterpret_cast<LPARAM>(&CompareByData));
        byData = std::min(byData, Now() - start);
        sortedByData = sortedByData && Ascending(plain, column);
        ShowWindow(plain, SW_HIDE);
      }
    }
    std::printf("%-8ls %12.1f %16.1f %14.1f %10.2f %10.2f\n", kColumnNames[column], ours, byIndex, byData,
                ours / byIndex, ours / byData);
    if (!sortedOurs) std::printf("  ERROR: CReportCtrl left the %ls column out of order\n", kColumnNames[column]);
    if (!sortedByIndex) std::printf("  LVM_SORTITEMSEX left the %ls column out of order\n", kColumnNames[column]);
    if (!sortedByData) std::printf("  ERROR: LVM_SORTITEMS left the %ls column out of order\n", kColumnNames[column]);
    allSorted = allSorted && sortedOurs && sortedByData;
    std::fflush(stdout);
  }
  std::printf("ratio = CReportCtrl time / list view time (below 1: CReportCtrl is faster)\n");
  std::printf(allSorted ? "CReportCtrl and LVM_SORTITEMS put every column in ascending order\n"
                        : "ERROR: a result was out of order\n");
  DestroyWindow(parent);
  return allSorted ? 0 : 1;
}
