// A scripted JMUsbDll: plain C entry points answering from the one FakeBridge that serves
// them, logging every call into the test's call list.
#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "FakePlatform.h"
#include "device/BridgeLibrary.h"

namespace zolvan::test {

// The device id of a USB hub, as the library gives it for the disks behind its ports.
inline constexpr char kHub[] = "USB\\VID_05E3&PID_0610\\5&2A1B3C4D&0&1";

struct FakeBridge {
  // Lists: the count returned, and the bytes written (never more than the capacity given).
  int32_t driveCount = 0;
  std::string driveLetters;
  int32_t usbIdCount = 0;
  std::vector<std::string> usbIds;  // written as they stand, up to 64 bytes, NUL only if shorter
  int32_t allCount = 0;
  std::string allLetters;
  std::map<char, std::string> hubs;  // written as they stand, up to 128 bytes
  std::map<char, int32_t> ports;
  struct Inquiry {
    int32_t result;
    std::string marker;
  };
  std::map<char, Inquiry> inquiries;
  struct Chip {
    int32_t result;
    std::vector<uint8_t> bytes;
  };
  std::map<char, Chip> chips;
  // Button readings per drive, one per ATACBExecute, the last one then stays: 'U' released,
  // 'D' held, 'F' the call fails, 'S' the call succeeds with the block's failure bit set.
  // A drive without readings reads released.
  std::map<char, std::string> buttons;

  std::vector<std::string>* log = nullptr;

  static FakeBridge*& Current() {
    static FakeBridge* current = nullptr;
    return current;
  }

  // Offers the entry points through the fake platform's loader, as the library file would,
  // except those named in `lacking`.
  void Serve(FakePlatform& platform, const std::set<std::string>& lacking = {}) {
    platform.loadableFiles.insert("JMUsbDll.dll");
    platform.exports = Exports(platform.calls);
    for (const std::string& name : lacking) platform.exports.erase(name);
  }

  // The entry points by name, as the library would export them.
  std::map<std::string, void*> Exports(std::vector<std::string>& callLog) {
    Current() = this;
    log = &callLog;
    return {
        {"GetDriveList", reinterpret_cast<void*>(&GetDriveList)},
        {"GetUsbIdList", reinterpret_cast<void*>(&GetUsbIdList)},
        {"ATACBExecute", reinterpret_cast<void*>(&ATACBExecute)},
        {"ATACBExecuteEx", reinterpret_cast<void*>(&NeverCalled)},
        {"GetAllDriveList", reinterpret_cast<void*>(&GetAllDriveList)},
        {"GetAllDrivesHub", reinterpret_cast<void*>(&GetAllDrivesHub)},
        {"GetAllDrivesHubPort", reinterpret_cast<void*>(&GetAllDrivesHubPort)},
        {"JMSafeRemove", reinterpret_cast<void*>(&NeverCalled)},
        {"JMSafeRemoveEx", reinterpret_cast<void*>(&NeverCalled)},
        {"JMGetChipInfo", reinterpret_cast<void*>(&JMGetChipInfo)},
        {"JMInquiry", reinterpret_cast<void*>(&JMInquiry)},
    };
  }

  // A recognised JM20336 bridge behind `letter`.
  void Recognise(char letter, std::vector<uint8_t> version = {1, 0, 2, 5, 0, 7}) {
    inquiries[letter] = {0, "j336"};
    std::vector<uint8_t> bytes = {0xF4, 0xE7, 0x0E, 0x9C, 0x00, 0xA3};
    bytes.insert(bytes.end(), version.begin(), version.end());
    chips[letter] = {12, bytes};
  }

  void Bridge(const std::string& letters) {
    driveCount = int32_t(letters.size());
    driveLetters = letters;
    usbIdCount = driveCount;
    usbIds.clear();
    for (char c : letters) usbIds.push_back(std::string("USB\\VID_0E9C&PID_00A3\\") + c);
  }

  void OnHub(char letter, const std::string& hub, int32_t port) {
    allLetters += letter;
    allCount = int32_t(allLetters.size());
    hubs[letter] = hub;
    ports[letter] = port;
  }

