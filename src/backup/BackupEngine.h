// The backup engine: copies the root of one disk - every entry but the system's own hidden
// ones, and but links - into USB_Backup on another, in one shell copy and, when the first one fails, entry by
// entry from a bare listing of the root; then checks the backup against the source and copies
// itself what the shell left behind. Once USB_Backup holds anything, a press copies only what is
// new or changed (size or last-write time). A copy that would not fit on the target is not
// started.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "backup/BackupCheck.h"
#include "platform/FileSystem.h"

namespace zolvan {

struct BackupResult {
  enum class Outcome {
    Completed,
    Cancelled,  // by the user, in the shell's progress window, or a copy the shell reported aborted
    Failed,
    SameDisk,   // source and target are one disk: nothing was copied
    Stopped,    // the program is ending: no further entry or file was copied, nothing checked
    NothingChanged,  // a repeat press found nothing to copy
    NoSpace,    // the copy would not fit on the target: nothing was copied
  };
  Outcome outcome = Outcome::Failed;  // how the shell's copy ended
  std::string failedEntry;  // the root entry whose copy failed in the fallback
  uint64_t shortfall = 0;   // with NoSpace: the bytes the target lacks

  // After every run that made a copy, the backup is checked against its source and, unless the
  // copy was cancelled, what it left behind is copied file by file. `checked` is false when the
  // source could not be listed. The source paths (UTF-8) of what is still not in the backup:
  std::vector<std::string> notCopied;  // files
  std::vector<std::string> unread;     // folders that could not be listed
  std::vector<std::string> tooLarge;   // files too large for the target's file system
  // Entries whose name an earlier entry of their folder has, as Windows compares names: the
  // target can hold only the first.
  std::vector<std::string> sameName;
  bool checked = false;

  size_t Missing() const { return notCopied.size() + unread.size() + tooLarge.size() + sameName.size(); }
};

class BackupEngine {
 public:
  explicit BackupEngine(FileSystem& files) : m_files(files) {}

  // Where the backup of `source` goes, below the target's root: USB_Backup or, for one of several
  // volumes of one disk, a folder of its own in it, named by the volume's label and serial number
  // as Windows' `vol` prints them ("DATA (5E6F-7081)", "Volume (5E6F-7081)" without a label), so
  // that the same volume finds it again under any drive letter. Empty when the volume cannot be
  // read.
  std::string FolderFor(char source, bool oneOfSeveralVolumes);

  // Backs `source` up into `folder` (below the target's root; empty: nothing can be).
  BackupResult Run(char source, char target, const KeepGoing& keepGoing = [] { return true; },
                   const std::string& folder = kBackupFolder);

  // Creates every folder along the path; folders that exist or cannot be made are no error.
  void MakeDirPath(const char* path);

 private:
  BackupResult Copy(BackupCheck& walk);
  BackupResult CopyItems(const std::vector<BackupCheck::Item>& items);
  BackupResult BackupByList(const std::vector<std::string>& keptFromShell);
  void Check(BackupCheck& check, BackupResult& result, bool repair);
  int CopyEntry(const char* name);  // the source root's entry of that name
  // One shell copy into the target folder; a copy the user cancelled reads as ERROR_CANCELLED.
  int ShellCopy(const std::string& source);
  std::string TargetFolder() const;
  std::string NewListingFile();

  FileSystem& m_files;
  const KeepGoing* m_keepGoing = nullptr;  // the run's
  char m_source = 0;
  char m_target = 0;
  std::string m_folder;  // the run's, below the target's root
};

}  // namespace zolvan
