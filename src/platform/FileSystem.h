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

  // Starts `program` with this command line and no window. The program is looked for in this
  // program's own folder, then in the system's folders and PATH, never in the working folder.
  // Null when it cannot be started.
  virtual ProcessHandle StartProgram(const char* program, const char* commandLine) = 0;
  // Whether the process has ended, and then its exit code.
  virtual bool ProcessEnded(ProcessHandle process, uint32_t& exitCode) = 0;
  virtual void CloseProcess(ProcessHandle process) = 0;

 protected:
  ~FileSystem() = default;
};

}  // namespace zolvan
