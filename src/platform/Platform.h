// The seam between the program's logic and the operating system. The logic in app/, device/,
// monitor/ and backup/ reaches Windows only through this interface; platform/win32/ is the one
// real implementation and tests use a recording fake.
#pragma once

#include <cstdint>
#include <string>

namespace zolvan {

class CBackupMainDlg;
struct TrayIconData;
struct WindowTag;
struct IconTag;
struct MenuTag;
struct ModuleTag;
using WindowHandle = WindowTag*;
using IconHandle = IconTag*;
using MenuHandle = MenuTag*;
using ModuleHandle = ModuleTag*;

// Values fixed by Windows; the Win32 layer static_asserts each against the SDK.
namespace win {
inline constexpr uint32_t kWmCreate = 0x0001;
inline constexpr uint32_t kWmPaint = 0x000F;
inline constexpr uint32_t kWmQueryDragIcon = 0x0037;
inline constexpr uint32_t kWmContextMenu = 0x007B;
inline constexpr uint32_t kWmSetIcon = 0x0080;
inline constexpr uint32_t kWmInitDialog = 0x0110;
inline constexpr uint32_t kWmCommand = 0x0111;
inline constexpr uint32_t kWmSysCommand = 0x0112;
inline constexpr uint32_t kWmTimer = 0x0113;
inline constexpr uint32_t kWmRButtonDown = 0x0204;
inline constexpr uint32_t kWmDeviceChange = 0x0219;
inline constexpr uint32_t kWmUser = 0x0400;
inline constexpr uintptr_t kDbtDeviceArrival = 0x8000;
inline constexpr uintptr_t kDbtDeviceQueryRemove = 0x8001;
inline constexpr uintptr_t kDbtDeviceRemoveComplete = 0x8004;
inline constexpr uintptr_t kDbtDevNodesChanged = 0x0007;
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
inline constexpr uint32_t kFoCopy = 2;
inline constexpr uint16_t kFofNoConfirmation = 0x0010;
inline constexpr uint16_t kFofNoErrorUi = 0x0400;
inline constexpr uint16_t kFofNoCopySecurityAttribs = 0x0800;
inline constexpr int kErrorCancelled = 1223;
}  // namespace win

struct Point {
  int x = 0;
  int y = 0;
};

struct FileTag;
using FileHandle = FileTag*;

// The members of the shell's SHFILEOPSTRUCTA that the program sets, and the one it reads back.
struct ShellFileOperation {
  WindowHandle hwnd = nullptr;
  uint32_t wFunc = 0;
  const char* pFrom = nullptr;  // list of names, each NUL-terminated, ended by a second NUL
  const char* pTo = nullptr;
  uint16_t fFlags = 0;
  bool fAnyOperationsAborted = false;  // set by the shell
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Start-up.
  virtual void InitCommonControls() = 0;
  // Creates the dialog's window from its template, routes every message to its handlers and
  // runs the modal loop until the window ends.
  virtual intptr_t DoModal(CBackupMainDlg& dialog) = 0;

  // Windows, controls, menus and icons.
  virtual void SetDlgItemTextA(WindowHandle dialog, int controlId, const char* text) = 0;
  virtual void ShowWindow(WindowHandle window, int command) = 0;
  virtual void SetWindowIcon(WindowHandle window, uintptr_t size, IconHandle icon) = 0;  // WM_SETICON
  virtual IconHandle LoadIconA(int resourceId) = 0;
  virtual std::string LoadStringA(int resourceId) = 0;  // empty when missing
  virtual MenuHandle GetSystemMenu(WindowHandle window) = 0;
  virtual void AppendMenuA(MenuHandle menu, uint32_t flags, uintptr_t id, const char* text) = 0;
  virtual MenuHandle LoadMenuA(int resourceId) = 0;
  virtual void DestroyMenu(MenuHandle menu) = 0;
  virtual MenuHandle GetSubMenu(MenuHandle menu, int position) = 0;
  virtual void TrackPopupMenu(MenuHandle menu, uint32_t flags, Point at, WindowHandle owner) = 0;
  virtual Point GetCursorPos() = 0;
  virtual void SetForegroundWindow(WindowHandle window) = 0;
  virtual void MessageBoxA(WindowHandle owner, const char* text, const char* caption, uint32_t type) = 0;
  // A dialog without handlers of its own from a template: OK and Cancel close it.
  virtual intptr_t RunModalDialog(int templateId, WindowHandle owner) = 0;
  virtual void DestroyWindow(WindowHandle window) = 0;

  // Notification area.
  virtual bool Shell_NotifyIconA(uint32_t message, const TrayIconData& data) = 0;

  // Timers and waits.
  virtual void SetTimer(WindowHandle window, uintptr_t id, uint32_t periodMs) = 0;
  virtual void KillTimer(WindowHandle window, uintptr_t id) = 0;
  virtual void Sleep(uint32_t ms) = 0;

  // Files, folders and the command interpreter.
  virtual int SHFileOperationA(ShellFileOperation& operation) = 0;
  virtual bool CreateDirectoryA(const char* path) = 0;
  virtual bool DeleteFileA(const char* path) = 0;
  virtual int System(const char* command) = 0;  // the C library's system(): runs COMSPEC, waits
  virtual std::string GetTempPathA() = 0;       // ends in a backslash; empty when unknown
  // Creates a new, empty, uniquely named file in the folder; returns its path, empty on failure.
  virtual std::string GetTempFileNameA(const char* folder) = 0;
  virtual FileHandle OpenFileForReading(const char* path) = 0;  // null when it cannot be opened
  virtual bool ReadByte(FileHandle file, char& byte) = 0;       // false at the end
  virtual void CloseFile(FileHandle file) = 0;

  // Run-time library loading.
  virtual ModuleHandle GetModuleHandleA(const char* name) = 0;
  virtual ModuleHandle LoadLibraryA(const char* fileName) = 0;
  virtual void* GetProcAddress(ModuleHandle module, const char* name) = 0;
};

}  // namespace zolvan
