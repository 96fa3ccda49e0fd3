#include "backup/BackupEngine.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "backup/BackupCheck.h"
#include "device/BridgeApi.h"
#include "platform/Text.h"

namespace zolvan {

namespace {

using Outcome = BackupResult::Outcome;

constexpr uint16_t kCopyFlags = win::kFofNoConfirmation | win::kFofNoErrorUi | win::kFofNoCopySecurityAttribs;
constexpr size_t kLineBufferSize = 512;

BackupResult Ended(Outcome outcome, std::string failedEntry = {}) {
  BackupResult result;
  result.outcome = outcome;
  result.failedEntry = std::move(failedEntry);
  return result;
}

}  // namespace

BackupResult BackupEngine::Run(char source, char target, const KeepGoing& keepGoing) {
  if (!IsDriveLetter(source) || !IsDriveLetter(target)) return Ended(Outcome::Failed);
  // Copying X:\* into X:\USB_Backup would nest every earlier backup into the new one.
  if (source == target) return Ended(Outcome::SameDisk);
  m_source = source;
  m_target = target;
  m_keepGoing = &keepGoing;
  BackupResult result = BackupDrive();
  if (result.outcome != Outcome::Stopped && !keepGoing()) result.outcome = Outcome::Stopped;
  // A cancelled copy is left as the user left it.
  if (result.outcome != Outcome::Cancelled && result.outcome != Outcome::Stopped) Check(result);
  m_keepGoing = nullptr;
  return result;
}

void BackupEngine::Check(BackupResult& result) {
  // Whichever way the copy went, the backup is meant to hold every root entry but those both
  // hidden and system (System Volume Information, $RECYCLE.BIN). The fallback's listing cannot
  // tell: it leaves out hidden entries, may name nothing at all, and is written in the OEM code
  // page.
  const auto meant = [](const FolderEntry& entry) {
    const uint32_t hiddenSystem = win::kFileAttributeHidden | win::kFileAttributeSystem;
    return (entry.attributes & hiddenSystem) != hiddenSystem;
  };
  BackupCheck check(m_files, m_source, m_target);
  const auto missing = check.Missing(meant);
  if (!missing) return;
  result.checked = true;
  const BackupCheck::Repaired repaired = check.Repair(*missing, *m_keepGoing);
  if (repaired.stopped) result.outcome = Outcome::Stopped;
  for (const std::string& file : repaired.notCopied) result.notCopied.push_back(Format("%c:\\", m_source) + file);
}

std::string BackupEngine::TargetFolder() const { return Format("%c:\\USB_Backup", m_target); }

BackupResult BackupEngine::BackupDrive() {
  MakeDirPath(TargetFolder().c_str());
  const int result = ShellCopy(Format("%c:\\*", m_source));
  if (result == 0) return Ended(Outcome::Completed);
  if (result == win::kErrorCancelled) return Ended(Outcome::Cancelled);
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
  if (listing.empty()) return Ended(Outcome::Failed);
  m_files.System(Format("dir %c:\\ /b > %c%s%c", m_source, '"', listing.c_str(), '"').c_str());

  BackupResult result = Ended(Outcome::Failed);
  if (FileHandle file = m_files.OpenFileForReading(listing.c_str())) {
    result.outcome = Outcome::Completed;
    char line[kLineBufferSize] = {};
    size_t length = 0;
    bool named = true;
    for (char byte; m_files.ReadByte(file, byte);) {
      if (byte != '\r' && byte != '\n') {
        named = named && byte != 0;
        if (length < kLineBufferSize - 1) line[length++] = byte;  // the excess of an overlong line is dropped
        continue;
      }
      if (length == 0) continue;
      // A NUL would end the name early, down to none at all: the root itself. Such a line
      // names no entry.
      if (named) {
        if (!(*m_keepGoing)()) {
          result.outcome = Outcome::Stopped;
          break;
        }
        const int copied = CopyEntry(line);
        // The first entry that fails ends the fallback; the check then finds what it left.
        if (copied != 0) {
          result = Ended(copied == win::kErrorCancelled ? Outcome::Cancelled : Outcome::Failed, line);
          break;
        }
      }
      std::memset(line, 0, sizeof line);
      length = 0;
      named = true;
    }
    m_files.CloseFile(file);
  }
  m_files.DeleteFileA(listing.c_str());
  return result;
}

}  // namespace zolvan
