// One small owner class per kind of Windows handle.
#pragma once

#include <windows.h>

namespace zolvan {

class ScopedHook {
 public:
  explicit ScopedHook(HHOOK hook) : m_hook(hook) {}
  ~ScopedHook() { Release(); }
  ScopedHook(const ScopedHook&) = delete;
  ScopedHook& operator=(const ScopedHook&) = delete;
  void Release() {
    if (m_hook) UnhookWindowsHookEx(m_hook);
    m_hook = nullptr;
  }

 private:
  HHOOK m_hook;
};

}  // namespace zolvan
