#include "backup/BackupCheck.h"

#include <unordered_map>

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

}  // namespace

BackupCheck::BackupCheck(FileSystem& files, char source, char target)
    : m_files(files), m_sourceRoot(Format("%c:", source)), m_targetRoot(Format("%c:\\USB_Backup", target)) {}

std::optional<std::vector<std::string>> BackupCheck::Missing(const RootFilter& meant) {
  std::vector<FolderEntry> root;
  if (!m_files.ListFolder(m_sourceRoot, root)) return std::nullopt;
  std::vector<FolderEntry> sources;
  for (FolderEntry& entry : root)
    if (meant(entry)) sources.push_back(std::move(entry));
  std::vector<std::string> missing;
  Compare("", sources, missing);
  return missing;
}

void BackupCheck::Compare(const std::string& folder, const std::vector<FolderEntry>& sources,
                          std::vector<std::string>& missing) {
  std::vector<FolderEntry> targets;
  m_files.ListFolder(Join(m_targetRoot, folder), targets);  // a folder not there has nothing
  std::unordered_map<std::string, const FolderEntry*> byName;
  for (const FolderEntry& target : targets) byName.emplace(Key(target.name), &target);

  for (const FolderEntry& source : sources) {
    if (source.attributes & win::kFileAttributeReparsePoint) continue;  // may lead off the disk
    const std::string path = Join(folder, source.name);
    if (source.IsFolder()) {
      std::vector<FolderEntry> inside;
      if (m_files.ListFolder(Join(m_sourceRoot, path), inside))
        Compare(path, inside, missing);
      else
        missing.push_back(path);  // what it holds cannot be told, so neither can its copy
      continue;
    }
    const auto target = byName.find(Key(source.name));
    if (target == byName.end() || !InPlace(source, *target->second)) missing.push_back(path);
  }
}

std::vector<std::string> BackupCheck::Repair(const std::vector<std::string>& files) {
  std::vector<std::string> notCopied;
  for (const std::string& file : files) {
    for (size_t at = file.find('\\'); at != std::string::npos; at = file.find('\\', at + 1))
      m_files.CreateFolder(Join(m_targetRoot, file.substr(0, at)));
    const std::string from = Join(m_sourceRoot, file);
    const std::string to = Join(m_targetRoot, file);
    FolderEntry source, target;
    const bool copied = m_files.CopyFileReplacing(from, to) && m_files.GetFileInfo(from, source) &&
                        m_files.GetFileInfo(to, target) && InPlace(source, target);
    if (!copied) notCopied.push_back(file);
  }
  return notCopied;
}

}  // namespace zolvan
