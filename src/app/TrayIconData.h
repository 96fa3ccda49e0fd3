#pragma once

#include <cstdint>

#include "platform/Platform.h"

namespace zolvan {

// The record's size as the shell's version 3 of NOTIFYICONDATAA gives it on 32-bit Windows.
inline constexpr uint32_t kTrayRecordSize = 504;
inline constexpr uint32_t kTrayIconId = 1;

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

}  // namespace zolvan
