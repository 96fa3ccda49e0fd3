// Which drives belong to the enclosure, which hub and port every drive hangs on, and which
// disks sit in the enclosure's front port.
#include <algorithm>
#include <cstring>

#include "app/BackupMainDlg.h"
#include "app/Format.h"
#include "device/BridgeLibrary.h"
#include "res/resource.h"

namespace zolvan {

namespace {

constexpr int32_t kFrontPort = 2;

// Counts from the library are clamped to the tables they describe.
int32_t Clamp(int32_t count, int32_t capacity) { return std::min(count, capacity); }

}  // namespace

void CBackupMainDlg::FindDevices() {
  const BridgeLibrary& lib = g_bridgeLibrary;
  m_nDeviceCount = -1;
  m_nUsbIdCount = -1;
  std::memset(m_cDeviceLetter, 0, sizeof m_cDeviceLetter);

  if (lib.GetDriveList) m_nDeviceCount = Clamp(lib.GetDriveList(m_cDeviceLetter, kDriveTableSize), kDriveTableSize);
  if (lib.GetUsbIdList) m_nUsbIdCount = Clamp(lib.GetUsbIdList(m_szUsbId, kUsbIdTableSize), kUsbIdTableSize);
  for (auto& id : m_szUsbId) id[kUsbIdTextSize - 1] = 0;

  if (m_nDeviceCount <= 0 || m_nUsbIdCount <= 0) return ReportDeviceNotFound();

  m_strLog.clear();
  m_strStatus = "Device found!";
  m_platform.SetDlgItemTextA(m_hWnd, IDC_STATUS, m_strStatus.c_str());

  std::string letters;
  int found = 0;
  for (int i = 0; i < m_nDeviceCount; ++i) {
    const char letter = m_cDeviceLetter[i];
    const char* usbId = i < m_nUsbIdCount ? m_szUsbId[i] : "";
    AppendLog(Format("\r\nDevice %d : << %c >>     %s \r\n", i + 1, LetterForLog(letter), usbId).c_str());
    m_nChipState[i] = IdentifyChip(letter);
    if (m_nChipState[i] != 0) {
      letters += Format(i < m_nDeviceCount - 1 ? "%c: ," : "%c:", letter);
      ++found;
    }
  }
  if (found == 0) return ReportDeviceNotFound();

  m_strTip = Format("Zolvan Backup Utility     \nZolvan Disk (%s)", letters.c_str());
  m_platform.SetTimer(m_hWnd, ID_POLL_TIMER, kPollPeriodMs);
  UpdateTrayIcon(m_strTip.c_str(), IDI_TRAY_BLUE);
}

void CBackupMainDlg::ReportDeviceNotFound() {
  m_strStatus = "Zolvan Backup Utility -- Device not found!";
  // Emptied but not redrawn: the view keeps what it showed until the next AppendLog.
  m_strLog.clear();
  m_platform.SetDlgItemTextA(m_hWnd, IDC_STATUS, m_strStatus.c_str());
  m_strTip = m_strStatus;
  UpdateTrayIcon(m_strTip.c_str(), IDI_TRAY_RED);
}

void CBackupMainDlg::FindHubDrives() {
  const BridgeLibrary& lib = g_bridgeLibrary;
  m_nDriveCount = -1;
  std::memset(m_cDriveLetter, 0, sizeof m_cDriveLetter);
  std::memset(m_szHubId, 0, sizeof m_szHubId);

  if (lib.GetAllDriveList) m_nDriveCount = Clamp(lib.GetAllDriveList(m_cDriveLetter, kDriveTableSize), kDriveTableSize);
  if (m_nDriveCount <= 0) return;

  for (int k = 0; k < m_nDriveCount; ++k) {
    const char letter = m_cDriveLetter[k];
    char hubId[kHubIdTextSize] = {};
    int32_t port = 0;
    if (IsDriveLetter(letter)) {
      if (lib.GetAllDrivesHub) lib.GetAllDrivesHub(letter, hubId);
      if (lib.GetAllDrivesHubPort) lib.GetAllDrivesHubPort(letter, &port);
    }
    hubId[kHubIdTextSize - 1] = 0;
    std::memcpy(m_szHubId[k], hubId, sizeof hubId);
    m_nHubPort[k] = port;
    AppendLog(Format("\r\n%dth Drive: %s Port:%d  << %c >> \r\n", k, hubId, port, LetterForLog(letter)).c_str());
  }

  if (FindFrontPortDisks()) {
    m_strTip = Format("%s , %s", m_strTip.c_str(), m_strFrontPort.c_str());
    UpdateTrayIcon(m_strTip.c_str(), IDI_TRAY_GREEN);
  }
}

const char* CBackupMainDlg::HubIdOf(char letter) const {
  for (int k = 0; k < m_nDriveCount; ++k)
    if (m_cDriveLetter[k] == letter) return m_szHubId[k];
  return "";
}

bool CBackupMainDlg::FindFrontPortDisks() {
  std::string list;
  int matches = 0;
  for (int i = 0; i < m_nDeviceCount; ++i) {
    const char* hubId = HubIdOf(m_cDeviceLetter[i]);
    for (int k = 0; k < m_nDriveCount; ++k) {
      if (!IsDriveLetter(m_cDriveLetter[k])) continue;
      if (std::strcmp(m_szHubId[k], hubId) != 0 || m_nHubPort[k] != kFrontPort) continue;
      ++matches;
      const std::string disk = Format("%c:", m_cDriveLetter[k]);
      if (list.find(disk) == std::string::npos) list += disk;
    }
  }
  m_strFrontPort = Format("Front Port Disk (%s)", list.c_str());
  return matches > 0;
}

}  // namespace zolvan
