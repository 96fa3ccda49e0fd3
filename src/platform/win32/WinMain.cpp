#include <windows.h>

#include "app/BackupApp.h"
#include "platform/win32/Win32Platform.h"

namespace {
zolvan::Win32Platform g_platform(GetModuleHandleA(nullptr));
zolvan::CBackupApp theApp(g_platform);
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Keep the ordinary library search for JMUsbDll.dll but take the current folder out of it,
  // so a library planted in whatever folder the program was started from is never loaded.
  SetDllDirectoryA("");
  theApp.InitInstance();
  return 0;
}
