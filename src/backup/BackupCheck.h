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

  // How the walk compares.
  struct Rules {
    bool wholeFolders = false;     // a folder the target lacks is one item, not its files
    bool eitherDirection = false;  // a target file newer than its source differs too
    uint64_t clusterBytes = 1;     // the target's: what a file takes there is rounded up to it
  };
  // Something of the source that the target lacks or holds otherwise.
  struct Item {
    std::string path;  // below the roots
    bool folder = false;
    int64_t bytes = 0;  // what copying it adds to the target, less what it replaces there
  };

  // `pending` is called at every folder the walk lists and the repair makes: the caller may
  // handle its window's messages there.
  BackupCheck(FileSystem& files, char source, char target, std::function<void()> pending = [] {});

  // The items of the meant root entries that differ, told from the folder listings alone:
  // the target lacks them, holds them with another size, or with a last-write time more than
  // 2 seconds older (either way with `eitherDirection`). Links and junctions are never
  // followed. Nothing when the source's root cannot be listed at all.
  std::optional<std::vector<Item>> Differences(const RootFilter& meant, const Rules& rules);
  // The files, as paths below the roots, that the target lacks, holds with another size, or
  // holds older than the source's.
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
    bool inTarget;        // the backup holds a folder of that name
    int64_t item;         // the item of a whole folder it is part of, or -1
  };
  void Compare(const std::string& sourcePath, const std::string& targetPath, const Folder& folder,
               const std::vector<FolderEntry>& sources, const Rules& rules, std::vector<Item>& items,
               std::vector<Folder>& folders);

  FileSystem& m_files;
  std::function<void()> m_pending;
  std::string m_sourceRoot;  // "E:"
  std::string m_targetRoot;  // "F:\USB_Backup"
};

}  // namespace zolvan
