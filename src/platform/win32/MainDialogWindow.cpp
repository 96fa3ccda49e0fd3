// Runs CBackupMainDlg as a modal dialog and forwards each message to its handler.
#include <windows.h>

#include "app/BackupMainDlg.h"
#include "platform/win32/ScopedWin.h"
#include "platform/win32/Win32Platform.h"
#include "res/resource.h"

namespace zolvan {
namespace {

static_assert(WM_TRAYNOTIFY == WM_USER + 1);

CBackupMainDlg* g_creating = nullptr;  // the dialog whose window is being created
WNDPROC g_dialogClassProc = nullptr;   // the dialog class's own procedure, for default handling

CBackupMainDlg* DialogOf(HWND hwnd) {
  return reinterpret_cast<CBackupMainDlg*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

LRESULT Default(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcA(g_dialogClassProc, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK MainDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CBackupMainDlg* dlg = DialogOf(hwnd);
  if (!dlg) return Default(hwnd, message, wParam, lParam);

  static const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  if (message == taskbarCreated) return dlg->OnTaskbarCreated();

  dlg->WindowProc(message, wParam, lParam);
  switch (message) {
    case WM_CREATE: return dlg->OnCreate(Default(hwnd, message, wParam, lParam) != -1);
    case WM_INITDIALOG: return dlg->OnInitDialog();
    case WM_SYSCOMMAND: if (dlg->OnSysCommand(wParam, lParam)) return 0; break;
    case WM_PAINT: dlg->OnPaint(); return 0;
    case WM_QUERYDRAGICON: return reinterpret_cast<LRESULT>(dlg->OnQueryDragIcon());
    case WM_TRAYNOTIFY: return dlg->OnTrayNotify(wParam, lParam);
    case WM_TIMER: dlg->OnTimer(wParam); break;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case ID_TRAY_EXIT: dlg->OnTrayExit(); return 0;
        case ID_TRAY_ABOUT: dlg->OnTrayAbout(); return 0;
        case IDOK: case IDCANCEL: EndDialog(hwnd, LOWORD(wParam)); return 0;
      }
      break;
  }
  return Default(hwnd, message, wParam, lParam);
}

// Dialog procedures never see WM_CREATE, so the window is subclassed the moment it is created,
// as the application frameworks do, and every message goes through MainDialogProc.
LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && g_creating) {
    HWND hwnd = reinterpret_cast<HWND>(wParam);
    g_creating->Attach(FromHwnd(hwnd));
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(g_creating));
    g_dialogClassProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MainDialogProc)));
    g_creating = nullptr;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

INT_PTR CALLBACK UnusedDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

}  // namespace

intptr_t Win32Platform::DoModal(CBackupMainDlg& dialog) {
  g_creating = &dialog;
  ScopedHook hook(SetWindowsHookExA(WH_CBT, &CreationHook, nullptr, GetCurrentThreadId()));
  const INT_PTR result = DialogBoxParamA(m_instance, MAKEINTRESOURCEA(IDD_ZOLVAN_DIALOG), nullptr,
                                         &UnusedDialogProc, 0);
  g_creating = nullptr;
  return result;
}

}  // namespace zolvan
