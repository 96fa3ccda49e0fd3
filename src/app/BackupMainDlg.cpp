#include "app/BackupMainDlg.h"

#include <cstdio>

#include "device/BridgeLibrary.h"
#include "res/resource.h"

namespace zolvan {

CBackupMainDlg::CBackupMainDlg(Platform& platform) : m_platform(platform) {
  m_hIcon = m_platform.LoadIconA(IDR_MAINFRAME);
}

CBackupMainDlg::~CBackupMainDlg() {
  if (m_menuTray) m_platform.DestroyMenu(m_menuTray);
}

void CBackupMainDlg::DoDataExchange() {
  char number[16];
  m_platform.SetDlgItemTextA(m_hWnd, IDC_STATUS, m_strStatus.c_str());
  std::snprintf(number, sizeof number, "%d", m_nGpio2Count);
  m_platform.SetDlgItemTextA(m_hWnd, IDC_GPIO2_COUNT, number);
  std::snprintf(number, sizeof number, "%d", m_nLongGpio2Count);
  m_platform.SetDlgItemTextA(m_hWnd, IDC_LONG_GPIO2_COUNT, number);
  m_platform.SetDlgItemTextA(m_hWnd, IDC_LOG, m_strLog.c_str());
}

bool CBackupMainDlg::OnInitDialog() {
  DoDataExchange();

  if (MenuHandle systemMenu = m_platform.GetSystemMenu(m_hWnd)) {
    const std::string about = m_platform.LoadStringA(IDS_ABOUTBOX);
    if (!about.empty()) {
      m_platform.AppendMenuA(systemMenu, win::kMfSeparator, 0, nullptr);
      m_platform.AppendMenuA(systemMenu, win::kMfString, IDM_ABOUTBOX, about.c_str());
    }
  }

  m_platform.SetWindowIcon(m_hWnd, win::kIconBig, m_hIcon);
  m_platform.SetWindowIcon(m_hWnd, win::kIconSmall, m_hIcon);

  LoadBridgeLibrary();
  FindDevices();
  FindHubDrives();
  ResetButtonState();
  return true;
}

void CBackupMainDlg::OnPaint() {
  // Hidden at its first paint and never painted again: the program lives in the tray.
  m_platform.ShowWindow(m_hWnd, win::kSwHide);
}

void CBackupMainDlg::WindowProc(uint32_t message, uintptr_t wParam, intptr_t /*lParam*/) {
  if (message != win::kWmDeviceChange) return;
  // Any device counts, not only the enclosure's: lParam is not looked at.
  switch (wParam) {
    case win::kDbtDeviceArrival:
      RediscoverAndRestartPoll();
      break;
    case win::kDbtDeviceRemoveComplete:
      m_platform.KillTimer(m_hWnd, ID_POLL_TIMER);
      RediscoverAndRestartPoll();
      break;
    default:
      break;
  }
}

void CBackupMainDlg::RediscoverAndRestartPoll() {
  FindDevices();
  FindHubDrives();
  ResetButtonState();
  m_platform.SetTimer(m_hWnd, ID_POLL_TIMER, kPollPeriodMs);
}

void CBackupMainDlg::OnTimer(uintptr_t timerId) {
  if (timerId == ID_POLL_TIMER) PollButtons();
}

void CBackupMainDlg::AppendLog(const char* text) {
  m_strLog += text;
  m_platform.SetDlgItemTextA(m_hWnd, IDC_LOG, m_strLog.c_str());
}

void CBackupMainDlg::LoadBridgeLibrary() {
  // A failure replaces what the log view shows but not m_strLog, so the next AppendLog hides it.
  if (const char* failure = BindBridgeLibrary(m_platform, g_bridgeLibrary))
    m_platform.SetDlgItemTextA(m_hWnd, IDC_LOG, failure);
}

void CBackupMainDlg::ResetButtonState() {
  for (int i = 0; i < kDriveTableSize; ++i) {
    m_nPressTicks[i] = 0;
    m_bFirstTick[i] = 0;
  }
}

// Filled in by the button poll.
void CBackupMainDlg::PollButtons() {}

}  // namespace zolvan
