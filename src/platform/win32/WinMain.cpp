#include <windows.h>

#include <cstring>

#include "app/Application.h"
#include "platform/win32/Win32Platform.h"

namespace {

// Keeps the ordinary library search for JMUsbDll.dll but takes the current folder out of it, so
// a library planted in whatever folder the program was started from is never loaded. Naming a
// DLL directory replaces the current folder in the search; it is the program's own folder, which
// is searched first anyway. SetDllDirectoryA("") would do the same on Windows, but Wine takes an
// empty directory for none and keeps searching the current folder.
void RemoveCurrentFolderFromDllSearch() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    SetDllDirectoryA("");
    return;
  }
  char* name = strrchr(path, '\\');
  if (name) *name = 0;
  SetDllDirectoryA(path);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  RemoveCurrentFolderFromDllSearch();
  zolvan::Win32Platform platform(instance);
  zolvan::Application(platform).Run();
  return 0;
}
