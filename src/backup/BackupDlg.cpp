#include "backup/BackupDlg.h"

#include <cctype>
#include <cstring>

#include "app/BackupMainDlg.h"
#include "app/Format.h"
#include "device/BridgeApi.h"

namespace zolvan {

namespace {

constexpr uint16_t kCopyFlags = win::kFofNoConfirmation | win::kFofNoErrorUi | win::kFofNoCopySecurityAttribs;
constexpr size_t kLineBufferSize = 512;

}  // namespace

void CBackupMainDlg::StartBackup(char source, char target) {
  if (!IsDriveLetter(source) || !IsDriveLetter(target)) return;
  // Copying X:\* into X:\USB_Backup would nest every earlier backup into the new one.
  if (source == target) {
    AppendLog(Format("\r\nSkip Copy: <<%c>> is both source and target \r\n", source).c_str());
    return;
  }
  CBackupDlg host(m_platform);
  host.m_cSrcDrive = source;
  host.m_cDstDrive = target;
  host.BackupDrive();
}

bool CBackupDlg::HasDriveLetters() const { return IsDriveLetter(m_cSrcDrive) && IsDriveLetter(m_cDstDrive); }

std::string CBackupDlg::TargetFolder() const { return Format("%c:\\USB_Backup", m_cDstDrive); }

void CBackupDlg::BackupDrive() {
  if (!HasDriveLetters()) return;
  MakeDirPath(TargetFolder().c_str());
  const int result = ShellCopy(Format("%c:\\*", m_cSrcDrive));
  if (result == 0 || result == win::kErrorCancelled) return;
  BackupByList();
}

bool CBackupDlg::CopyEntry(const char* name) {
  if (!HasDriveLetters()) return false;
  MakeDirPath(TargetFolder().c_str());
  return ShellCopy(Format("%c:\\%s", m_cSrcDrive, name)) == 0;
}

int CBackupDlg::ShellCopy(const std::string& source) {
  // Each path becomes a list of one name: its own NUL and a second one.
  const std::string from = source + '\0';
  const std::string to = TargetFolder() + '\0';
  ShellFileOperation op;
  op.hwnd = m_hWnd;
  op.wFunc = win::kFoCopy;
  op.pFrom = from.c_str();
  op.pTo = to.c_str();
  op.fFlags = kCopyFlags;
  const int result = m_platform.SHFileOperationA(op);
  // The shell can report a copy the user cancelled as success, with only this flag telling.
  if (result == 0 && op.fAnyOperationsAborted) return win::kErrorCancelled;
  return result;
}

void CBackupDlg::MakeDirPath(const char* path) {
  const size_t length = std::strlen(path);
  for (size_t i = 1; i < length; ++i) {
    if ((path[i] == '\\' || path[i] == '/') && path[i - 1] != ':')
      m_platform.CreateDirectoryA(std::string(path, i).c_str());
  }
  m_platform.CreateDirectoryA(path);
}

std::string CBackupDlg::NewListingFile() {
  std::string folder = m_platform.GetTempPathA();
  // The backup never writes to its source disk, not even its listing.
  const bool onSource = folder.size() >= 2 && folder[1] == ':' &&
                        std::toupper(static_cast<unsigned char>(folder[0])) == m_cSrcDrive;
  if (folder.empty() || onSource) folder = Format("%c:\\", m_cDstDrive);
  return m_platform.GetTempFileNameA(folder.c_str());
}

void CBackupDlg::BackupByList() {
  if (!HasDriveLetters()) return;
  const std::string listing = NewListingFile();
  if (listing.empty()) return;
  m_platform.System(Format("dir %c:\\ /b > %c%s%c", m_cSrcDrive, '"', listing.c_str(), '"').c_str());

  if (FileHandle file = m_platform.OpenFileForReading(listing.c_str())) {
    char line[kLineBufferSize] = {};
    size_t length = 0;
    for (char byte; m_platform.ReadByte(file, byte);) {
      if (byte != '\r' && byte != '\n') {
        if (length < kLineBufferSize - 1) line[length++] = byte;  // the excess of an overlong line is dropped
        continue;
      }
      if (length == 0) continue;
      const bool copied = CopyEntry(line);
      std::memset(line, 0, sizeof line);
      length = 0;
      if (!copied) break;
    }
    m_platform.CloseFile(file);
  }
  m_platform.DeleteFileA(listing.c_str());
}

}  // namespace zolvan
