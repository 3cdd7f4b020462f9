// The data dialog's window: the image list with check boxes, "全选", the search behind the
// progress dialog, and the choices written into the page at "确定".
#include "pages/bootmedia/copy_data_dlg.h"

#include <array>
#include <utility>
#include <vector>

#include "ui/load_dlg.h"
#include "pages/bootmedia/make_boot_dlg.h"

namespace {

constexpr int kNameColumn = 0, kPathColumn = 2;
constexpr UINT kStateChecked = INDEXTOSTATEIMAGEMASK(2);

}  // namespace

bool CopyDataDlg::OnInitDialog() {
  m_list.SubclassDlgItem(IDC_COPYDATA_LIST, hwnd());
  m_list.ModifyStyle(LVS_TYPEMASK, LVS_REPORT | LVS_SINGLESEL);
  m_list.InsertColumn(0, L"名称", LVCFMT_CENTER, 100);
  m_list.InsertColumn(1, L"描述", LVCFMT_CENTER, 120);
  m_list.InsertColumn(2, L"路径", LVCFMT_LEFT, 250);
  m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES |
                          LVS_EX_FULLROWSELECT | LVS_EX_SUBITEMIMAGES);
  for (int i = 0; i < boot_disk::kSystemCount; ++i) {
    m_list.InsertItem(i, m_pOwner->m_strSystemName[i].c_str());
    m_list.SetItemText(i, 1, boot_disk::kSystemDescriptions[i]);
    m_list.SetItemText(i, kPathColumn, boot_disk::SearchedPathText(m_pOwner->m_strSystemPath[i]));
  }
  // The systems ticked at the last "确定" stay ticked.
  for (int i = 0; i < boot_disk::kSystemCount; ++i)
    if (m_pOwner->m_nSystemMask & (1u << i)) m_list.SetCheck(i, true);
  CheckDlgButton(hwnd(), IDC_COPYDATA_IMPORT, m_bImportData ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hwnd(), IDC_COPYDATA_DRIVER, m_bCopyDriver ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hwnd(), IDC_COPYDATA_TOOLS, m_bCopyTools ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(hwnd(), IDC_COPYDATA_VIDEO, m_bCopyVideo ? BST_CHECKED : BST_UNCHECKED);
  return true;
}

void CopyDataDlg::OnFirstShow() { SearchSystems(); }

bool CopyDataDlg::ImageFound(int row) const {
  std::wstring name = m_list.GetItemText(row, kNameColumn);
  for (int j = 0; j < boot_disk::kSystemCount; ++j)
    if (name == m_pOwner->m_strSystemName[j]) return !m_pOwner->m_strSystemPath[j].empty();
  return false;
}

bool CopyDataDlg::OnNotify(const NMHDR& header, LRESULT& result) {
  // A row whose image was not found cannot be ticked: the make would have nothing to copy.
  if (header.idFrom == IDC_COPYDATA_LIST && header.code == LVN_ITEMCHANGING) {
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
    if ((change.uChanged & LVIF_STATE) && (change.uNewState & LVIS_STATEIMAGEMASK) == kStateChecked &&
        change.iItem >= 0 && !ImageFound(change.iItem)) {
      result = TRUE;
      return true;
    }
  }
  return KXDialog::OnNotify(header, result);
}

bool CopyDataDlg::OnCommand(int id, int code, HWND control) {
  if (code == BN_CLICKED && id == IDC_COPYDATA_SEARCH) {
    SearchSystems();
    return true;
  }
  if (code == BN_CLICKED && id == IDC_COPYDATA_ALL) {
    bool all = IsDlgButtonChecked(hwnd(), IDC_COPYDATA_ALL) == BST_CHECKED;
    for (int row = 0; row < m_list.GetItemCount(); ++row) m_list.SetCheck(row, all);
    return true;
  }
  return KXDialog::OnCommand(id, code, control);
}

void CopyDataDlg::SearchSystems() {
  // The paths found: the page takes them over once the search has ended.
  std::array<std::wstring, boot_disk::kSystemCount> paths;
  const boot_disk::BootDiskConfig& config = *m_pOwner;
  RunBehindProgress(
      [&config, &paths](Progress& progress) {
        boot_disk::SearchSystems(config, &paths, progress);
        return true;
      },
      hwnd());
  m_pOwner->m_strSystemPath = paths;
  for (int row = 0; row < m_list.GetItemCount(); ++row) {
    std::wstring name = m_list.GetItemText(row, kNameColumn);
    for (int j = 0; j < boot_disk::kSystemCount; ++j)
      if (name == m_pOwner->m_strSystemName[j])
        m_list.SetItemText(row, kPathColumn, boot_disk::SearchedPathText(m_pOwner->m_strSystemPath[j]));
    if (!ImageFound(row)) m_list.SetCheck(row, false);   // gone since it was ticked
  }
}

void CopyDataDlg::OnOK() {
  m_bImportData = IsDlgButtonChecked(hwnd(), IDC_COPYDATA_IMPORT) == BST_CHECKED;
  m_bCopyDriver = IsDlgButtonChecked(hwnd(), IDC_COPYDATA_DRIVER) == BST_CHECKED;
  m_bCopyTools = IsDlgButtonChecked(hwnd(), IDC_COPYDATA_TOOLS) == BST_CHECKED;
  m_bCopyVideo = IsDlgButtonChecked(hwnd(), IDC_COPYDATA_VIDEO) == BST_CHECKED;
  m_pOwner->m_nCopyFlags = boot_disk::CopyFlagsOf(m_bCopyVideo, m_bCopyTools, m_bCopyDriver, m_bImportData);
  std::vector<std::pair<std::wstring, bool>> rows;
  for (int row = 0; row < m_list.GetItemCount(); ++row)
    rows.emplace_back(m_list.GetItemText(row, kNameColumn), m_list.GetCheck(row));
  m_pOwner->m_nSystemMask = boot_disk::SystemMaskOf(rows, *m_pOwner);
  EndDialog(IDOK);
}
