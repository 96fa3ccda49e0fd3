#include "backup/BackupEngine.h"

#include <cctype>
#include <cstring>

#include "device/BridgeApi.h"
#include "platform/Text.h"

namespace zolvan {

namespace {

using Outcome = BackupResult::Outcome;

constexpr uint16_t kCopyFlags = win::kFofNoConfirmation | win::kFofNoErrorUi | win::kFofNoCopySecurityAttribs;
constexpr size_t kLineBufferSize = 512;

}  // namespace

BackupResult BackupEngine::Run(char source, char target) {
  if (!IsDriveLetter(source) || !IsDriveLetter(target)) return {Outcome::Failed, {}};
  // Copying X:\* into X:\USB_Backup would nest every earlier backup into the new one.
  if (source == target) return {Outcome::SameDisk, {}};
  m_source = source;
  m_target = target;
  return BackupDrive();
}

std::string BackupEngine::TargetFolder() const { return Format("%c:\\USB_Backup", m_target); }

BackupResult BackupEngine::BackupDrive() {
  MakeDirPath(TargetFolder().c_str());
  const int result = ShellCopy(Format("%c:\\*", m_source));
  if (result == 0) return {Outcome::Completed, {}};
  if (result == win::kErrorCancelled) return {Outcome::Cancelled, {}};
  return BackupByList();
}

int BackupEngine::CopyEntry(const char* name) {
  MakeDirPath(TargetFolder().c_str());
  return ShellCopy(Format("%c:\\%s", m_source, name));
}

int BackupEngine::ShellCopy(const std::string& source) {
  // Each path becomes a list of one name: its own NUL and a second one.
  const std::string from = source + '\0';
  const std::string to = TargetFolder() + '\0';
  ShellFileOperation op;
  op.hwnd = nullptr;  // no window of the program's owns the shell's progress window
  op.wFunc = win::kFoCopy;
  op.pFrom = from.c_str();
  op.pTo = to.c_str();
  op.fFlags = kCopyFlags;
  const int result = m_files.SHFileOperationA(op);
  // The shell can report a copy the user cancelled as success, with only this flag telling.
  if (result == 0 && op.fAnyOperationsAborted) return win::kErrorCancelled;
  return result;
}

void BackupEngine::MakeDirPath(const char* path) {
  const size_t length = std::strlen(path);
  for (size_t i = 1; i < length; ++i) {
    if ((path[i] == '\\' || path[i] == '/') && path[i - 1] != ':')
      m_files.CreateDirectoryA(std::string(path, i).c_str());
  }
  m_files.CreateDirectoryA(path);
}

std::string BackupEngine::NewListingFile() {
  std::string folder = m_files.GetTempPathA();
  // The backup never writes to its source disk, not even its listing.
  const bool onSource = folder.size() >= 2 && folder[1] == ':' &&
                        std::toupper(static_cast<unsigned char>(folder[0])) == m_source;
  if (folder.empty() || onSource) folder = Format("%c:\\", m_target);
  return m_files.GetTempFileNameA(folder.c_str());
}

BackupResult BackupEngine::BackupByList() {
  const std::string listing = NewListingFile();
  if (listing.empty()) return {Outcome::Failed, {}};
  m_files.System(Format("dir %c:\\ /b > %c%s%c", m_source, '"', listing.c_str(), '"').c_str());

  BackupResult result{Outcome::Failed, {}};
  if (FileHandle file = m_files.OpenFileForReading(listing.c_str())) {
    result.outcome = Outcome::Completed;
    char line[kLineBufferSize] = {};
    size_t length = 0;
    for (char byte; m_files.ReadByte(file, byte);) {
      if (byte != '\r' && byte != '\n') {
        if (length < kLineBufferSize - 1) line[length++] = byte;  // the excess of an overlong line is dropped
        continue;
      }
      if (length == 0) continue;
      const int copied = CopyEntry(line);
      if (copied != 0) {
        result = {copied == win::kErrorCancelled ? Outcome::Cancelled : Outcome::Failed, line};
        break;
      }
      std::memset(line, 0, sizeof line);
      length = 0;
    }
    m_files.CloseFile(file);
  }
  m_files.DeleteFileA(listing.c_str());
  return result;
}

}  // namespace zolvan
