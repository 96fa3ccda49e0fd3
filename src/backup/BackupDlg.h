#pragma once

#include <string>

#include "platform/Platform.h"

namespace zolvan {

// Host of the backup engine: copies the whole root of one disk into USB_Backup on another.
// It is a dialog class (template 129) whose window is never created, so nothing is shown
// beyond the shell's own progress window.
class CBackupDlg {
 public:
  explicit CBackupDlg(Platform& platform) : m_platform(platform) {}

  void BackupDrive();
  void BackupByList();
  bool CopyEntry(const char* name);
  void MakeDirPath(const char* path);

  char m_cSrcDrive = 0;
  char m_cDstDrive = 0;

 private:
  bool HasDriveLetters() const;
  std::string TargetFolder() const;
  std::string NewListingFile();
  // One shell copy into the target folder; a copy the user cancelled reads as ERROR_CANCELLED.
  int ShellCopy(const std::string& source);

  Platform& m_platform;
  WindowHandle m_hWnd = nullptr;  // never created: the shell's progress window has no owner
};

}  // namespace zolvan
