#include "backup/BackupCheck.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/Text.h"

namespace zolvan {

namespace {

constexpr int64_t kSecond = 10'000'000;  // last-write times are in 100 ns units
// A FAT disk keeps last-write times in steps of 2 seconds.
constexpr uint64_t kTimeTolerance = 2 * kSecond;
constexpr uint64_t kHour = 3600 * kSecond;
constexpr uint64_t kFat32LargestFile = 0xFFFF'FFFF;

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty() || name.empty()) return folder + name;
  return folder + '\\' + name;
}

std::string UpperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return text;
}

bool IsFat(const std::string& fileSystem) {
  const std::string name = UpperAscii(fileSystem);
  return name.rfind("FAT", 0) == 0 || name == "EXFAT";
}

// How far apart two times are, for any two values a disk may give.
uint64_t Apart(int64_t a, int64_t b) { return a >= b ? uint64_t(a) - uint64_t(b) : uint64_t(b) - uint64_t(a); }

// The backup holds the source's file: the same size, and last-write times no more than 2 seconds
// apart either way or, with `fatTimes`, an hour and those 2 seconds apart. The one rule of both
// the repeat press's plan and the check.
bool Holds(const FolderEntry& source, const FolderEntry& target, bool fatTimes) {
  if (target.IsFolder() || target.size != source.size) return false;
  const uint64_t apart = Apart(source.lastWrite, target.lastWrite);
  return apart <= kTimeTolerance || (fatTimes && apart >= kHour - kTimeTolerance && apart <= kHour + kTimeTolerance);
}

std::string FileSystemOf(FileSystem& files, char drive) {
  VolumeInfo volume;
  return files.GetVolumeInfo(Format("%c:\\", drive), volume) ? volume.fileSystem : std::string();
}

int64_t Occupied(uint64_t size, uint64_t cluster) { return int64_t((size + cluster - 1) / cluster * cluster); }

}  // namespace

BackupCheck::BackupCheck(FileSystem& files, char source, char target, KeepGoing keepGoing, const std::string& folder)
    : m_files(files),
      m_keepGoing(std::move(keepGoing)),
      m_sourceRoot(Format("%c:", source)),
      m_targetRoot(Format("%c:\\", target) + folder) {
  const std::string targetFileSystem = FileSystemOf(files, target);
  m_fatTimes = IsFat(FileSystemOf(files, source)) || IsFat(targetFileSystem);
  if (UpperAscii(targetFileSystem) == "FAT32") m_largestFile = kFat32LargestFile;
}

std::optional<BackupCheck::Walk> BackupCheck::Differences(const RootFilter& meant, const Rules& rules) {
  std::vector<FolderEntry> root;
  if (!m_files.ListFolder(m_sourceRoot, root)) return std::nullopt;
  std::vector<FolderEntry> sources;
  for (FolderEntry& entry : root)
    if (meant(entry)) sources.push_back(std::move(entry));
  m_notWhole.clear();
  m_walkAgain = false;
  Walk walk = WalkFrom(sources, rules);
  // A folder meant to be copied whole turned out to hold a link or two names Windows takes for
  // one: the disk is walked once more, that folder's way to them file by file.
  if (m_walkAgain && !walk.stopped) walk = WalkFrom(sources, rules);
  for (const std::string& folder : m_notWhole)
    if (folder.find('\\') == std::string::npos) walk.keptFromShell.push_back(folder);
  return walk;
}

BackupCheck::Walk BackupCheck::WalkFrom(const std::vector<FolderEntry>& root, const Rules& rules) {
  // The folders still to compare are a list of the walk's own, not a recursion: a tree of any
  // depth (long paths allow some 16,000 levels) cannot overflow the thread's stack. One source
  // and one target path are cut back to a folder's parent and extended by its name, so a deep
  // folder's path is not built anew at every level.
  Walk walk;
  std::vector<Folder> folders;
  std::string sourcePath = m_sourceRoot, targetPath = m_targetRoot;
  Compare(sourcePath, targetPath, Folder{0, {}, true, -1}, root, rules, walk, folders);
  while (!folders.empty()) {
    const Folder folder = std::move(folders.back());
    folders.pop_back();
    for (std::string* path : {&sourcePath, &targetPath}) {
      path->resize((path == &sourcePath ? m_sourceRoot : m_targetRoot).size() + folder.parentLength);
      *path += '\\';
      *path += folder.name;
    }
    if (!m_keepGoing()) {
      walk.stopped = true;
      break;
    }
    std::vector<FolderEntry> inside;
    if (m_files.ListFolder(sourcePath, inside)) {
      Compare(sourcePath, targetPath, folder, inside, rules, walk, folders);
    } else if (folder.item < 0) {
      // What it holds cannot be told, so neither can its copy. The shell may still copy it whole.
      std::string below = sourcePath.substr(m_sourceRoot.size() + 1);
      if (rules.wholeFolders) walk.items.push_back({below, 0});
      walk.unread.push_back(std::move(below));
    }
  }
  return walk;
}

