// The tutorials page: the manual and the list of tutorial videos.
#pragma once

#include "ui/kxdialog.h"
#include "ui/report_ctrl.h"
#include "pages/toolbox/course_page_actions.h"
#include "resources/resource.h"

class CourseDlg : public KXDialog {
 public:
  CourseDlg() : KXDialog(IDD_COURSE_PAGE) {}

  // The videos read from the map at the first show, in map order.
  const VideoList& Videos() const { return m_videoList; }
  // The page's note of what is missing; empty while there is none.
  std::wstring Note() const;

 protected:
  bool OnInitDialog() override;
  void OnFirstShow() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(const NMHDR& header, LRESULT& result) override;
  // Enter on the list opens the selected video, as a double-click does.
  bool OnEnterKey(HWND focus) override;
  // The shell's "open" of a video: the program its file type is associated with.
  virtual void OpenWithShell(const std::wstring& path);

 private:
  void LoadVideoMap();
  void FillList();
  void ShowNote(const std::wstring& text);
  void OpenVideo(int row);

  CReportCtrl m_list;
  HIMAGELIST m_imageList = nullptr;
  VideoList m_videoList;
};
