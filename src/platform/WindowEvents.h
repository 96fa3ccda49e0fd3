// What the window layer tells the main dialog: one call per message it handles.
#pragma once

#include <cstdint>

#include "platform/WinTypes.h"

namespace zolvan {

class WindowEvents {
 public:
  // The dialog's window exists and its controls are made; initialisation follows at once.
  virtual void OnCreate(WindowHandle window) = 0;
  virtual bool OnInitDialog() = 0;
  virtual void OnPaint() = 0;
  virtual IconHandle OnQueryDragIcon() = 0;
  virtual void OnDeviceChange(uintptr_t event) = 0;
  virtual void OnTimer(uintptr_t timerId) = 0;
  virtual intptr_t OnTrayNotify(uintptr_t iconId, intptr_t mouseMessage) = 0;
  virtual bool OnSysCommand(uintptr_t commandId) = 0;  // false: default handling
  virtual void OnTrayAbout() = 0;
  virtual void OnTrayExit() = 0;
  // The shell restarted (the registered "TaskbarCreated" message): its icons are gone.
  virtual void OnTaskbarCreated() = 0;
  // The program was started again in this session (kStartedAgainMessage).
  virtual void OnStartedAgain() = 0;
  // Whether the session may end (WM_QUERYENDSESSION; `flags` its lParam, win::kEndSession...).
  virtual bool OnQueryEndSession(uintptr_t flags) = 0;
  // The session ends, or does not after all (WM_ENDSESSION).
  virtual void OnEndSession(bool ending) = 0;
  virtual void OnPowerBroadcast(uintptr_t event) = 0;  // win::kPbt...

 protected:
  ~WindowEvents() = default;
};

}  // namespace zolvan
