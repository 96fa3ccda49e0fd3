#include "app/MainDialog.h"

#include "platform/Text.h"
#include "res/resource.h"

namespace zolvan {

MainDialog::MainDialog(Platform& platform)
    : m_platform(platform), m_hIcon(platform.LoadIconA(IDR_MAINFRAME)), m_tray(platform) {}

void MainDialog::OnCreate(WindowHandle window) {
  m_hWnd = window;
  m_tray.Add(window);
}

// The template's texts give way to the dialog's own: an empty status line, both counters at
// their values, an empty log view.
void MainDialog::ShowInitialTexts() {
  m_platform.SetDlgItemTextA(m_hWnd, IDC_STATUS, m_strStatus.c_str());
  m_platform.SetDlgItemTextA(m_hWnd, IDC_GPIO2_COUNT, Format("%d", m_poll.ShortPresses()).c_str());
  m_platform.SetDlgItemTextA(m_hWnd, IDC_LONG_GPIO2_COUNT, Format("%d", m_poll.LongPresses()).c_str());
  m_platform.SetDlgItemTextA(m_hWnd, IDC_LOG, m_strLog.c_str());
}

bool MainDialog::OnInitDialog() {
  ShowInitialTexts();

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
  m_poll.Reset();
  return true;
}

void MainDialog::OnPaint() {
  // Hidden at its first paint and never painted again: the program lives in the tray.
  m_platform.ShowWindow(m_hWnd, win::kSwHide);
}

void MainDialog::OnDeviceChange(uintptr_t event) {
  // Any device counts, not only the enclosure's.
  switch (event) {
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

void MainDialog::RediscoverAndRestartPoll() {
  FindDevices();
  FindHubDrives();
  m_poll.Reset();
  m_platform.SetTimer(m_hWnd, ID_POLL_TIMER, kPollPeriodMs);
}

void MainDialog::OnTimer(uintptr_t timerId) {
  if (timerId == ID_POLL_TIMER) PollButtons();
}

intptr_t MainDialog::OnTrayNotify(uintptr_t iconId, intptr_t mouseMessage) {
  if (iconId == kTrayIconId && (mouseMessage == win::kWmRButtonDown || mouseMessage == win::kWmContextMenu))
    m_tray.ShowMenu();
  return 0;
}

bool MainDialog::OnSysCommand(uintptr_t commandId) {
  if ((commandId & 0xFFF0) != IDM_ABOUTBOX) return false;
  OnTrayAbout();
  return true;
}

void MainDialog::OnTrayAbout() { m_platform.RunModalDialog(IDD_ABOUTBOX, m_hWnd); }

void MainDialog::OnTrayExit() {
  m_tray.Delete();
  m_platform.DestroyWindow(m_hWnd);
}

void MainDialog::AppendLog(const std::string& text) {
  m_strLog += text;
  m_platform.SetDlgItemTextA(m_hWnd, IDC_LOG, m_strLog.c_str());
}

void MainDialog::LoadBridgeLibrary() {
  // A failure replaces what the log view shows but not the log, so the next AppendLog hides it.
  if (const char* failure = m_bridge.Bind(m_platform)) m_platform.SetDlgItemTextA(m_hWnd, IDC_LOG, failure);
}

void MainDialog::FindDevices() {
  const DeviceSearch search = m_bridge.FindDevices();
  if (search.listed) {
    m_strLog.clear();
    m_strStatus = "Device found!";
    m_platform.SetDlgItemTextA(m_hWnd, IDC_STATUS, m_strStatus.c_str());
    for (const std::string& line : search.log) AppendLog(line);
  }
  if (search.recognised == 0) return ReportDeviceNotFound();

  m_strTip = Format("Zolvan Backup Utility     \nZolvan Disk (%s)", search.letters.c_str());
  m_platform.SetTimer(m_hWnd, ID_POLL_TIMER, kPollPeriodMs);
  m_tray.Update(m_strTip.c_str(), IDI_TRAY_BLUE);
}

void MainDialog::ReportDeviceNotFound() {
  m_strStatus = "Zolvan Backup Utility -- Device not found!";
  // Emptied but not redrawn, on purpose: the view keeps the lines of this pass until the next
  // AppendLog replaces them.
  m_strLog.clear();
  m_platform.SetDlgItemTextA(m_hWnd, IDC_STATUS, m_strStatus.c_str());
  m_strTip = m_strStatus;
  m_tray.Update(m_strTip.c_str(), IDI_TRAY_RED);
}

void MainDialog::FindHubDrives() {
  const HubSearch search = m_bridge.FindHubDrives();
  for (const std::string& line : search.log) AppendLog(line);
  if (!search.frontPortFound) return;
  m_strTip = Format("%s , %s", m_strTip.c_str(), search.frontPort.c_str());
  m_tray.Update(m_strTip.c_str(), IDI_TRAY_GREEN);
}

// Filled in by the button poll.
void MainDialog::PollButtons() {}

}  // namespace zolvan