void BackupCheck::KeepFromShell(const std::string& sourcePath, const Folder& folder, const std::string& name,
                                Walk& walk) {
  if (sourcePath.size() == m_sourceRoot.size()) {
    walk.keptFromShell.push_back(name);
    return;
  }
  m_walkAgain = m_walkAgain || folder.item >= 0;
  // The folder and every folder it lies in: none is copied whole.
  for (std::string path = sourcePath.substr(m_sourceRoot.size() + 1); m_notWhole.insert(path).second;) {
    const size_t parent = path.rfind('\\');
    if (parent == std::string::npos) break;
    path.resize(parent);
  }
}

// The files of one folder are compared with the target's; its subfolders join `folders`, the
// first of them on top.
void BackupCheck::Compare(const std::string& sourcePath, const std::string& targetPath, const Folder& folder,
                          const std::vector<FolderEntry>& sources, const Rules& rules, Walk& walk,
                          std::vector<Folder>& folders) {
  std::vector<FolderEntry> targets;
  // A folder whose parent the backup lacks is not there either.
  if (folder.inTarget) m_files.ListFolder(targetPath, targets);
  std::unordered_map<std::string, const FolderEntry*> byName;
  for (const FolderEntry& target : targets) byName.emplace(m_files.UpperCaseName(target.name), &target);

  const size_t length = sourcePath.size() - m_sourceRoot.size();  // of the path below the root
  const auto path = [&](const std::string& name) {
    return length == 0 ? name : sourcePath.substr(m_sourceRoot.size() + 1) + '\\' + name;
  };
  // A folder that may hold a file the target cannot take is not copied whole, but file by file;
  // one the backup lacks that holds nothing is made all the same.
  std::vector<Item>& items = walk.items;
  const bool whole = rules.wholeFolders && m_largestFile == 0;
  if (rules.wholeFolders && !whole && !folder.inTarget && sources.empty())
    items.push_back({sourcePath.substr(m_sourceRoot.size() + 1), 0});
  const size_t first = folders.size();
  std::unordered_set<std::string> names;
  names.reserve(sources.size());
  for (const FolderEntry& source : sources) {
    if (source.IsLink()) {  // may loop, or lead to another disk
      KeepFromShell(sourcePath, folder, source.name, walk);
      continue;
    }
    std::string name = m_files.UpperCaseName(source.name);
    const auto found = byName.find(name);
    if (!names.insert(std::move(name)).second) {
      walk.sameName.push_back(path(source.name));
      KeepFromShell(sourcePath, folder, source.name, walk);
      continue;
    }
    const FolderEntry* target = found != byName.end() ? found->second : nullptr;
    if (source.IsFolder()) {
      const bool there = target && target->IsFolder();
      int64_t item = folder.item;
      if (whole && !there && item < 0 && (m_notWhole.empty() || !m_notWhole.count(path(source.name)))) {
        item = int64_t(items.size());
        items.push_back({path(source.name), 0});
      }
      folders.push_back({length, source.name, there, item});
    } else if (m_largestFile != 0 && source.size > m_largestFile) {
      walk.tooLarge.push_back(path(source.name));
    } else if (folder.item >= 0) {
      items[size_t(folder.item)].bytes += Occupied(source.size, rules.clusterBytes);
    } else if (!target || !Holds(source, *target, m_fatTimes)) {
      const int64_t replaced = target && !target->IsFolder() ? Occupied(target->size, rules.clusterBytes) : 0;
      items.push_back({path(source.name), Occupied(source.size, rules.clusterBytes) - replaced});
    }
  }
  std::reverse(folders.begin() + std::ptrdiff_t(first), folders.end());
}

BackupCheck::Repaired BackupCheck::Repair(const std::vector<std::string>& files) {
  Repaired repaired;
  // Within a file the answer cannot stop it: a copy cut short would leave neither the old
  // backup of that file nor the new one. It is taken before the next file.
  const std::function<void()> progress = [this] { m_keepGoing(); };
  constexpr uint32_t kInTheWay = win::kFileAttributeReadOnly | win::kFileAttributeHidden;
  for (const std::string& file : files) {
    if (!m_keepGoing()) {
      repaired.stopped = true;
      break;
    }
    for (size_t at = file.find('\\'); at != std::string::npos; at = file.find('\\', at + 1)) {
      progress();
      m_files.CreateFolder(Join(m_targetRoot, file.substr(0, at)));
    }
    const std::string from = Join(m_sourceRoot, file);
    const std::string to = Join(m_targetRoot, file);
    FolderEntry source, target;
    // A backup file that is read-only or hidden, as its source was, cannot be replaced; the copy
    // then takes the source's attributes again. A copy that cannot start (its source cannot be
    // read) leaves the file as it was, attributes too.
    const bool inTheWay = m_files.GetFileInfo(to, target) && !target.IsFolder() && (target.attributes & kInTheWay);
    const uint32_t attributes = target.attributes;
    if (inTheWay) m_files.SetAttributes(to, attributes & ~kInTheWay);
    if (!m_files.CopyFileReplacing(from, to, progress)) {
      if (inTheWay) m_files.SetAttributes(to, attributes);
      repaired.notCopied.push_back(file);
      continue;
    }
    if (!m_files.GetFileInfo(from, source) || !m_files.GetFileInfo(to, target) || !Holds(source, target, m_fatTimes))
      repaired.notCopied.push_back(file);
  }
  return repaired;
}

}  // namespace zolvan
