#include "app/TrayIcon.h"

#include "platform/Text.h"
#include "res/resource.h"

namespace zolvan {

namespace {

constexpr const char kInitialTip[] = "Device not found";
constexpr const char kAppName[] = "ZolvanBackup";
constexpr uint32_t kTipIconMessage = win::kNifMessage | win::kNifIcon | win::kNifTip;

}  // namespace

TrayIcon::~TrayIcon() {
  if (m_menu) m_windows.DestroyMenu(m_menu);
}

void TrayIcon::SetIdentity() {
  m_nid.cbSize = kTrayRecordSize;
  m_nid.uID = kTrayIconId;
  m_nid.uCallbackMessage = WM_TRAYNOTIFY;
}

void TrayIcon::Add(WindowHandle window) {
  m_nid.hWnd = window;
  SetIdentity();
  m_nid.hIcon = m_windows.LoadSmallIconA(IDR_MAINFRAME);
  CopyText(m_nid.szTip, kInitialTip);
  m_nid.uFlags = kTipIconMessage;
  m_menu = m_windows.LoadMenuA(IDR_TRAY_MENU);
  // The spelling is the program's own, kept as users have always seen it.
  if (!m_menu) m_windows.MessageBoxA(window, "Unabled to Loa menu", kAppName, win::kMbOk);
  m_windows.Shell_NotifyIconA(win::kNimAdd, m_nid);
}

void TrayIcon::Update(const char* tip, int iconId) {
  CopyText(m_nid.szTip, tip);
  m_nid.hIcon = m_windows.LoadSmallIconA(iconId);
  m_nid.uFlags = kTipIconMessage;
  m_windows.Shell_NotifyIconA(win::kNimModify, m_nid);
}

void TrayIcon::SetTip(const char* tip) {
  CopyText(m_nid.szTip, tip);
  m_nid.uFlags = win::kNifTip;
  m_windows.Shell_NotifyIconA(win::kNimModify, m_nid);
}

bool TrayIcon::ShowBalloon(const char* text, const char* title, int32_t timeoutUnits) {
  SetIdentity();
  CopyText(m_nid.szInfo, text);
  m_nid.dwInfoFlags = win::kNiifNone;
  CopyText(m_nid.szInfoTitle, title);
  m_nid.uTimeout = uint32_t(timeoutUnits) * 100;
  m_nid.uFlags = win::kNifInfo;  // tip and picture stay as they are
  return m_windows.Shell_NotifyIconA(win::kNimModify, m_nid);
}

void TrayIcon::Delete() { m_windows.Shell_NotifyIconA(win::kNimDelete, m_nid); }

void TrayIcon::AddAgain() {
  m_nid.uFlags = kTipIconMessage;  // a balloon left only NIF_INFO in the record
  m_windows.Shell_NotifyIconA(win::kNimAdd, m_nid);
}

void TrayIcon::ShowMenu() {
  const Point cursor = m_windows.GetCursorPos();
  // The window must be foreground before the menu is tracked, or the menu does not close when
  // the user clicks elsewhere.
  m_windows.SetForegroundWindow(m_nid.hWnd);
  if (MenuHandle popup = m_menu ? m_windows.GetSubMenu(m_menu, 0) : nullptr)
    m_windows.TrackPopupMenu(popup, win::kTpmRightButton | win::kTpmBottomAlign, cursor, m_nid.hWnd);
}

}  // namespace zolvan
