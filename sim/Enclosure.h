// The enclosure the simulated JMUsbDll.dll plays, read from a small text file:
//
//   # comment
//   drive E                      a drive; the lines below describe it
//     bridge 1                   listed by GetDriveList (the bridge's own drives)
//     usbid USB\VID_0E9C&PID_00A3\0001
//     marker j336                bytes 36-39 of the inquiry answer
//     inquiry 0                  JMInquiry result
//     chip F4 E7 0E 9C 00 A3 01 00 02 05 00 07
//     chipresult 12              JMGetChipInfo result
//     hub USB\ROOT_HUB30\4&1&0   listed by GetAllDriveList with this hub instance ID
//     port 1                     hub port
//     buttons 1 1 0 1            button levels, one per read (1 up, 0 pressed, x read fails);
//                                the last one then stays
//   usbidcount 0                 overrides the GetUsbIdList count
//   failing                      every call fails: lists count -1, reads and records fail
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "device/BridgeApi.h"

namespace zolvan::sim {

enum class Level { Released, Pressed, ReadFails };

struct Drive {
  char letter = 0;
  bool bridge = false;
  std::string usbId;
  std::string marker;
  int32_t inquiryResult = 0;
  std::vector<uint8_t> chip;
  int32_t chipResult = 12;
  bool onHub = false;
  std::string hub;
  int32_t port = 0;
  std::deque<Level> buttons;  // front is the next read; the last one stays
};

class Enclosure {
 public:
  static Enclosure Parse(const std::string& text);

  int32_t GetDriveList(char* letters, int32_t capacity) const;
  int32_t GetUsbIdList(UsbIdText* ids, int32_t capacity) const;
  int32_t ATACBExecute(char letter, AtacbBlock* block, uint8_t* data, int32_t length);
  int32_t GetAllDriveList(char* letters, int32_t capacity) const;
  int32_t GetAllDrivesHub(char letter, char* hubId) const;
  int32_t GetAllDrivesHubPort(char letter, int32_t* port) const;
  int32_t JMGetChipInfo(char letter, ChipInfo* info, int32_t size) const;
  int32_t JMInquiry(char letter, InquiryData* data, int32_t size) const;

 private:
  const Drive* Find(char letter) const;
  Drive* Find(char letter);

  std::vector<Drive> m_drives;
  int32_t m_usbIdCount = -1;  // -1: one per bridge drive
  bool m_failing = false;
};

}  // namespace zolvan::sim
