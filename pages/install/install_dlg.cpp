// The backup and restore page's window: the partition list, the mode and path controls,
// and the clicks handed to the page's actions.
#include "pages/install/install_dlg.h"

#include <commdlg.h>

#include <iterator>
#include <string>

#include "ui/load_dlg.h"
#include "deploy/wim_engine.h"
#include "pages/install/select_image_dlg.h"
#include "platform/seam_win.h"
#include "ui/controls.h"

namespace {

struct Column {
  const wchar_t* heading;
  int width;
};
constexpr Column kColumns[] = {{L"盘符", 40},     {L"序号", 50}, {L"卷标", 80},    {L"文件类型", 60},
                               {L"可用容量", 80}, {L"容量", 80}, {L"磁盘类型", 80}};

WimPageHooks PageHooks() {
  WimPageHooks hooks;
  hooks.chooseImage = &ChooseWimImage;
  hooks.runWork = [](const Work& work) { return RunBehindProgress(work); };
  return hooks;
}

}  // namespace

bool InstallDlg::OnInitDialog() {
  m_comboCompress = Item(IDC_INSTALL_COMPRESS);
  m_comboImagePath = Item(IDC_INSTALL_IMAGE_PATH);
  m_btnReboot = Item(IDC_INSTALL_REBOOT);
  CheckRadioButton(hwnd(), IDC_INSTALL_MODE_RESTORE, IDC_INSTALL_MODE_WIM, IDC_INSTALL_MODE_RESTORE);

  m_listPartition.SubclassDlgItem(IDC_INSTALL_PARTITIONS, hwnd());
  m_listPartition.ModifyStyle(0, LVS_SINGLESEL | LVS_SHAREIMAGELISTS);
  m_listPartition.SetImageList(VolumeImageList(), LVSIL_SMALL);
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i)
    m_listPartition.InsertColumn(i, kColumns[i].heading, LVCFMT_CENTER, kColumns[i].width);
  m_listPartition.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_SUBITEMIMAGES);
  FillPartitionList();

  for (const wchar_t* name : install_page::kCompressionNames)
    ComboBox(m_comboCompress).AddString(name);
  EnableWindow(m_comboCompress, FALSE);
  ComboBox(m_comboCompress).SetCurSel(0);
  return true;
}

void InstallDlg::FillPartitionList() {
  int row = 0;
  for (const install_page::PartitionRow& partition : install_page::PartitionRows()) {
    m_listPartition.InsertItem(row, partition.letter.c_str(), partition.icon);
    m_listPartition.SetItemText(row, 1, partition.number);
    m_listPartition.SetItemText(row, 2, partition.label);
    m_listPartition.SetItemText(row, 3, partition.fileSystem);
    m_listPartition.SetItemText(row, 4, partition.freeSpace);
    m_listPartition.SetItemText(row, 5, partition.size);
    m_listPartition.SetItemText(row, 6, partition.diskStyle);
    ++row;
  }
  if (row > 0) m_listPartition.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void InstallDlg::ReadMode() {
  if (IsDlgButtonChecked(hwnd(), IDC_INSTALL_MODE_GHO) == BST_CHECKED) m_nMode = install_page::kGhostBackup;
  else if (IsDlgButtonChecked(hwnd(), IDC_INSTALL_MODE_WIM) == BST_CHECKED) m_nMode = install_page::kWimBackup;
  else m_nMode = install_page::kRestore;
}

bool InstallDlg::OnCommand(int id, int code, HWND control) {
  if (code != BN_CLICKED) return KXDialog::OnCommand(id, code, control);
  switch (id) {
    case IDC_INSTALL_EXECUTE: Run(); return true;
    case IDC_INSTALL_MODE_RESTORE:
    case IDC_INSTALL_MODE_GHO:
    case IDC_INSTALL_MODE_WIM:
      ReadMode();
      EnableWindow(m_comboCompress, m_nMode != install_page::kRestore);
      return true;
    case IDC_INSTALL_OPEN: Browse(); return true;
    case IDC_INSTALL_SEARCH: ShowSearch(); return true;
    case IDC_INSTALL_EXTERNAL: RunExternalInstaller(); return true;
    default: return KXDialog::OnCommand(id, code, control);
  }
}

void InstallDlg::Browse() {
  ReadMode();
  bool save = m_nMode != install_page::kRestore;
  // Pairs of description and pattern, ended by an empty description.
  static const wchar_t kOpenFilter[] = L"系统镜像文件 (*.GHO;*WIM)\0*.GHO;*WIM\0";
  static const wchar_t kSaveFilter[] = L"Save Files\0\0";
  wchar_t path[MAX_PATH] = {};
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = hwnd();
  dialog.lpstrFilter = save ? kSaveFilter : kOpenFilter;
  dialog.lpstrFile = path;
  dialog.nMaxFile = MAX_PATH;
  dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
  if (chosen) SetWindowTextW(m_comboImagePath, path);
}

void InstallDlg::ShowSearch() {
  if (!m_searchDlg) m_searchDlg = std::make_unique<SearchDlg>(hwnd());
  m_searchDlg->DoModal();
}

void InstallDlg::Run() {
  ReadMode();
  install_page::Request request;
  request.mode = m_nMode;
  int row = m_listPartition.GetNextItem(-1, LVNI_SELECTED);
  request.rowSelected = row >= 0;
  if (request.rowSelected) request.target = m_listPartition.GetItemText(row, 0);
  request.imagePath = WindowText(m_comboImagePath);
  request.compression = ComboBox(m_comboCompress).CurSel();
  request.restartAtOnce = Button(m_btnReboot).Checked();
  install_page::Execute(request, PageHooks());
}
