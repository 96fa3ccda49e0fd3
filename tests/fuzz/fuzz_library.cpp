// Any answers of the maker's library - counts, letters, identity and hub texts without NULs,
// inquiry and chip records, results, button readings - fed to the program's start-up, discovery,
// identification and button poll. Nothing reads or writes out of bounds (ASan, UBSan), every
// table count stays within its table, and only letters A-Z reach a path or a command line.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "NullPlatform.h"
#include "Require.h"
#include "app/MainDialog.h"

namespace {

using namespace zolvan;

// The input, read from the front as the library's answers are asked for; zeros once it is used up.
struct Answers {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t at = 0;
  uint8_t Byte() { return at < size ? data[at++] : 0; }
  int32_t Int() {
    const uint8_t kind = Byte();
    if (kind < 200) return int32_t(kind % 40) - 5;  // mostly small counts and results, some negative
    int32_t n = 0;
    for (int i = 0; i < 4; ++i) n = (n << 8) | Byte();
    return n;
  }
  void Bytes(void* out, size_t count) {
    for (size_t i = 0; i < count; ++i) static_cast<uint8_t*>(out)[i] = Byte();
  }
};

Answers g_answers;

extern "C" int32_t FuzzList(char* letters, int32_t capacity) {
  Require(capacity == kDriveTableSize);
  g_answers.Bytes(letters, size_t(capacity));
  return g_answers.Int();
}
extern "C" int32_t FuzzUsbIds(UsbIdText* ids, int32_t capacity) {
  Require(capacity == kUsbIdTableSize);
  const int filled = g_answers.Byte() % 4;
  for (int i = 0; i < filled; ++i) g_answers.Bytes(ids[i], sizeof(UsbIdText));  // no NUL needed
  return g_answers.Int();
}
extern "C" int32_t FuzzHub(char letter, char* hubId) {
  Require(letter >= 'A' && letter <= 'Z');
  g_answers.Bytes(hubId, g_answers.Byte() % 2 ? kHubIdTextSize : 8);
  return g_answers.Int();
}
extern "C" int32_t FuzzPort(char letter, int32_t* port) {
  Require(letter >= 'A' && letter <= 'Z');
  *port = g_answers.Byte() % 4;
  return g_answers.Int();
}
extern "C" int32_t FuzzInquiry(char letter, InquiryData* inquiry, int32_t size) {
  Require(letter >= 'A' && letter <= 'Z' && size == sizeof(InquiryData));
  if (g_answers.Byte() % 2) std::memcpy(inquiry->marker, "j336", 4);
  else g_answers.Bytes(inquiry->marker, 4);
  return g_answers.Int();
}
extern "C" int32_t FuzzChip(char letter, ChipInfo* chip, int32_t size) {
  Require(letter >= 'A' && letter <= 'Z' && size == sizeof(ChipInfo));
  const uint8_t good[12] = {0xF4, 0xE7, 0x0E, 0x9C, 0x00, 0xA3, 1, 0, 2, 5, 0, 7};
  if (g_answers.Byte() % 2) std::memcpy(chip, good, sizeof good);
  else g_answers.Bytes(chip, sizeof(ChipInfo));
  return g_answers.Int();
}
extern "C" int32_t FuzzAtacb(char letter, AtacbBlock* block, uint8_t* data, int32_t length, int32_t) {
  Require(letter >= 'A' && letter <= 'Z' && length == 2);
  block->status = g_answers.Byte();
  g_answers.Bytes(data, 4);
  return g_answers.Int();
}

class CheckingPlatform : public bench::LibraryPlatform {
 public:
  CheckingPlatform()
      : LibraryPlatform({{"GetDriveList", bench::Entry(&FuzzList)},
                         {"GetAllDriveList", bench::Entry(&FuzzList)},
                         {"GetUsbIdList", bench::Entry(&FuzzUsbIds)},
                         {"GetAllDrivesHub", bench::Entry(&FuzzHub)},
                         {"GetAllDrivesHubPort", bench::Entry(&FuzzPort)},
                         {"JMInquiry", bench::Entry(&FuzzInquiry)},
                         {"JMGetChipInfo", bench::Entry(&FuzzChip)},
                         {"ATACBExecute", bench::Entry(&FuzzAtacb)}}) {}

  // A path or command line is only ever made of a letter A-Z.
  int SHFileOperationA(ShellFileOperation& op) override {
    Require(op.pFrom[0] >= 'A' && op.pFrom[0] <= 'Z' && op.pTo[0] >= 'A' && op.pTo[0] <= 'Z');
    return 0;
  }
  ProcessHandle StartProgram(const char*, const char* commandLine) override {
    Require(std::strlen(commandLine) == 22 && commandLine[16] >= 'A' && commandLine[16] <= 'Z');
    return nullptr;
  }
  void SetDlgItemTextA(WindowHandle, int, const char* text) override { Require(text != nullptr); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Discovery on its own: its counts stay within the tables they describe.
  g_answers = Answers{data, size, 0};
  CheckingPlatform platform;
  Bridge bridge;
  Require(bridge.Bind(platform) == nullptr);
  bridge.FindDevices();
  bridge.FindHubDrives();
  const DriveTables& tables = bridge.Tables();
  Require(tables.deviceCount <= kDriveTableSize);
  Require(tables.usbIdCount <= kUsbIdTableSize);
  Require(tables.driveCount <= kDriveTableSize);
  for (int i = 0; i < tables.deviceCount; ++i)
    for (char disk : tables.FrontPortDisksOf(tables.deviceLetter[i])) Require(disk >= 'A' && disk <= 'Z');

  // The whole program on the same answers.
  g_answers = Answers{data, size, 0};
  MainDialog dialog(platform);
  dialog.OnCreate(reinterpret_cast<WindowHandle>(1));
  dialog.OnInitDialog();
  // Polls, removal checks and rediscoveries, as long as the answers last.
  for (int tick = 0; tick < 64 && g_answers.at < size; ++tick) {
    switch (g_answers.Byte() % 8) {
      case 0: dialog.OnDeviceChange(0x8000); break;
      case 1: dialog.OnTimer(ID_REMOVAL_TIMER); break;
      default: dialog.OnTimer(ID_POLL_TIMER); break;
    }
  }
  return 0;
}
