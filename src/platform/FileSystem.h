// Files, folders and the programs the backup and the removal start.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

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

// SHFILEOPSTRUCTW for many names at once: the Win32 layer makes the double-NUL lists of the
// UTF-8 paths given here.
struct ShellFileOperationW {
  uint32_t wFunc = 0;
  std::vector<std::string> from;
  std::vector<std::string> to;  // with FOF_MULTIDESTFILES, one destination per source
  uint16_t fFlags = 0;
  bool fAnyOperationsAborted = false;  // set by the shell
};

// What a disk holds for the user (GetDiskFreeSpaceExW, GetDiskFreeSpaceW).
struct DiskSpace {
  uint64_t freeBytes = 0;     // free to the calling user, quotas counted
  uint64_t clusterBytes = 0;  // the unit a file takes space in
};

// What a disk's volume is called, and its file system (GetVolumeInformationW).
struct VolumeInfo {
  std::string label;       // UTF-8; empty when it has none
  uint32_t serial = 0;     // as `vol` prints it: 5E6F-7081 is 0x5E6F7081
  std::string fileSystem;  // "NTFS", "FAT32", "exFAT", ...
};

// One entry of a folder, as the checking walk sees it.
struct FolderEntry {
  std::string name;         // UTF-8
  uint32_t attributes = 0;  // win::kFileAttribute...
  uint32_t reparseTag = 0;  // with kFileAttributeReparsePoint, its kind (WIN32_FIND_DATAW::dwReserved0)
  uint64_t size = 0;
  int64_t lastWrite = 0;    // 100 ns units
  bool IsFolder() const { return attributes & win::kFileAttributeDirectory; }
  // A symbolic link, junction or mount point: a name for something elsewhere, which may loop or
  // lead to another disk. Other reparse points (files compressed by Windows, deduplicated files,
  // cloud placeholders) hold ordinary data. One of no known kind counts as a link.
  bool IsLink() const {
    return (attributes & win::kFileAttributeReparsePoint) &&
           (reparseTag == 0 || (reparseTag & win::kReparseTagNameSurrogate));
  }
};

class FileSystem {
 public:
  virtual int SHFileOperationA(ShellFileOperation& operation) = 0;
  virtual int SHFileOperationW(ShellFileOperationW& operation) = 0;
  virtual bool GetDiskSpace(const std::string& root, DiskSpace& space) = 0;  // root "X:\"; false when unknown
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

  // Paths of any length and any characters, in UTF-8; a drive's root is "X:".
  // The entries of a folder, without "." and ".."; false when it cannot be listed.
  virtual bool ListFolder(const std::string& folder, std::vector<FolderEntry>& entries) = 0;
  virtual bool GetFileInfo(const std::string& path, FolderEntry& info) = 0;  // false when absent
  virtual bool SetAttributes(const std::string& path, uint32_t attributes) = 0;  // win::kFileAttribute...
  virtual bool CreateFolder(const std::string& path) = 0;
  // `progress` is called now and then while the file is copied.
  virtual bool CopyFileReplacing(const std::string& from, const std::string& to,
                                 const std::function<void()>& progress) = 0;
  // A UTF-8 text in the narrow code page the program's texts are shown in.
  virtual std::string NarrowFromUtf8(const std::string& text) = 0;
  // Two names are one to Windows' file systems when these are equal: every letter in its upper
  // case by the system's own table, as its case-insensitive ordinal comparison does.
  virtual std::string UpperCaseName(const std::string& name) = 0;
  // The volume of the disk whose root is "X:\"; false when it cannot be read.
  virtual bool GetVolumeInfo(const std::string& root, VolumeInfo& info) = 0;

 protected:
  ~FileSystem() = default;
};

}  // namespace zolvan
