// The interface of the enclosure maker's JMUsbDll.dll: its records and its entry points.
// The entry points are one list; the binding, the function-pointer record and the simulator's
// exports are all generated from it.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define ZOLVAN_CDECL __cdecl
#else
#define ZOLVAN_CDECL
#endif

namespace zolvan {

inline constexpr int kDriveTableSize = 27;   // letters A-Z and a spare, as the library expects
inline constexpr int kUsbIdTableSize = 256;
inline constexpr int kUsbIdTextSize = 64;
inline constexpr int kHubIdTextSize = 128;

// ATA command block, built by the caller; bit 2 of `status` is set by the library on failure.
struct AtacbBlock {
  uint32_t header;        // always 1
  uint32_t transfer;      // always 2
  uint8_t status;
  uint8_t reserved1[10];
  uint8_t command;        // always 0xFF
  uint8_t reserved2[4];
};
static_assert(sizeof(AtacbBlock) == 24);
static_assert(offsetof(AtacbBlock, header) == 0);
static_assert(offsetof(AtacbBlock, transfer) == 4);
static_assert(offsetof(AtacbBlock, status) == 8);
static_assert(offsetof(AtacbBlock, command) == 19);

struct ChipInfo {
  uint8_t signature[2];   // 0xF4 0xE7
  uint8_t vendorId[2];    // most significant byte first
  uint8_t productId[2];   // most significant byte first
  uint8_t version[6];
};
static_assert(sizeof(ChipInfo) == 12);
static_assert(offsetof(ChipInfo, vendorId) == 2);
static_assert(offsetof(ChipInfo, productId) == 4);
static_assert(offsetof(ChipInfo, version) == 6);

struct InquiryData {
  uint8_t reserved[36];
  char marker[4];         // "j336" on the enclosure's bridge
};
static_assert(sizeof(InquiryData) == 40);
static_assert(offsetof(InquiryData, marker) == 36);

using UsbIdText = char[kUsbIdTextSize];

// Letters come from the library and are untrusted: only 'A'-'Z' is ever identified, polled, put
// into a path or a command line, or removed.
inline bool IsDriveLetter(char c) { return c >= 'A' && c <= 'Z'; }

// A letter as the log shows it: as it stands, except NUL, which a text cannot carry.
inline char LetterForLog(char c) { return c ? c : ' '; }

// X(binding group, name, parameters, arguments), in lookup order.
// ATACBExecuteEx, JMSafeRemove and JMSafeRemoveEx must exist but are never called.
#define ZOLVAN_BRIDGE_ENTRY_POINTS(X)                                                      \
  X(1, GetDriveList, (char* letters, int32_t capacity), (letters, capacity))               \
  X(1, GetUsbIdList, (UsbIdText* ids, int32_t capacity), (ids, capacity))                  \
  X(1, ATACBExecute,                                                                       \
    (char letter, AtacbBlock* block, uint8_t* data, int32_t length, int32_t flags),        \
    (letter, block, data, length, flags))                                                  \
  X(1, ATACBExecuteEx, (void), ())                                                         \
  X(2, GetAllDriveList, (char* letters, int32_t capacity), (letters, capacity))            \
  X(2, GetAllDrivesHub, (char letter, char* hubId), (letter, hubId))                       \
  X(2, GetAllDrivesHubPort, (char letter, int32_t* port), (letter, port))                  \
  X(3, JMSafeRemove, (void), ())                                                           \
  X(3, JMSafeRemoveEx, (void), ())                                                         \
  X(4, JMGetChipInfo, (char letter, ChipInfo* info, int32_t size), (letter, info, size))   \
  X(5, JMInquiry, (char letter, InquiryData* data, int32_t size), (letter, data, size))

inline constexpr int kBindingGroupCount = 5;

}  // namespace zolvan
