// The yardstick for start-up time and memory: a minimal Win32 dialog program with a tray icon,
// built and run as ZolvanBackup.exe is (same toolchain, flags, manifest, dialog template). It
// adds its icon when the dialog initialises, hides at the first paint and ends on Exit (32775).
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "res/resource.h"

namespace {

NOTIFYICONDATAA g_icon = {};

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      g_icon.cbSize = NOTIFYICONDATAA_V3_SIZE;
      g_icon.hWnd = dialog;
      g_icon.uID = 1;
      g_icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
      g_icon.uCallbackMessage = WM_USER + 1;
      g_icon.hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
      lstrcpyA(g_icon.szTip, "Minimal");
      Shell_NotifyIconA(NIM_ADD, &g_icon);
      return TRUE;
    case WM_PAINT:
      ShowWindow(dialog, SW_HIDE);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == ID_TRAY_EXIT || LOWORD(wParam) == IDCANCEL) {
        Shell_NotifyIconA(NIM_DELETE, &g_icon);
        EndDialog(dialog, 0);
      }
      return TRUE;
  }
  return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  InitCommonControls();
  DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ZOLVAN_DIALOG), nullptr, &DialogProc, 0);
  return 0;
}
