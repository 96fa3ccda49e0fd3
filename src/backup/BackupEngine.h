// The backup engine: copies the whole root of one disk into USB_Backup on another, with the
// shell's copy and, when that fails, entry by entry from a bare listing of the root.
#pragma once

#include <string>

#include "platform/FileSystem.h"

namespace zolvan {

struct BackupResult {
  enum class Outcome {
    Completed,
    Cancelled,  // by the user, in the shell's progress window
    Failed,
    SameDisk,   // source and target are one disk: nothing was copied
  };
  Outcome outcome = Outcome::Failed;
  std::string failedEntry;  // the root entry whose copy failed in the fallback
};

class BackupEngine {
 public:
  explicit BackupEngine(FileSystem& files) : m_files(files) {}

  BackupResult Run(char source, char target);

  // Creates every folder along the path; folders that exist or cannot be made are no error.
  void MakeDirPath(const char* path);

 private:
  BackupResult BackupDrive();
  BackupResult BackupByList();
  int CopyEntry(const char* name);  // the source root's entry of that name
  // One shell copy into the target folder; a copy the user cancelled reads as ERROR_CANCELLED.
  int ShellCopy(const std::string& source);
  std::string TargetFolder() const;
  std::string NewListingFile();

  FileSystem& m_files;
  char m_source = 0;
  char m_target = 0;
};

}  // namespace zolvan