 private:
  static void Log(const std::string& call) { Current()->log->push_back(call); }
  static std::string L(char c) { return std::string(1, c ? c : '0'); }

  static int32_t GetDriveList(char* letters, int32_t capacity) {
    Log("GetDriveList " + std::to_string(capacity));
    const FakeBridge& f = *Current();
    std::memcpy(letters, f.driveLetters.data(), std::min<size_t>(f.driveLetters.size(), size_t(capacity)));
    return f.driveCount;
  }
  static int32_t GetUsbIdList(UsbIdText* ids, int32_t capacity) {
    Log("GetUsbIdList " + std::to_string(capacity));
    const FakeBridge& f = *Current();
    for (size_t i = 0; i < f.usbIds.size() && i < size_t(capacity); ++i) {
      const std::string& id = f.usbIds[i];
      std::memcpy(ids[i], id.c_str(), std::min(id.size() + 1, sizeof(UsbIdText)));
    }
    return f.usbIdCount;
  }
  static int32_t GetAllDriveList(char* letters, int32_t capacity) {
    Log("GetAllDriveList " + std::to_string(capacity));
    const FakeBridge& f = *Current();
    std::memcpy(letters, f.allLetters.data(), std::min<size_t>(f.allLetters.size(), size_t(capacity)));
    return f.allCount;
  }
  static int32_t GetAllDrivesHub(char letter, char* hubId) {
    Log("GetAllDrivesHub " + L(letter));
    const FakeBridge& f = *Current();
    auto it = f.hubs.find(letter);
    if (it != f.hubs.end()) std::memcpy(hubId, it->second.c_str(), std::min<size_t>(it->second.size() + 1, kHubIdTextSize));
    return 1;
  }
  static int32_t GetAllDrivesHubPort(char letter, int32_t* port) {
    Log("GetAllDrivesHubPort " + L(letter));
    const FakeBridge& f = *Current();
    auto it = f.ports.find(letter);
    if (it != f.ports.end()) *port = it->second;
    return 1;
  }
  static int32_t JMInquiry(char letter, InquiryData* data, int32_t size) {
    Log("JMInquiry " + L(letter) + " " + std::to_string(size));
    const FakeBridge& f = *Current();
    auto it = f.inquiries.find(letter);
    if (it == f.inquiries.end()) return -1;
    std::memcpy(data->marker, it->second.marker.data(), std::min<size_t>(4, it->second.marker.size()));
    return it->second.result;
  }
  static int32_t JMGetChipInfo(char letter, ChipInfo* info, int32_t size) {
    Log("JMGetChipInfo " + L(letter) + " " + std::to_string(size));
    const FakeBridge& f = *Current();
    auto it = f.chips.find(letter);
    if (it == f.chips.end()) return 0;
    std::memcpy(info, it->second.bytes.data(), std::min<size_t>(sizeof(ChipInfo), it->second.bytes.size()));
    return it->second.result;
  }
  static int32_t ATACBExecute(char letter, AtacbBlock* block, uint8_t* data, int32_t length, int32_t flags) {
    // The program's block is the GPIO read and nothing else: built afresh, so no status left.
    const uint8_t* raw = reinterpret_cast<const uint8_t*>(block);
    bool fresh = block->header == 1 && block->transfer == 2 && block->command == 0xFF;
    for (size_t i = 8; i < sizeof(AtacbBlock); ++i)
      if (i != 19 && raw[i] != 0) fresh = false;
    Log("ATACBExecute " + L(letter) + (fresh && length == 2 && flags == 0 ? "" : " UNEXPECTED BLOCK"));
    std::string& queue = Current()->buttons[letter];
    const char reading = queue.empty() ? 'U' : queue[0];
    if (queue.size() > 1) queue.erase(0, 1);
    switch (reading) {
      case 'F':
        return 1;
      case 'S':
        block->status |= 0x04;
        data[0] = 0xFF;
        return 0;
      case 'D':
        data[0] = 0xFB;  // every input high but the button's
        return 0;
      default:
        data[0] = 0x04;
        return 0;
    }
  }
  static int32_t NeverCalled() {
    Log("NEVER CALLED ENTRY POINT");
    return -1;
  }
};

}  // namespace zolvan::test
