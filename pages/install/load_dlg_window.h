// The progress window of the imaging workers: LoadDlg, driven by posted messages.
#pragma once

#include <string>

#include "ui/load_dlg.h"
#include "deploy/wim_engine.h"

class LoadDlgWindow : public WorkerWindow {
 public:
  void PostProgress(int percent) override { dialog_.Post(WM_LOAD_PROGRESS, static_cast<WPARAM>(percent)); }
  void SetStatus(const std::wstring& text) override { SetStatusText(text, &dialog_); }
  void PostEnableClose() override { dialog_.Post(WM_LOAD_ENABLE_CLOSE); }
  void PostClose() override { dialog_.Post(WM_CLOSE); }
  void RunModal(Worker worker, void* param) override {
    Prepare(worker, param);
    dialog_.DoModal();
  }

 protected:
  void Prepare(Worker worker, void* param) {
    dialog_.m_pfnWorker = worker;
    dialog_.m_pWorkerParam = param;
  }

  LoadDlg dialog_;
};
