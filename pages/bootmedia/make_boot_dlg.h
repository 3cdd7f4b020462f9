// MakeBootDlg: the USB boot disk page ("制作启动盘"). It owns the boot-disk configuration,
// which its two configuration dialogs edit in place for the run.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "ui/kxdialog.h"
#include "pages/bootmedia/boot_disk_actions.h"
#include "resources/resource.h"

class CopyDataDlg;
class MakeConfigDlg;

class MakeBootDlg : public KXDialog, public boot_disk::BootDiskConfig {
 public:
  MakeBootDlg();
  ~MakeBootDlg() override;

  void OnFirstShow() override;
  // A make or a restore writes a disk while its progress window is up.
  BackgroundJob RunningJob() const override;

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool PreTranslateMessage(MSG& msg) override;

 private:
  enum class DiskJob { None, Make, Restore };

  void OnMake();
  void OnRestore();
  bool RefusedWhileBusy();
  void OnCopyData();
  void OnMakeConfig();
  // Reads the machine's disks again and refills the combo, keeping the user's choice;
  // chooses a disk by itself only where PreselectedEntry names one, and chooses again
  // when the disks change while no choice is the user's.
  void FillDevices();
  void WatchDeviceChanges();
  std::wstring SelectedEntry() const;
  const boot_disk::DeviceChoice* SelectedChoice() const;
  bool ForceFormat() const;

  HWND m_toolTip = nullptr;
  // Made at the first click, kept until the program ends.
  std::unique_ptr<CopyDataDlg> m_copyDataDlg;
  std::unique_ptr<MakeConfigDlg> m_makeConfigDlg;
  // The disks behind the combo's entries, as read when it was last filled.
  std::vector<boot_disk::DeviceChoice> m_devices;
  bool m_userChose = false;       // the selection is the user's, not the page's own
  bool m_choiceLost = false;      // the chosen disk went away and nothing was chosen since
  HWND m_deviceWatch = nullptr;   // hears the device notifications for the page
  std::atomic<DiskJob> m_job{DiskJob::None};
};
