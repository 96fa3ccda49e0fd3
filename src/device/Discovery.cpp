// Which drives belong to the enclosure, which hub and port every drive hangs on, and which
// disks sit in the enclosure's front port.
#include <algorithm>
#include <cstring>

#include "device/Bridge.h"
#include "platform/Text.h"

namespace zolvan {

namespace {

// Counts from the library are clamped to the tables they describe.
int32_t Clamp(int32_t count, int32_t capacity) { return std::min(count, capacity); }

}  // namespace

DeviceSearch Bridge::FindDevices() {
  const BridgeLibrary& lib = m_library;
  DriveTables& t = m_tables;
  t.deviceCount = -1;
  t.usbIdCount = -1;
  std::memset(t.deviceLetter, 0, sizeof t.deviceLetter);
  // A drive this pass does not identify is not the enclosure's, whatever an earlier pass found.
  std::memset(t.chipState, 0, sizeof t.chipState);

  if (lib.GetDriveList) t.deviceCount = Clamp(lib.GetDriveList(t.deviceLetter, kDriveTableSize), kDriveTableSize);
  if (lib.GetUsbIdList) t.usbIdCount = Clamp(lib.GetUsbIdList(t.usbId, kUsbIdTableSize), kUsbIdTableSize);
  for (auto& id : t.usbId) id[kUsbIdTextSize - 1] = 0;

  DeviceSearch search;
  if (t.deviceCount <= 0 || t.usbIdCount <= 0) return search;
  search.listed = true;
  for (int i = 0; i < t.deviceCount; ++i) {
    const char letter = t.deviceLetter[i];
    const char* usbId = i < t.usbIdCount ? t.usbId[i] : "";
    search.log.push_back(Format("\r\nDevice %d : << %c >>     %s \r\n", i + 1, LetterForLog(letter), usbId));
    ChipIdentification chip = IdentifyChip(letter);
    search.log.insert(search.log.end(), chip.log.begin(), chip.log.end());
    t.chipState[i] = chip.state;
    if (chip.state != 0) {
      search.letters += Format(i < t.deviceCount - 1 ? "%c: ," : "%c:", letter);
      ++search.recognised;
    }
  }
  return search;
}

HubSearch Bridge::FindHubDrives() {
  const BridgeLibrary& lib = m_library;
  DriveTables& t = m_tables;
  t.driveCount = -1;
  std::memset(t.driveLetter, 0, sizeof t.driveLetter);
  std::memset(t.hubId, 0, sizeof t.hubId);

  HubSearch search;
  if (lib.GetAllDriveList) t.driveCount = Clamp(lib.GetAllDriveList(t.driveLetter, kDriveTableSize), kDriveTableSize);
  if (t.driveCount <= 0) return search;

  for (int k = 0; k < t.driveCount; ++k) {
    const char letter = t.driveLetter[k];
    char hubId[kHubIdTextSize] = {};
    int32_t port = 0;
    if (IsDriveLetter(letter)) {
      if (lib.GetAllDrivesHub) lib.GetAllDrivesHub(letter, hubId);
      if (lib.GetAllDrivesHubPort) lib.GetAllDrivesHubPort(letter, &port);
    }
    hubId[kHubIdTextSize - 1] = 0;
    std::memcpy(t.hubId[k], hubId, sizeof hubId);
    t.hubPort[k] = port;
    search.log.push_back(Format("\r\n%dth Drive: %s Port:%d  << %c >> \r\n", k, hubId, port, LetterForLog(letter)));
  }
  search.frontPortFound = FindFrontPortDisks(search.frontPort);
  return search;
}

bool Bridge::FindFrontPortDisks(std::string& frontPort) const {
  const DriveTables& t = m_tables;
  std::string list;
  bool found = false;
  for (int i = 0; i < t.deviceCount; ++i) {
    for (char disk : t.FrontPortDisksOf(t.deviceLetter[i])) {
      found = true;
      const std::string name = Format("%c:", disk);
      if (list.find(name) == std::string::npos) list += name;
    }
  }
  frontPort = Format("Front Port Disk (%s)", list.c_str());
  return found;
}

}  // namespace zolvan
