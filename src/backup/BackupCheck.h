// Whether a backup holds what it was meant to copy, told from names, sizes and last-write times
// alone (no file is read), and the repair of what it lacks, file by file.
#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace zolvan {

// The folder on the target disk that backups go into.
inline constexpr char kBackupFolder[] = "USB_Backup";

// Asked at every folder the walks list, before each file the engine copies itself, and now and
// then during a long one: the caller may handle its window's pending messages there. False ends
// the run at the next of these points (never inside a file).
using KeepGoing = std::function<bool()>;

class BackupCheck {
 public:
  // Which entries of the source's root the run was meant to copy.
  using RootFilter = std::function<bool(const FolderEntry&)>;

  // How the walk compares.
  struct Rules {
    bool wholeFolders = false;  // a folder the target lacks is one item, not its files
    uint64_t clusterBytes = 1;  // the target's: what a file takes there is rounded up to it
  };
  // Something of the source that the target lacks or holds otherwise.
  struct Item {
    std::string path;  // below the roots
    int64_t bytes = 0;  // what copying it adds to the target, less what it replaces there
  };
  struct Walk {
    std::vector<Item> items;
    std::vector<std::string> unread;    // source folders that could not be listed: what they hold is unknown
    std::vector<std::string> tooLarge;  // source files the target's file system cannot hold
    // Source entries whose folder lists an earlier entry of the same name, as Windows compares
    // names: the target can hold only the first of them.
    std::vector<std::string> sameName;
    // Root entries the shell must not copy whole: links, later same names, and folders holding
    // either at any depth. The shell would follow a link, and write a second name over the first.
    std::vector<std::string> keptFromShell;
    bool stopped = false;               // `keepGoing` said no: the walk was cut short
  };

  // `folder`: where the backup is, below the target's root.
  BackupCheck(FileSystem& files, char source, char target, KeepGoing keepGoing = [] { return true; },
              const std::string& folder = kBackupFolder);

  // The items of the meant root entries that differ, told from the folder listings alone: the
  // target lacks them, or holds a file of another size or a last-write time more than 2 seconds
  // away either way (where a disk is FAT, but for an hour and those 2 seconds). Links, junctions
  // and mount points are neither followed nor counted. Nothing when the source's root cannot be
  // listed.
  std::optional<Walk> Differences(const RootFilter& meant, const Rules& rules);

  struct Repaired {
    std::vector<std::string> notCopied;  // the files still not in place
    bool stopped = false;                // `keepGoing` said no: the files after it were not tried
  };
  // Copies the files itself, folders made as needed and same-named files replaced.
  Repaired Repair(const std::vector<std::string>& files);

 private:
  struct Folder {
    size_t parentLength;  // of the parent's path below the root
    std::string name;
    bool inTarget;        // the backup holds a folder of that name
    int64_t item;         // the item of a whole folder it is part of, or -1
  };
  Walk WalkFrom(const std::vector<FolderEntry>& root, const Rules& rules);
  void Compare(const std::string& sourcePath, const std::string& targetPath, const Folder& folder,
               const std::vector<FolderEntry>& sources, const Rules& rules, Walk& walk, std::vector<Folder>& folders);
  // An entry of this folder is a link, or a later same name: the folder is never copied whole.
  void KeepFromShell(const std::string& sourcePath, const Folder& folder, const std::string& name, Walk& walk);

  FileSystem& m_files;
  KeepGoing m_keepGoing;
  // Either disk is FAT: its times are local, an hour off an NTFS disk's after a change of
  // daylight saving.
  bool m_fatTimes = false;
  uint64_t m_largestFile = 0;  // the biggest file the target's file system holds; 0: no limit
  std::string m_sourceRoot;  // "E:"
  std::string m_targetRoot;  // "F:\USB_Backup"
  // Folders (below the root) that hold, at any depth, a link or two names Windows takes for one;
  // and whether a folder the walk meant to copy whole turned out to be one.
  std::set<std::string> m_notWhole;
  bool m_walkAgain = false;
};

}  // namespace zolvan
