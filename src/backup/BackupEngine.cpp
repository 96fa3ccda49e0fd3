#include "backup/BackupEngine.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>

#include "device/BridgeApi.h"
#include "platform/Text.h"

namespace zolvan {

namespace {

using Outcome = BackupResult::Outcome;

constexpr uint16_t kCopyFlags = win::kFofNoConfirmation | win::kFofNoErrorUi | win::kFofNoCopySecurityAttribs;
constexpr size_t kLineBufferSize = 512;

// Every root entry but those both hidden and system (System Volume Information, $RECYCLE.BIN,
// pagefile.sys, hiberfil.sys).
bool Meant(const FolderEntry& entry) {
  const uint32_t hiddenSystem = win::kFileAttributeHidden | win::kFileAttributeSystem;
  return (entry.attributes & hiddenSystem) != hiddenSystem;
}

// The length of a UTF-8 text in UTF-16 code units, as the shell counts it.
size_t Utf16Length(const std::string& text) {
  size_t units = 0;
  for (unsigned char c : text) units += (c & 0xC0) != 0x80 ? (c >= 0xF0 ? 2 : 1) : 0;
  return units;
}

BackupResult Ended(Outcome outcome, std::string failedEntry = {}) {
  BackupResult result;
  result.outcome = outcome;
  result.failedEntry = std::move(failedEntry);
  return result;
}

}  // namespace

std::string BackupEngine::FolderFor(char source, bool oneOfSeveralVolumes) {
  if (!oneOfSeveralVolumes) return kBackupFolder;
  VolumeInfo volume;
  if (!IsDriveLetter(source) || !m_files.GetVolumeInfo(Format("%c:\\", source), volume)) return {};
  std::string label = volume.label;
  label.erase(0, std::min(label.find_first_not_of(' '), label.size()));
  label.erase(label.find_last_not_of(' ') + 1);
  for (char& c : label)
    if (static_cast<unsigned char>(c) < 0x20 || std::strchr("<>:\"/\\|?*", c)) c = '_';
  // A name that starts as a device's (NUL.x, COM1.old) is the device to Windows' older paths.
  std::string device = label.substr(0, label.find('.'));
  for (char& c : device) c = char(std::toupper(static_cast<unsigned char>(c)));
  if (device == "CON" || device == "PRN" || device == "AUX" || device == "NUL" ||
      (device.size() == 4 && (device.rfind("COM", 0) == 0 || device.rfind("LPT", 0) == 0) && device[3] >= '1' &&
       device[3] <= '9'))
    label = "_" + label;
  return Format("%s\\%s (%04X-%04X)", kBackupFolder, label.empty() ? "Volume" : label.c_str(),
                unsigned(volume.serial >> 16), unsigned(volume.serial & 0xFFFF));
}

BackupResult BackupEngine::Run(char source, char target, const KeepGoing& keepGoing, const std::string& folder) {
  if (!IsDriveLetter(source) || !IsDriveLetter(target) || folder.empty()) return Ended(Outcome::Failed);
  // Copying X:\* into X:\USB_Backup would nest every earlier backup into the new one.
  if (source == target) return Ended(Outcome::SameDisk);
  m_source = source;
  m_target = target;
  m_folder = folder;
  m_keepGoing = &keepGoing;
  // One for the run: the plan's walk and the check ask the disks' file systems once.
  BackupCheck check(m_files, source, target, keepGoing, folder);
  BackupResult result = Copy(check);
  // What was copied is checked, unless the program is ending. A cancelled copy is left as the
  // user left it, but what it lacks is told: a shell that went on past an error may say
  // "aborted" of a copy nobody cancelled.
  if (result.outcome == Outcome::Completed || result.outcome == Outcome::Failed ||
      result.outcome == Outcome::Cancelled) {
    if (keepGoing())
      Check(check, result, result.outcome != Outcome::Cancelled);
    else
      result.outcome = Outcome::Stopped;
  }
  m_keepGoing = nullptr;
  return result;
}

BackupResult BackupEngine::Copy(BackupCheck& walk) {
  std::vector<FolderEntry> held;
  const bool repeat = m_files.ListFolder(TargetFolder(), held) && !held.empty();
  DiskSpace space;
  const bool spaceKnown = m_files.GetDiskSpace(Format("%c:\\", m_target), space) && space.clusterBytes > 0;
  // A folder the backup lacks is one item: the shell copies it whole, and its files' sizes
  // only count towards the space it takes.
  const auto plan = walk.Differences(Meant, {true, spaceKnown ? space.clusterBytes : 1});
  if (!plan) return Ended(Outcome::Failed);  // the source cannot be listed
  if (plan->stopped || !(*m_keepGoing)()) return Ended(Outcome::Stopped);
  if (spaceKnown) {
    int64_t needed = 0;
    for (const BackupCheck::Item& item : plan->items) needed += item.bytes;
    if (needed > 0 && uint64_t(needed) > space.freeBytes) {
      BackupResult result = Ended(Outcome::NoSpace);
      result.shortfall = uint64_t(needed) - space.freeBytes;
      return result;
    }
  }
  // What the target cannot hold is told by the check, never as "nothing had changed".
  if (repeat && plan->items.empty() && plan->tooLarge.empty() && plan->sameName.empty())
    return Ended(Outcome::NothingChanged);
  if (!repeat) {
    MakeDirPath(Format("%c:\\%s", m_target, kBackupFolder).c_str());
    if (m_folder != kBackupFolder) m_files.CreateFolder(TargetFolder());  // a volume's, by its label
  }
  BackupResult result = CopyItems(plan->items);
  if (!repeat && result.outcome == Outcome::Failed) return BackupByList(plan->keptFromShell);
  return result;
}

// One shell copy of exactly the items that differ, each to its own place in the backup; on the
// first press, the root entries.
BackupResult BackupEngine::CopyItems(const std::vector<BackupCheck::Item>& items) {
  ShellFileOperationW op;
  op.wFunc = win::kFoCopy;
  op.fFlags = kCopyFlags | win::kFofMultiDestFiles | win::kFofNoConfirmMkdir;
  const std::string sourceRoot = Format("%c:\\", m_source), targetFolder = TargetFolder() + '\\';
  std::set<std::string> made;
  for (const BackupCheck::Item& item : items) {
    std::string from = sourceRoot + item.path, to = targetFolder + item.path;
    // Wine's shell reads each name into a buffer of MAX_PATH characters: a longer one is left
    // to the repair, which copies with long paths.
    if (Utf16Length(from) >= win::kMaxPath || Utf16Length(to) >= win::kMaxPath) continue;
    for (size_t at = to.find('\\', targetFolder.size()); at != std::string::npos; at = to.find('\\', at + 1))
      if (made.insert(to.substr(0, at)).second) m_files.CreateFolder(to.substr(0, at));
    op.from.push_back(std::move(from));
    op.to.push_back(std::move(to));
  }
  if (op.from.empty()) return Ended(Outcome::Completed);
  const int result = m_files.SHFileOperationW(op);
  if (result == win::kErrorCancelled || (result == 0 && op.fAnyOperationsAborted)) return Ended(Outcome::Cancelled);
  return Ended(result == 0 ? Outcome::Completed : Outcome::Failed);
}

void BackupEngine::Check(BackupCheck& check, BackupResult& result, bool repair) {
  // Whichever way the copy went, the backup is meant to hold every meant root entry. The
  // fallback's listing cannot tell: it leaves out hidden entries, may name nothing at all, and
  // is written in the OEM code page.
  const auto walk = check.Differences(Meant, {});
  if (!walk) return;
  if (walk->stopped) {
    result.outcome = Outcome::Stopped;
    return;
  }
  result.checked = true;
  std::vector<std::string> missing;
  missing.reserve(walk->items.size());
  for (const BackupCheck::Item& item : walk->items) missing.push_back(item.path);
  if (repair) {
    BackupCheck::Repaired repaired = check.Repair(missing);
    if (repaired.stopped) result.outcome = Outcome::Stopped;
    missing = std::move(repaired.notCopied);
  }
  const std::string root = Format("%c:\\", m_source);
  for (const std::string& file : missing) result.notCopied.push_back(root + file);
  for (const std::string& folder : walk->unread) result.unread.push_back(root + folder);
  for (const std::string& file : walk->tooLarge) result.tooLarge.push_back(root + file);
  for (const std::string& entry : walk->sameName) result.sameName.push_back(root + entry);
}

std::string BackupEngine::TargetFolder() const { return Format("%c:\\", m_target) + m_folder; }

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

BackupResult BackupEngine::BackupByList(const std::vector<std::string>& keptFromShell) {
  // The shell's narrow calls name a volume's folder only in ASCII: a label beyond it could turn
  // into other characters (a backslash among them). The check then copies everything.
  const std::string target = TargetFolder();
  if (std::any_of(target.begin(), target.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
    return Ended(Outcome::Failed);
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
      // A link or a second name, or a folder holding either, is left to the check, which copies
      // file by file.
      if (named && std::find(keptFromShell.begin(), keptFromShell.end(), line) == keptFromShell.end()) {
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
