#pragma once

#include "platform/Platform.h"
#include "res/resource.h"

namespace zolvan {

// The About box (template 100): no handlers of its own, OK closes it.
class CAboutDlg {
 public:
  explicit CAboutDlg(Platform& platform) : m_platform(platform) {}
  intptr_t DoModal(WindowHandle owner) { return m_platform.RunModalDialog(IDD_ABOUTBOX, owner); }

 private:
  Platform& m_platform;
};

}  // namespace zolvan
