// Files, folders and the programs the backup and the removal start.
#pragma once

#include <cstdint>
#include <string>

#include "platform/WinTypes.h"

namespace zolvan {

// The members of the shell's SHFILEOPSTRUCTA that the program sets, and the one it reads back.
struct ShellFileOperation {
  WindowHandle hwnd = nullptr;
  uint32_t wFunc = 0;
  const char* pFrom = nullptr;  // list of names, each NUL-terminated, ended by a second NUL
  const char* pTo = nullptr;
  uint16_t fFlags = 0;
  bool fAnyOperationsAborted = false;  // set by the shell
};

class FileSystem {
 public:
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

 protected:
  ~FileSystem() = default;
};

}  // namespace zolvan
