#pragma once

#include <windows.h>

#include "platform/Platform.h"

namespace zolvan {

inline HWND ToHwnd(WindowHandle h) { return reinterpret_cast<HWND>(h); }
inline WindowHandle FromHwnd(HWND h) { return reinterpret_cast<WindowHandle>(h); }

class Win32Platform : public Platform {
 public:
  explicit Win32Platform(HINSTANCE instance) : m_instance(instance) {}

  void InitCommonControls() override;
  intptr_t RunMainDialog(WindowEvents& events) override;

  void SetDlgItemTextA(WindowHandle dialog, int controlId, const char* text) override;
  void ShowWindow(WindowHandle window, int command) override;
  void SetWindowIcon(WindowHandle window, uintptr_t size, IconHandle icon) override;
  IconHandle LoadIconA(int resourceId) override;
  IconHandle LoadSmallIconA(int resourceId) override;
  std::string LoadStringA(int resourceId) override;
  MenuHandle GetSystemMenu(WindowHandle window) override;
  void AppendMenuA(MenuHandle menu, uint32_t flags, uintptr_t id, const char* text) override;
  MenuHandle LoadMenuA(int resourceId) override;
  void DestroyMenu(MenuHandle menu) override;
  MenuHandle GetSubMenu(MenuHandle menu, int position) override;
  void TrackPopupMenu(MenuHandle menu, uint32_t flags, Point at, WindowHandle owner) override;
  Point GetCursorPos() override;
  void SetForegroundWindow(WindowHandle window) override;
  void MessageBoxA(WindowHandle owner, const char* text, const char* caption, uint32_t type) override;
  intptr_t RunModalDialog(int templateId, WindowHandle owner) override;
  void DestroyWindow(WindowHandle window) override;
  WindowHandle FindMainDialog() override;
  uint32_t RegisterWindowMessageA(const char* name) override;
  void PostMessageA(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  bool Shell_NotifyIconA(uint32_t message, const TrayIconData& data) override;

  void SetTimer(WindowHandle window, uintptr_t id, uint32_t periodMs) override;
  void KillTimer(WindowHandle window, uintptr_t id) override;
  void Sleep(uint32_t ms) override;
  uint64_t TickCount() override;
  void HandlePendingMessages() override;

  int SHFileOperationA(ShellFileOperation& operation) override;
  int SHFileOperationW(ShellFileOperationW& operation) override;
  bool GetDiskSpace(const std::string& root, DiskSpace& space) override;
  bool CreateDirectoryA(const char* path) override;
  bool DeleteFileA(const char* path) override;
  int System(const char* command) override;
  std::string GetTempPathA() override;
  std::string GetTempFileNameA(const char* folder) override;
  FileHandle OpenFileForReading(const char* path) override;
  bool ReadByte(FileHandle file, char& byte) override;
  void CloseFile(FileHandle file) override;
  ProcessHandle StartProgram(const char* program, const char* commandLine) override;
  bool ProcessEnded(ProcessHandle process, uint32_t& exitCode) override;
  void CloseProcess(ProcessHandle process) override;
  bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries) override;
  bool GetFileInfo(const std::string& path, FolderEntry& info) override;
  bool SetAttributes(const std::string& path, uint32_t attributes) override;
  bool CreateFolder(const std::string& path) override;
  bool CopyFileReplacing(const std::string& from, const std::string& to,
                         const std::function<void()>& progress) override;
  std::string NarrowFromUtf8(const std::string& text) override;
  std::string UpperCaseName(const std::string& name) override;
  bool GetVolumeInfo(const std::string& root, VolumeInfo& info) override;

  uint32_t CreateMutexW(const char* name) override;
  void SetThreadExecutionState(uint32_t flags) override;
  void ShutdownBlockReasonCreate(WindowHandle window, const char* reason) override;
  void ShutdownBlockReasonDestroy(WindowHandle window) override;

  ModuleHandle GetModuleHandleA(const char* name) override;
  ModuleHandle LoadLibraryA(const char* fileName) override;
  void* GetProcAddress(ModuleHandle module, const char* name) override;

 private:
  HINSTANCE m_instance;
};

}  // namespace zolvan
