#include "backup/BackupCheck.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "platform/Text.h"

namespace zolvan {

namespace {

// A FAT disk keeps last-write times in steps of 2 seconds.
constexpr int64_t kTimeTolerance = 2 * 10'000'000;

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty() || name.empty()) return folder + name;
  return folder + '\\' + name;
}

// Windows' file systems match names without regard to the case of A-Z.
std::string Key(std::string name) {
  for (char& c : name)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return name;
}

bool InPlace(const FolderEntry& source, const FolderEntry& target) {
  return !target.IsFolder() && target.size == source.size && target.lastWrite + kTimeTolerance >= source.lastWrite;
}

bool Same(const FolderEntry& source, const FolderEntry& target) {
  return InPlace(source, target) && target.lastWrite <= source.lastWrite + kTimeTolerance;
}

int64_t Occupied(uint64_t size, uint64_t cluster) { return int64_t((size + cluster - 1) / cluster * cluster); }

}  // namespace

BackupCheck::BackupCheck(FileSystem& files, char source, char target, std::function<void()> pending)
    : m_files(files),
      m_pending(std::move(pending)),
      m_sourceRoot(Format("%c:", source)),
      m_targetRoot(Format("%c:\\USB_Backup", target)) {}

std::optional<std::vector<std::string>> BackupCheck::Missing(const RootFilter& meant) {
  auto items = Differences(meant, Rules{});
  if (!items) return std::nullopt;
  std::vector<std::string> paths;
  paths.reserve(items->size());
  for (Item& item : *items) paths.push_back(std::move(item.path));
  return paths;
}

std::optional<std::vector<BackupCheck::Item>> BackupCheck::Differences(const RootFilter& meant, const Rules& rules) {
  std::vector<FolderEntry> root;
  if (!m_files.ListFolder(m_sourceRoot, root)) return std::nullopt;
  std::vector<FolderEntry> sources;
  for (FolderEntry& entry : root)
    if (meant(entry)) sources.push_back(std::move(entry));

  // The folders still to compare are a list of the walk's own, not a recursion: a tree of any
  // depth (long paths allow some 16,000 levels) cannot overflow the thread's stack. One source
  // and one target path are cut back to a folder's parent and extended by its name, so a deep
  // folder's path is not built anew at every level.
  std::vector<Item> items;
  std::vector<Folder> folders;
  std::string sourcePath = m_sourceRoot, targetPath = m_targetRoot;
  Compare(sourcePath, targetPath, Folder{0, {}, true, -1}, sources, rules, items, folders);
  while (!folders.empty()) {
    const Folder folder = std::move(folders.back());
    folders.pop_back();
    for (std::string* path : {&sourcePath, &targetPath}) {
      path->resize((path == &sourcePath ? m_sourceRoot : m_targetRoot).size() + folder.parentLength);
      *path += '\\';
      *path += folder.name;
    }
    m_pending();
    std::vector<FolderEntry> inside;
    if (m_files.ListFolder(sourcePath, inside))
      Compare(sourcePath, targetPath, folder, inside, rules, items, folders);
    else if (folder.item < 0)  // what it holds cannot be told, so neither can its copy
      items.push_back({sourcePath.substr(m_sourceRoot.size() + 1), true, 0});
  }
  return items;
}

// The files of one folder are compared with the target's; its subfolders join `folders`, the
// first of them on top.
void BackupCheck::Compare(const std::string& sourcePath, const std::string& targetPath, const Folder& folder,
                          const std::vector<FolderEntry>& sources, const Rules& rules, std::vector<Item>& items,
                          std::vector<Folder>& folders) {
  std::vector<FolderEntry> targets;
  // A folder whose parent the backup lacks is not there either.
  if (folder.inTarget) m_files.ListFolder(targetPath, targets);
  std::unordered_map<std::string, const FolderEntry*> byName;
  for (const FolderEntry& target : targets) byName.emplace(Key(target.name), &target);

  const size_t length = sourcePath.size() - m_sourceRoot.size();  // of the path below the root
  const auto path = [&](const std::string& name) {
    return length == 0 ? name : sourcePath.substr(m_sourceRoot.size() + 1) + '\\' + name;
  };
  const size_t first = folders.size();
  for (const FolderEntry& source : sources) {
    if (source.attributes & win::kFileAttributeReparsePoint) continue;  // may lead off the disk
    const auto found = byName.find(Key(source.name));
    const FolderEntry* target = found != byName.end() ? found->second : nullptr;
    if (source.IsFolder()) {
      const bool there = target && target->IsFolder();
      int64_t item = folder.item;
      if (rules.wholeFolders && !there && item < 0) {
        item = int64_t(items.size());
        items.push_back({path(source.name), true, 0});
      }
      folders.push_back({length, source.name, there, item});
    } else if (folder.item >= 0) {
      items[size_t(folder.item)].bytes += Occupied(source.size, rules.clusterBytes);
    } else if (!target || !(rules.eitherDirection ? Same(source, *target) : InPlace(source, *target))) {
      const int64_t replaced = target && !target->IsFolder() ? Occupied(target->size, rules.clusterBytes) : 0;
      items.push_back({path(source.name), false, Occupied(source.size, rules.clusterBytes) - replaced});
    }
  }
  std::reverse(folders.begin() + std::ptrdiff_t(first), folders.end());
}

BackupCheck::Repaired BackupCheck::Repair(const std::vector<std::string>& files,
                                          const std::function<bool()>& keepGoing) {
  Repaired repaired;
  // During a file the answer cannot stop it: a copy cut short would leave neither the old
  // backup of that file nor the new one.
  const std::function<void()> progress = [&] { keepGoing(); };
  for (const std::string& file : files) {
    if (!keepGoing()) {
      repaired.stopped = true;
      break;
    }
    for (size_t at = file.find('\\'); at != std::string::npos; at = file.find('\\', at + 1)) {
      m_pending();
      m_files.CreateFolder(Join(m_targetRoot, file.substr(0, at)));
    }
    const std::string from = Join(m_sourceRoot, file);
    const std::string to = Join(m_targetRoot, file);
    FolderEntry source, target;
    const bool copied = m_files.CopyFileReplacing(from, to, progress) && m_files.GetFileInfo(from, source) &&
                        m_files.GetFileInfo(to, target) && InPlace(source, target);
    if (!copied) repaired.notCopied.push_back(file);
  }
  return repaired;
}

}  // namespace zolvan
