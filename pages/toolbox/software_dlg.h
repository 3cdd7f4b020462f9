// The software page: the catalogue of installers, installed silently in a queue or one
// at a time with their own dialogs.
#pragma once

#include "ui/kxdialog.h"
#include "ui/report_ctrl.h"
#include "pages/toolbox/software_actions.h"
#include "resources/resource.h"

class SoftwareDlg : public KXDialog {
 public:
  SoftwareDlg() : KXDialog(IDD_SOFTWARE_PAGE) {}
  ~SoftwareDlg() override;

  // The entries read from SOFT_MAP at the first show, in map order.
  const SoftwareList& Catalogue() const { return m_softwareList; }
  bool InstallRunning() const { return m_installThread.Running(); }
  BackgroundJob RunningJob() const override {
    // An installer the stopped queue only watches may be left to run on its own.
    return m_installThread.Queueing() ? BackgroundJob::Runs : BackgroundJob::None;
  }

 protected:
  bool OnInitDialog() override;
  void OnFirstShow() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(const NMHDR& header, LRESULT& result) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // Enter on the list starts the selected installer, as a double-click does.
  bool OnEnterKey(HWND focus) override;

 private:
  void FillList();
  void TickAll();
  void InstallTicked();
  void InstallOne(int row);
  // What the install thread tells the page, posted to its window as owned copies.
  software_page::QueueReport PostedReport() const;

  CReportCtrl m_list;
  // Shared with the list (LVS_SHAREIMAGELISTS): the page destroys it.
  HIMAGELIST m_imageList = nullptr;
  SoftwareList m_softwareList;
  InstallQueue m_installQueue;
  software_page::InstallThread m_installThread;
};
