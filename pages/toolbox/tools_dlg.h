// The tool pack page: the tools of TOOLS.MAP, loaded on a thread of its own from the
// PE's own folder or from a WEPE image mounted for the run, filtered and started.
#pragma once

#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

#include "ui/kxdialog.h"
#include "ui/report_ctrl.h"
#include "ui/worker_thread.h"
#include "pages/toolbox/tools_page_actions.h"
#include "resources/resource.h"

// Posted by the loader: refresh the list as for "全部".
constexpr UINT WM_TOOLS_REFRESH = WM_USER + 2;
// Posted by the loader: lParam is a new std::wstring, the page's note of what is missing.
constexpr UINT WM_TOOLS_NOTE = WM_APP + 40;

class ToolsDlg : public KXDialog {
 public:
  ToolsDlg() : KXDialog(IDD_TOOLS_PAGE) {}
  ~ToolsDlg() override;

  // The page's note of what is missing; empty while there is none.
  std::wstring Note() const;
  // The tools handed over by the loader so far, in map order.
  const ProgramList& Programs() const { return m_programList; }
  bool LoaderStarted() const { return m_bLoaderStarted != 0; }
  // Waits for the loader (tests; the page does it itself when it goes).
  void WaitForLoader();
  // The program or the session ends: the loader is told to stop (it shows no more
  // boxes and starts nothing new) and waited for while this thread keeps answering
  // messages, then the pack is unmounted and its folder removed. Runs once; the page's
  // destruction does it too.
  void Shutdown();
  // The first half of it, at once: the loader shows no more boxes and starts nothing new.
  void StopLoading() { m_stopping = true; }

 protected:
  bool OnInitDialog() override;
  void OnFirstShow() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(const NMHDR& header, LRESULT& result) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  // Enter in the search box searches.
  bool OnEnterKey(HWND focus) override;

 private:
  // On the loader's thread: the record waits with its icon until the page takes it.
  void AddProgram(_PROGRAM program);
  void Load();

  void TakePending();
  void RefreshList(const std::wstring& category);
  void ShowSearch(const std::wstring& text);
  void AddRow(const _PROGRAM& program);
  void OnSearch();
  void StartTool(int row);
  std::wstring CategoryText() const;

  CReportCtrl m_list;
  HWND m_category = nullptr;
  HWND m_searchText = nullptr;
  // Shared with the list (LVS_SHAREIMAGELISTS): the page destroys it.
  HIMAGELIST m_imageList = nullptr;
  // Read and written on the interface thread only; the loader's records wait in
  // m_pending with their icons until the interface thread takes them.
  ProgramList m_programList;
  std::mutex m_pendingLock;
  std::vector<std::pair<_PROGRAM, HICON>> m_pending;
  // Written by the loader, read at destruction once it has ended.
  MountList m_mountList;
  std::wstring m_strMountRoot;
  int m_bLoaderStarted = 0;
  bool m_cleanedUp = false;
  WorkerThread m_loader;
  std::atomic<bool> m_stopping{false};
  HWND m_self = nullptr;   // the page's window, for the loader's posts
};
