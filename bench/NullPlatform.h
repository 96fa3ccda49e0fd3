// A platform that does nothing and answers nothing, so that a benchmark measures the program's
// own work rather than a fake's recording.
#pragma once

#include <map>
#include <string>
#include <utility>

#include "platform/Platform.h"

namespace zolvan::bench {

class NullPlatform : public Platform {
 public:
  ModuleHandle GetModuleHandleA(const char*) override { return nullptr; }
  ModuleHandle LoadLibraryA(const char*) override { return nullptr; }
  void* GetProcAddress(ModuleHandle, const char*) override { return nullptr; }

  int SHFileOperationA(ShellFileOperation&) override { return 0; }
  int SHFileOperationW(ShellFileOperationW&) override { return 0; }
  bool GetDiskSpace(const std::string&, DiskSpace&) override { return false; }
  bool CreateDirectoryA(const char*) override { return true; }
  bool DeleteFileA(const char*) override { return true; }
  int System(const char*) override { return 0; }
  std::string GetTempPathA() override { return {}; }
  std::string GetTempFileNameA(const char*) override { return {}; }
  FileHandle OpenFileForReading(const char*) override { return nullptr; }
  bool ReadByte(FileHandle, char&) override { return false; }
  void CloseFile(FileHandle) override {}
  ProcessHandle StartProgram(const char*, const char*) override { return nullptr; }
  bool ProcessEnded(ProcessHandle, uint32_t&) override { return true; }
  void CloseProcess(ProcessHandle) override {}
  bool ListFolder(const std::string&, std::vector<FolderEntry>&) override { return false; }
  bool GetFileInfo(const std::string&, FolderEntry&) override { return false; }
  bool SetAttributes(const std::string&, uint32_t) override { return true; }
  bool CreateFolder(const std::string&) override { return true; }
  bool CopyFileReplacing(const std::string&, const std::string&, const std::function<void()>&) override { return true; }
  std::string NarrowFromUtf8(const std::string& text) override { return text; }
  std::string UpperCaseName(const std::string& name) override { return name; }
  bool GetVolumeInfo(const std::string&, VolumeInfo& info) override {
    info.fileSystem = "NTFS";
    return true;
  }

  void InitCommonControls() override {}
  intptr_t RunMainDialog(WindowEvents&) override { return 0; }
  void SetDlgItemTextA(WindowHandle, int, const char*) override {}
  void ShowWindow(WindowHandle, int) override {}
  void SetWindowIcon(WindowHandle, uintptr_t, IconHandle) override {}
  IconHandle LoadIconA(int) override { return nullptr; }
  IconHandle LoadSmallIconA(int) override { return nullptr; }
  std::string LoadStringA(int) override { return {}; }
  MenuHandle GetSystemMenu(WindowHandle) override { return nullptr; }
  void AppendMenuA(MenuHandle, uint32_t, uintptr_t, const char*) override {}
  MenuHandle LoadMenuA(int) override { return nullptr; }
  void DestroyMenu(MenuHandle) override {}
  MenuHandle GetSubMenu(MenuHandle, int) override { return nullptr; }
  void TrackPopupMenu(MenuHandle, uint32_t, Point, WindowHandle) override {}
  Point GetCursorPos() override { return {}; }
  void SetForegroundWindow(WindowHandle) override {}
  void MessageBoxA(WindowHandle, const char*, const char*, uint32_t) override {}
  intptr_t RunModalDialog(int, WindowHandle) override { return 0; }
  void DestroyWindow(WindowHandle) override {}
  WindowHandle FindMainDialog() override { return nullptr; }
  uint32_t RegisterWindowMessageA(const char*) override { return 0; }
  void PostMessageA(WindowHandle, uint32_t, uintptr_t, intptr_t) override {}
  uint32_t CreateMutexW(const char*) override { return 0; }
  void SetThreadExecutionState(uint32_t) override {}
  void ShutdownBlockReasonCreate(WindowHandle, const char*) override {}
  void ShutdownBlockReasonDestroy(WindowHandle) override {}
  bool Shell_NotifyIconA(uint32_t, const TrayIconData&) override { return true; }
  void SetTimer(WindowHandle, uintptr_t, uint32_t) override {}
  void KillTimer(WindowHandle, uintptr_t) override {}
  void Sleep(uint32_t) override {}
  uint64_t TickCount() override { return 0; }
  void HandlePendingMessages() override {}
};

// The same, with the maker's library loaded: its entry points are these functions, by name. One
// not named is bound to a function that does nothing; the program binds it but never calls it.
class LibraryPlatform : public NullPlatform {
 public:
  using EntryPoints = std::map<std::string, void*>;
  explicit LibraryPlatform(EntryPoints entryPoints) : m_entryPoints(std::move(entryPoints)) {}

  ModuleHandle LoadLibraryA(const char*) override { return reinterpret_cast<ModuleHandle>(1); }
  void* GetProcAddress(ModuleHandle, const char* name) override {
    const auto found = m_entryPoints.find(name);
    return found != m_entryPoints.end() ? found->second : reinterpret_cast<void*>(&Unused);
  }

 private:
  static int32_t Unused() { return 0; }
  EntryPoints m_entryPoints;
};

// An entry point of the table above.
template <typename Function>
void* Entry(Function* function) {
  return reinterpret_cast<void*>(function);
}

}  // namespace zolvan::bench
