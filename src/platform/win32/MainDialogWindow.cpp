// Runs the main dialog modally and tells its WindowEvents of each message, one line per case.
#include <windows.h>
#include <shellapi.h>

#include "platform/WindowEvents.h"
#include "platform/win32/Win32Platform.h"
#include "res/resource.h"

namespace zolvan {
namespace {

static_assert(WM_TRAYNOTIFY == WM_USER + 1);
#ifndef _WIN64
static_assert(NOTIFYICONDATAA_V3_SIZE == kTrayRecordSize);
#endif

WindowEvents* EventsOf(HWND hwnd) { return reinterpret_cast<WindowEvents*>(GetWindowLongPtrA(hwnd, DWLP_USER)); }

// A dialog procedure's TRUE means handled; the message's result is the one set here.
INT_PTR Handled(HWND hwnd, LRESULT result) {
  SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
  return TRUE;
}

INT_PTR CALLBACK MainDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  static const UINT startedAgain = RegisterWindowMessageA(kStartedAgainMessage);
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    // A program started with other rights (elevated, say) takes no message from a lesser one
    // unless it allows it.
    ChangeWindowMessageFilterEx(hwnd, startedAgain, MSGFLT_ALLOW, nullptr);
    WindowEvents* events = EventsOf(hwnd);
    // A dialog procedure never sees WM_CREATE: what the window's creation brings (the tray
    // icon) comes here, still before initialisation and before the window is first shown.
    events->OnCreate(FromHwnd(hwnd));
    return events->OnInitDialog();
  }
  WindowEvents* events = EventsOf(hwnd);
  if (!events) return FALSE;

  static const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
  if (message == taskbarCreated) {
    events->OnTaskbarCreated();
    return Handled(hwnd, 0);
  }
  if (message == startedAgain) {
    events->OnStartedAgain();
    return Handled(hwnd, 0);
  }
  switch (message) {
    case WM_QUERYENDSESSION: return Handled(hwnd, events->OnQueryEndSession(lParam));
    case WM_ENDSESSION: events->OnEndSession(wParam != FALSE); return Handled(hwnd, 0);
    case WM_POWERBROADCAST: events->OnPowerBroadcast(wParam); return Handled(hwnd, TRUE);
    // Destroyed while it handles a sent message (WM_ENDSESSION), the window leaves the modal loop
    // waiting for a posted one: the quit ends it.
    case WM_DESTROY: PostQuitMessage(0); return FALSE;
    case WM_DEVICECHANGE: events->OnDeviceChange(wParam); return FALSE;
    case WM_SYSCOMMAND: return events->OnSysCommand(wParam) ? Handled(hwnd, 0) : FALSE;
    case WM_PAINT: events->OnPaint(); return Handled(hwnd, 0);
    case WM_QUERYDRAGICON: return reinterpret_cast<INT_PTR>(events->OnQueryDragIcon());
    case WM_TRAYNOTIFY: return Handled(hwnd, events->OnTrayNotify(wParam, lParam));
    case WM_TIMER: events->OnTimer(wParam); return FALSE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case ID_TRAY_EXIT: events->OnTrayExit(); return TRUE;
        case ID_TRAY_ABOUT: events->OnTrayAbout(); return TRUE;
        // WM_CLOSE arrives as IDCANCEL (an installer, taskkill without /f): ending the dialog
        // here would leave the tray icon behind, so it is Exit.
        case IDOK: case IDCANCEL: events->OnTrayExit(); return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

intptr_t Win32Platform::RunMainDialog(WindowEvents& events) {
  return DialogBoxParamA(m_instance, MAKEINTRESOURCEA(IDD_ZOLVAN_DIALOG), nullptr, &MainDialogProc,
                         reinterpret_cast<LPARAM>(&events));
}

}  // namespace zolvan
