// Windows, controls, menus, the notification area and timers.
#pragma once

#include <cstdint>
#include <string>

#include "platform/WinTypes.h"

namespace zolvan {

class WindowEvents;

struct Point {
  int x = 0;
  int y = 0;
};

// The message the tray icon calls the window back with, and the size of its record as the
// shell's version 3 of NOTIFYICONDATAA gives it on 32-bit Windows.
inline constexpr uint32_t WM_TRAYNOTIFY = win::kWmUser + 1;
// The registered message a second start of the program sends the running one.
inline constexpr char kStartedAgainMessage[] = "Zolvan Backup Utility started again";
inline constexpr uint32_t kTrayRecordSize = 504;

// The members of the shell's notification-icon record that the program sets; the Win32 layer
// copies them into a NOTIFYICONDATAA of the version 3 size.
struct TrayIconData {
  uint32_t cbSize = 0;
  WindowHandle hWnd = nullptr;
  uint32_t uID = 0;
  uint32_t uFlags = 0;
  uint32_t uCallbackMessage = 0;
  IconHandle hIcon = nullptr;
  char szTip[128] = {};
  char szInfo[256] = {};
  uint32_t uTimeout = 0;
  char szInfoTitle[64] = {};
  uint32_t dwInfoFlags = 0;
};

class WindowSystem {
 public:
  virtual void InitCommonControls() = 0;
  // Creates the main dialog's window from its template, tells `events` of every message it
  // handles, and runs the modal loop until the window ends.
  virtual intptr_t RunMainDialog(WindowEvents& events) = 0;

  virtual void SetDlgItemTextA(WindowHandle dialog, int controlId, const char* text) = 0;
  virtual void ShowWindow(WindowHandle window, int command) = 0;
  virtual void SetWindowIcon(WindowHandle window, uintptr_t size, IconHandle icon) = 0;  // WM_SETICON
  virtual IconHandle LoadIconA(int resourceId) = 0;
  // The picture of the small-icon size at the DPI the program runs at: the tray's and the
  // caption's. Shared, as LoadIcon's: it is never destroyed.
  virtual IconHandle LoadSmallIconA(int resourceId) = 0;
  virtual std::string LoadStringA(int resourceId) = 0;  // empty when missing
  virtual MenuHandle GetSystemMenu(WindowHandle window) = 0;
  virtual void AppendMenuA(MenuHandle menu, uint32_t flags, uintptr_t id, const char* text) = 0;
  virtual MenuHandle LoadMenuA(int resourceId) = 0;
  virtual void DestroyMenu(MenuHandle menu) = 0;
  virtual MenuHandle GetSubMenu(MenuHandle menu, int position) = 0;
  virtual void TrackPopupMenu(MenuHandle menu, uint32_t flags, Point at, WindowHandle owner) = 0;
  virtual Point GetCursorPos() = 0;
  virtual void SetForegroundWindow(WindowHandle window) = 0;
  virtual void MessageBoxA(WindowHandle owner, const char* text, const char* caption, uint32_t type) = 0;
  // A dialog without handlers of its own from a template: OK and Cancel close it.
  virtual intptr_t RunModalDialog(int templateId, WindowHandle owner) = 0;
  virtual void DestroyWindow(WindowHandle window) = 0;
  // The main dialog's window of a program like this one on this desktop; null when there is none.
  virtual WindowHandle FindMainDialog() = 0;
  virtual uint32_t RegisterWindowMessageA(const char* name) = 0;
  virtual void PostMessageA(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;

  virtual bool Shell_NotifyIconA(uint32_t message, const TrayIconData& data) = 0;

  virtual void SetTimer(WindowHandle window, uintptr_t id, uint32_t periodMs) = 0;
  virtual void KillTimer(WindowHandle window, uintptr_t id) = 0;
  virtual void Sleep(uint32_t ms) = 0;
  virtual uint64_t TickCount() = 0;  // milliseconds since the system started
  // Handles the messages waiting for the thread's windows, then returns: the program's one
  // thread stays answerable while it copies.
  virtual void HandlePendingMessages() = 0;

 protected:
  ~WindowSystem() = default;
};

}  // namespace zolvan
