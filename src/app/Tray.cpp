// The tray icon, its menu, the About box and the system-menu entry.
#include <cstdio>

#include "app/AboutDlg.h"
#include "app/BackupMainDlg.h"
#include "res/resource.h"

namespace zolvan {

namespace {

constexpr const char kInitialTip[] = "Device not found";
constexpr uint32_t kTipIconMessage = win::kNifMessage | win::kNifIcon | win::kNifTip;

// Cut to the field and always terminated.
template <size_t N>
void CopyText(char (&field)[N], const char* text) {
  std::snprintf(field, N, "%s", text);
}

}  // namespace

int CBackupMainDlg::OnCreate(bool defaultCreateSucceeded) {
  if (!defaultCreateSucceeded) return -1;
  AddTrayIcon();
  return 0;
}

void CBackupMainDlg::SetTrayIdentity() {
  m_nid.cbSize = kTrayRecordSize;
  m_nid.hWnd = m_hWnd;
  m_nid.uID = kTrayIconId;
  m_nid.uCallbackMessage = WM_TRAYNOTIFY;
}

void CBackupMainDlg::AddTrayIcon() {
  SetTrayIdentity();
  m_nid.hIcon = m_platform.LoadIconA(IDR_MAINFRAME);
  CopyText(m_nid.szTip, kInitialTip);
  m_nid.uFlags = kTipIconMessage;
  m_menuTray = m_platform.LoadMenuA(IDR_TRAY_MENU);
  if (!m_menuTray) m_platform.MessageBoxA(m_hWnd, "Unabled to Loa menu", kAppName, win::kMbOk);
  m_platform.Shell_NotifyIconA(win::kNimAdd, m_nid);
}

void CBackupMainDlg::UpdateTrayIcon(const char* tip, int iconId) {
  CopyText(m_nid.szTip, tip);
  m_nid.hIcon = m_platform.LoadIconA(iconId);
  m_nid.uFlags = kTipIconMessage;
  m_platform.Shell_NotifyIconA(win::kNimModify, m_nid);
}

bool CBackupMainDlg::ShowTrayBalloon(const char* text, const char* title, int32_t timeoutUnits) {
  SetTrayIdentity();
  CopyText(m_nid.szInfo, text);
  m_nid.dwInfoFlags = win::kNiifNone;
  CopyText(m_nid.szInfoTitle, title);
  m_nid.uTimeout = uint32_t(timeoutUnits) * 100;
  m_nid.uFlags = win::kNifInfo;  // tip and picture stay as they are
  return m_platform.Shell_NotifyIconA(win::kNimModify, m_nid);
}

intptr_t CBackupMainDlg::OnTaskbarCreated() {
  m_nid.uFlags = kTipIconMessage;
  m_platform.Shell_NotifyIconA(win::kNimAdd, m_nid);
  return 0;
}

intptr_t CBackupMainDlg::OnTrayNotify(uintptr_t wParam, intptr_t lParam) {
  if (wParam != kTrayIconId) return 0;
  if (lParam != win::kWmRButtonDown && lParam != win::kWmContextMenu) return 0;
  const Point cursor = m_platform.GetCursorPos();
  // The window must be foreground before the menu is tracked, or the menu does not close when
  // the user clicks elsewhere.
  m_platform.SetForegroundWindow(m_hWnd);
  if (MenuHandle popup = m_menuTray ? m_platform.GetSubMenu(m_menuTray, 0) : nullptr)
    m_platform.TrackPopupMenu(popup, win::kTpmRightButton | win::kTpmBottomAlign, cursor, m_hWnd);
  return 0;
}

void CBackupMainDlg::OnTrayAbout() {
  CAboutDlg about(m_platform);
  about.DoModal(m_hWnd);
}

bool CBackupMainDlg::OnSysCommand(uintptr_t commandId, intptr_t /*lParam*/) {
  if ((commandId & 0xFFF0) != IDM_ABOUTBOX) return false;
  OnTrayAbout();
  return true;
}

void CBackupMainDlg::OnTrayExit() {
  m_platform.Shell_NotifyIconA(win::kNimDelete, m_nid);
  m_platform.DestroyWindow(m_hWnd);
}

}  // namespace zolvan
