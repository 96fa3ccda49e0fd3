// What discovery knows of the drives: the bridge's own drives, and every drive on a hub.
#pragma once

#include <cstdint>
#include <cstring>

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

  // Hub drive k is on the given port of the hub named `hub` (byte-identical texts).
  bool IsOnPort(int k, const char* hub, int32_t port) const {
    return IsDriveLetter(driveLetter[k]) && hubPort[k] == port && std::strcmp(hubId[k], hub) == 0;
  }
};

}  // namespace zolvan
