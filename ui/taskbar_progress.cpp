// ITaskbarList3 for the worker dialog's progress on the taskbar button.
#include "ui/taskbar_progress.h"

#include <objbase.h>
#include <shobjidl.h>

TaskbarProgress::~TaskbarProgress() {
  Clear();
  if (comStarted_) CoUninitialize();
}

void TaskbarProgress::Attach(HWND window) {
  if (list_) return;
  // S_FALSE: COM already runs on this thread; both are balanced by CoUninitialize.
  if (!comStarted_) comStarted_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  void* list = nullptr;
  if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3, &list)) || !list)
    return;
  list_ = static_cast<ITaskbarList3*>(list);
  if (FAILED(list_->HrInit())) {
    list_->Release();
    list_ = nullptr;
    return;
  }
  button_ = GetAncestor(window, GA_ROOTOWNER);
  if (!button_) button_ = window;
}

void TaskbarProgress::Set(int percent) {
  if (percent < 0) percent = 0;
  if (!list_ || percent == shown_) return;
  if (shown_ < 0) list_->SetProgressState(button_, TBPF_NORMAL);
  list_->SetProgressValue(button_, static_cast<ULONGLONG>(percent), 100);
  shown_ = percent;
}

void TaskbarProgress::Failed() {
  if (!list_) return;
  list_->SetProgressState(button_, TBPF_ERROR);
  shown_ = -1;   // a later position turns the bar back to normal
}

void TaskbarProgress::Clear() {
  shown_ = -1;
  if (!list_) return;
  list_->SetProgressState(button_, TBPF_NOPROGRESS);
  list_->Release();
  list_ = nullptr;
}
