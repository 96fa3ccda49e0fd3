// Handles and values that Windows fixes, for the code that never includes <windows.h>. The Win32
// layer static_asserts every value against the SDK.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zolvan {

struct WindowTag;
struct IconTag;
struct MenuTag;
struct ModuleTag;
struct FileTag;
struct ProcessTag;
using WindowHandle = WindowTag*;
using IconHandle = IconTag*;
using MenuHandle = MenuTag*;
using ModuleHandle = ModuleTag*;
using FileHandle = FileTag*;
using ProcessHandle = ProcessTag*;

namespace win {
inline constexpr uint32_t kWmUser = 0x0400;
inline constexpr uint32_t kWmContextMenu = 0x007B;
inline constexpr uint32_t kWmRButtonDown = 0x0204;
inline constexpr uintptr_t kDbtDeviceArrival = 0x8000;
inline constexpr uintptr_t kPbtApmSuspend = 0x0004;
inline constexpr uintptr_t kPbtApmResumeSuspend = 0x0007;
inline constexpr uintptr_t kPbtApmResumeAutomatic = 0x0012;
inline constexpr uintptr_t kEndSessionCloseApp = 0x00000001;
inline constexpr uintptr_t kEndSessionCritical = 0x40000000;
inline constexpr uint32_t kEsSystemRequired = 0x00000001;
inline constexpr uint32_t kEsContinuous = 0x80000000;
inline constexpr uint32_t kErrorAccessDenied = 5;
inline constexpr uint32_t kErrorAlreadyExists = 183;
inline constexpr uintptr_t kDbtDeviceRemoveComplete = 0x8004;
inline constexpr uintptr_t kIconSmall = 0;
inline constexpr uintptr_t kIconBig = 1;
inline constexpr uint32_t kMfString = 0x0000;
inline constexpr uint32_t kMfSeparator = 0x0800;
inline constexpr int kSwHide = 0;
inline constexpr uint32_t kNimAdd = 0;
inline constexpr uint32_t kNimModify = 1;
inline constexpr uint32_t kNimDelete = 2;
inline constexpr uint32_t kNifMessage = 0x01;
inline constexpr uint32_t kNifIcon = 0x02;
inline constexpr uint32_t kNifTip = 0x04;
inline constexpr uint32_t kNifInfo = 0x10;
inline constexpr uint32_t kNiifNone = 0;
inline constexpr uint32_t kTpmRightButton = 0x0002;
inline constexpr uint32_t kTpmBottomAlign = 0x0020;
inline constexpr uint32_t kMbOk = 0;
inline constexpr uint32_t kMbIconInformation = 0x40;
inline constexpr intptr_t kNinBalloonUserClick = kWmUser + 5;
inline constexpr uint32_t kFoCopy = 2;
inline constexpr uint16_t kFofMultiDestFiles = 0x0001;
inline constexpr uint16_t kFofNoConfirmation = 0x0010;
inline constexpr uint16_t kFofNoConfirmMkdir = 0x0200;
inline constexpr uint16_t kFofNoErrorUi = 0x0400;
inline constexpr uint16_t kFofNoCopySecurityAttribs = 0x0800;
inline constexpr int kErrorCancelled = 1223;
inline constexpr size_t kMaxPath = 260;
inline constexpr uint32_t kFileAttributeReadOnly = 0x0001;
inline constexpr uint32_t kFileAttributeHidden = 0x0002;
inline constexpr uint32_t kFileAttributeSystem = 0x0004;
inline constexpr uint32_t kFileAttributeDirectory = 0x0010;
inline constexpr uint32_t kFileAttributeReparsePoint = 0x0400;
// The bit of a reparse tag that IsReparseTagNameSurrogate tests.
inline constexpr uint32_t kReparseTagNameSurrogate = 0x20000000;
}  // namespace win

}  // namespace zolvan
