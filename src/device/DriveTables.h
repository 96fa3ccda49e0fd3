// What discovery knows of the drives: the bridge's own drives, and every drive on a hub.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "device/BridgeApi.h"

namespace zolvan {

inline constexpr int32_t kChipRecognised = 2;  // identification result of the enclosure's bridge
inline constexpr int32_t kFrontPort = 2;       // the hub port of the enclosure's front port

struct DriveTables {
  // The bridge's drives (GetDriveList): letter, USB identity and identification result of each.
  // Counts are -1 until a pass has listed them; entries 0 to count - 1 are valid.
  int32_t deviceCount = -1;
  int32_t usbIdCount = -1;
  char deviceLetter[kDriveTableSize] = {};
  UsbIdText usbId[kUsbIdTableSize] = {};
  int32_t chipState[kDriveTableSize] = {};

  // Every drive the library places on a hub (GetAllDriveList): letter, hub instance ID, hub port.
  int32_t driveCount = -1;
  char driveLetter[kDriveTableSize] = {};
  char hubId[kDriveTableSize][kHubIdTextSize] = {};
  int32_t hubPort[kDriveTableSize] = {};

  // The hub instance ID of the first hub drive with this letter; null when there is none.
  const char* FindHubId(char letter) const {
    for (int k = 0; k < driveCount; ++k)
      if (driveLetter[k] == letter) return hubId[k];
    return nullptr;
  }

  // The letters of the hub drives on the same hub and port as `letter`: the volumes of its
  // device, the letter first. A drive whose hub the library did not name is a device of its own.
  std::string VolumesOf(char letter) const {
    std::string volumes(1, letter);
    int at = 0;
    while (at < driveCount && driveLetter[at] != letter) ++at;
    if (at >= driveCount || !hubId[at][0]) return volumes;
    for (int k = 0; k < driveCount; ++k)
      if (IsDriveLetter(driveLetter[k]) && driveLetter[k] != letter && hubPort[k] == hubPort[at] &&
          std::strcmp(hubId[k], hubId[at]) == 0)
        volumes += driveLetter[k];
    return volumes;
  }

  // The letters of the hub drives in the front port of the hub that `letter` hangs on, in table
  // order, each once. A drive whose hub the library did not name shares no hub with any other.
  std::string FrontPortDisksOf(char letter) const {
    std::string disks;
    const char* hub = FindHubId(letter);
    if (!hub || !*hub) return disks;
    for (int k = 0; k < driveCount; ++k)
      if (IsDriveLetter(driveLetter[k]) && hubPort[k] == kFrontPort && std::strcmp(hubId[k], hub) == 0 &&
          disks.find(driveLetter[k]) == std::string::npos)
        disks += driveLetter[k];
    return disks;
  }
};

}  // namespace zolvan
