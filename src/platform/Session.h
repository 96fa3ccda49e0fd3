// What the program asks of the Windows session it runs in: to run once per computer, to keep the
// machine awake while it copies, and to hold the session's end while a backup or removal runs.
#pragma once

#include <cstdint>

#include "platform/WinTypes.h"

namespace zolvan {

class Session {
 public:
  // Makes or opens the named mutex and keeps it until the process ends. Returns 0 when it was
  // made now, else the system's error: win::kErrorAlreadyExists, win::kErrorAccessDenied (a
  // program with other rights holds it), or another.
  virtual uint32_t CreateMutexW(const char* name) = 0;
  virtual void SetThreadExecutionState(uint32_t flags) = 0;  // win::kEs...
  // What the shutdown screen shows while the window holds the session's end.
  virtual void ShutdownBlockReasonCreate(WindowHandle window, const char* reason) = 0;
  virtual void ShutdownBlockReasonDestroy(WindowHandle window) = 0;

 protected:
  ~Session() = default;
};

}  // namespace zolvan
