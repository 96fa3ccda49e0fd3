// Whether a backup holds what it was meant to copy, told from names, sizes and last-write times
// alone (no file is read), and the repair of what it lacks, file by file.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace zolvan {

class BackupCheck {
 public:
  // Which entries of the source's root the run was meant to copy.
  using RootFilter = std::function<bool(const FolderEntry&)>;

  BackupCheck(FileSystem& files, char source, char target);

  // The files, as paths below the roots, that the target folder lacks, holds with another size,
  // or holds older than the source's. Nothing when the source's root cannot be listed at all.
  // Links and junctions are never followed.
  std::optional<std::vector<std::string>> Missing(const RootFilter& meant);

  struct Repaired {
    std::vector<std::string> notCopied;  // the files still not in place
    bool stopped = false;                // `keepGoing` said no: the files after it were not tried
  };
  // Copies the files itself, folders made as needed and same-named files replaced. `keepGoing`
  // is asked before each file and, through the copy's progress, during a long one.
  Repaired Repair(const std::vector<std::string>& files, const std::function<bool()>& keepGoing);

 private:
  struct Folder {
    size_t parentLength;  // of the parent's path below the root
    std::string name;
    bool inTarget;  // the backup holds a folder of that name
  };
  void Compare(const std::string& sourcePath, const std::string& targetPath, bool inTarget,
               const std::vector<FolderEntry>& sources, std::vector<std::string>& missing,
               std::vector<Folder>& folders);

  FileSystem& m_files;
  std::string m_sourceRoot;  // "E:"
  std::string m_targetRoot;  // "F:\USB_Backup"
};

}  // namespace zolvan
