#pragma once

#include <cstdint>
#include <string>

#include "app/TrayIconData.h"
#include "device/BridgeApi.h"
#include "platform/Platform.h"

namespace zolvan {

inline constexpr uintptr_t ID_POLL_TIMER = 1;
inline constexpr uint32_t kPollPeriodMs = 300;
inline constexpr uint32_t WM_TRAYNOTIFY = win::kWmUser + 1;
inline constexpr const char kAppName[] = "ZolvanBackup";

// The main dialog (template 102). It owns every long-lived datum and handles every message;
// the Win32 layer forwards each message to the handler of the same name.
class CBackupMainDlg {
 public:
  explicit CBackupMainDlg(Platform& platform);
  ~CBackupMainDlg();
  CBackupMainDlg(const CBackupMainDlg&) = delete;
  CBackupMainDlg& operator=(const CBackupMainDlg&) = delete;

  // Called by the window layer as soon as the window exists, before WM_CREATE.
  void Attach(WindowHandle window) { m_hWnd = window; }
  WindowHandle GetSafeHwnd() const { return m_hWnd; }

  // Seen for every message ahead of the handlers below: takes device changes.
  void WindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam);
  int OnCreate(bool defaultCreateSucceeded);
  bool OnInitDialog();
  void OnPaint();
  IconHandle OnQueryDragIcon() const { return m_hIcon; }
  void OnTimer(uintptr_t timerId);
  intptr_t OnTrayNotify(uintptr_t wParam, intptr_t lParam);
  bool OnSysCommand(uintptr_t commandId, intptr_t lParam);  // false: default handling
  void OnTrayAbout();
  void OnTrayExit();
  // The shell restarted (the registered "TaskbarCreated" message): its icons are gone.
  intptr_t OnTaskbarCreated();

  void AppendLog(const char* text);

  // Bridge library, discovery, button poll, tray.
  void LoadBridgeLibrary();
  void FindDevices();
  void FindHubDrives();
  bool FindFrontPortDisks();
  int32_t IdentifyChip(char letter);
  void ResetButtonState();
  void StartBackup(char source, char target);
  void PollButtons();
  void AddTrayIcon();
  void UpdateTrayIcon(const char* tip, int iconId);
  bool ShowTrayBalloon(const char* text, const char* title, int32_t timeoutUnits);

  // Fields, in declaration order.
  IconHandle m_hIcon = nullptr;
  int32_t m_nDeviceCount = -1;
  int32_t m_nUsbIdCount = -1;
  int32_t m_nDriveCount = -1;
  char m_cDriveLetter[kDriveTableSize] = {};
  char m_szHubId[kDriveTableSize][kHubIdTextSize] = {};
  int32_t m_nHubPort[kDriveTableSize] = {};
  char m_cDeviceLetter[kDriveTableSize] = {};
  char m_szUsbId[kUsbIdTableSize][kUsbIdTextSize] = {};
  int32_t m_nChipState[kDriveTableSize] = {};
  std::string m_strStatus;
  std::string m_strLog;
  std::string m_strTip;
  std::string m_strFrontPort;
  std::string m_strPid;
  std::string m_strVid;
  std::string m_strVersion;
  int32_t m_nPressTicks[kDriveTableSize] = {};
  int32_t m_nGpio2Count = 0;
  int32_t m_nLongGpio2Count = 0;
  uint8_t m_bFirstTick[kDriveTableSize] = {};
  TrayIconData m_nid;
  MenuHandle m_menuTray = nullptr;

 private:
  void DoDataExchange();
  void ReportDeviceNotFound();
  void SetTrayIdentity();  // size, window, icon id and callback message of the tray record
  const char* HubIdOf(char letter) const;
  void RediscoverAndRestartPoll();

  Platform& m_platform;
  WindowHandle m_hWnd = nullptr;
};

}  // namespace zolvan
