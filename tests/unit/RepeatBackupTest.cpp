// A press into a USB_Backup that already holds something copies only what is new or changed,
// and no backup starts that cannot fit on its target.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "FakePlatform.h"
#include "backup/BackupEngine.h"

namespace zolvan {
namespace {

using Calls = std::vector<std::string>;
using Outcome = BackupResult::Outcome;
using test::ExpectInOrder;

constexpr int64_t kSecond = 10'000'000;
constexpr int64_t kNoon = 13'000'000'000 * kSecond;
constexpr uint32_t kHidden = win::kFileAttributeHidden, kSystem = win::kFileAttributeSystem;
// Today's flags, with one destination per source and no question about new folders.
const std::string kFlags = " flags=" + std::to_string(0x0C10 | 0x0001 | 0x0200);
// E:\ and the name fit in MAX_PATH; F:\USB_Backup\ and the name do not.
const std::string kLongName = std::string(250, 'n') + ".txt";

std::string ListCopy(const std::vector<std::string>& paths) {
  std::string from, to;
  for (const std::string& path : paths) {
    from += (from.empty() ? "E:\\" : "|E:\\") + path;
    to += (to.empty() ? "F:\\USB_Backup\\" : "|F:\\USB_Backup\\") + path;
  }
  return "SHFileOperationW 2 " + from + " -> " + to + kFlags;
}

class RepeatBackupTest : public ::testing::Test {
 protected:
  // Disk E and its backup from an earlier press: equal names, sizes and times.
  RepeatBackupTest() {
    for (const char* path : {"a.txt", "Photos\\2024\\img.jpg", "System Volume Information\\tracking.log"}) {
      platform.AddFile(std::string("E:\\") + path, 10, kNoon);
      platform.AddFile(std::string("F:\\USB_Backup\\") + path, 10, kNoon);
    }
    for (const char* disk : {"E:", "F:\\USB_Backup"})
      platform.disk[std::string(disk) + "\\System Volume Information"].attributes |= kHidden | kSystem;
  }

  test::FakePlatform platform;
};

TEST_F(RepeatBackupTest, CopiesExactlyWhatIsNewOrChanged_InOneShellCopy) {
  struct Case {
    const char* name;
    std::function<void(test::FakePlatform&)> setUp;
    Calls shellCopies;
    Outcome outcome;
  };
  const Case cases[] = {
      {"a file the backup lacks", [](test::FakePlatform& p) { p.AddFile("E:\\new.txt", 3, kNoon); },
       {ListCopy({"new.txt"})}, Outcome::Completed},
      {"another size", [](test::FakePlatform& p) { p.disk["F:\\USB_Backup\\a.txt"].size = 9; },
       {ListCopy({"a.txt"})}, Outcome::Completed},
      {"newer in the source", [](test::FakePlatform& p) { p.disk["E:\\a.txt"].lastWrite += 3 * kSecond; },
       {ListCopy({"a.txt"})}, Outcome::Completed},
      {"older in the source: a copy edited in the backup",
       [](test::FakePlatform& p) { p.disk["F:\\USB_Backup\\a.txt"].lastWrite += 3 * kSecond; },
       {ListCopy({"a.txt"})}, Outcome::Completed},
      {"within 2 s either way, as FAT keeps times",
       [](test::FakePlatform& p) {
         p.disk["F:\\USB_Backup\\a.txt"].lastWrite += 2 * kSecond;
         p.disk["F:\\USB_Backup\\Photos\\2024\\img.jpg"].lastWrite -= 2 * kSecond;
       },
       {}, Outcome::NothingChanged},
      // Windows matches names ignoring case beyond A-Z too.
      {"a case-only rename of a folder with a letter beyond ASCII",
       [](test::FakePlatform& p) {
         p.AddFile("E:\\\xC3\xBC" "bung\\\xD0\xB4.txt", 7, kNoon);                  // übung\д.txt
         p.AddFile("F:\\USB_Backup\\\xC3\x9C" "bung\\\xD0\x94.txt", 7, kNoon);  // Übung\Д.txt
         p.AddFile("E:\\\xCF\x89.txt", 1, kNoon);                                 // ω.txt
         p.AddFile("F:\\USB_Backup\\\xCE\xA9.txt", 1, kNoon);                   // Ω.txt
       },
       {}, Outcome::NothingChanged},
      {"times near the 64-bit limit, a second apart",
       [](test::FakePlatform& p) {
         p.disk["E:\\a.txt"].lastWrite = INT64_MAX;
         p.disk["F:\\USB_Backup\\a.txt"].lastWrite = INT64_MAX - kSecond;
         p.disk["E:\\Photos\\2024\\img.jpg"].lastWrite = INT64_MIN + kSecond;
         p.disk["F:\\USB_Backup\\Photos\\2024\\img.jpg"].lastWrite = INT64_MIN;
       },
       {}, Outcome::NothingChanged},
      {"times at the 64-bit limits, as far apart as can be",
       [](test::FakePlatform& p) {
         p.disk["E:\\a.txt"].lastWrite = INT64_MAX;
         p.disk["F:\\USB_Backup\\a.txt"].lastWrite = INT64_MIN;
       },
       {ListCopy({"a.txt"})}, Outcome::Completed},
      // FAT keeps local time: after a change of daylight saving its files read an hour off.
      {"an hour off where the source is FAT",
       [](test::FakePlatform& p) {
         p.fileSystems['E'] = "FAT32";
         p.disk["F:\\USB_Backup\\a.txt"].lastWrite += 3600 * kSecond;
         p.disk["F:\\USB_Backup\\Photos\\2024\\img.jpg"].lastWrite -= 3602 * kSecond;
       },
       {}, Outcome::NothingChanged},
      {"an hour off where the target is exFAT",
       [](test::FakePlatform& p) {
         p.fileSystems['F'] = "exFAT";
         p.disk["F:\\USB_Backup\\a.txt"].lastWrite -= 3600 * kSecond;
       },
       {}, Outcome::NothingChanged},
      {"an hour less 2 s off on FAT",
       [](test::FakePlatform& p) {
         p.fileSystems['E'] = "FAT32";
         p.disk["F:\\USB_Backup\\a.txt"].lastWrite -= 3598 * kSecond;
       },
       {}, Outcome::NothingChanged},
      {"an hour and 3 s off on FAT",
       [](test::FakePlatform& p) {
         p.fileSystems['E'] = "FAT";
         p.disk["F:\\USB_Backup\\a.txt"].lastWrite += 3603 * kSecond;
       },
       {ListCopy({"a.txt"})}, Outcome::Completed},
      {"an hour off between two NTFS disks",
       [](test::FakePlatform& p) { p.disk["F:\\USB_Backup\\a.txt"].lastWrite += 3600 * kSecond; },
       {ListCopy({"a.txt"})}, Outcome::Completed},
      {"a whole folder the backup lacks, as one item",
       [](test::FakePlatform& p) {
         p.AddFile("E:\\New Album\\1.jpg", 5, kNoon);
         p.AddFile("E:\\New Album\\deep\\2.jpg", 5, kNoon);
       },
       {ListCopy({"New Album"})}, Outcome::Completed},
      {"a changed file in the hidden and system root folder",
       [](test::FakePlatform& p) { p.disk["E:\\System Volume Information\\tracking.log"].size = 99; }, {},
       Outcome::NothingChanged},
      {"a link, a junction and a reparse point of no known kind",
       [](test::FakePlatform& p) {
         for (const auto& [link, tag] : {std::pair{"E:\\link", 0xA000000Cu}, {"E:\\Photos\\junction link", 0xA0000003u},
                                         {"E:\\odd link", 0u}}) {
           p.AddFile(std::string(link) + "\\elsewhere.txt", 1, kNoon);
           p.disk[link].attributes |= win::kFileAttributeReparsePoint;
           p.disk[link].reparseTag = tag;
         }
       },
       {}, Outcome::NothingChanged},
      {"a file compressed by Windows at the root and a deduplicated one in a folder",
       [](test::FakePlatform& p) {
         for (const auto& [file, tag] : {std::pair{"E:\\data.bin", 0x80000017u}, {"E:\\Photos\\2024\\dedup.jpg", 0x80000013u}}) {
           p.AddFile(file, 4, kNoon, win::kFileAttributeReparsePoint);
           p.disk[file].reparseTag = tag;
         }
       },
       {ListCopy({"data.bin", "Photos\\2024\\dedup.jpg"})}, Outcome::Completed},
      {"a path too long for the shell's buffer: left to the repair",
       [](test::FakePlatform& p) {
         p.AddFile("E:\\" + kLongName, 4, kNoon);
         p.AddFile("E:\\b.txt", 4, kNoon);
       },
       {ListCopy({"b.txt"})}, Outcome::Completed},
      {"a name beyond the ANSI code page, passed on whole",
       [](test::FakePlatform& p) { p.AddFile("E:\\\xCE\xA9mega.txt", 4, kNoon); },
       {ListCopy({"\xCE\xA9mega.txt"})}, Outcome::Completed},
      {"nothing to copy", [](test::FakePlatform&) {}, {}, Outcome::NothingChanged},
      {"a file gone between the walk and the copy: the list fails whole, the repair copies",
       [](test::FakePlatform& p) {
         p.AddFile("E:\\a2.txt", 4, kNoon);
         p.AddFile("E:\\b2.txt", 4, kNoon);
         p.duringCopy = [&p] { p.disk.erase("E:\\b2.txt"); };
       },
       {ListCopy({"a2.txt", "b2.txt"})}, Outcome::Failed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::FakePlatform p;
    p.disk = platform.disk;
    c.setUp(p);
    const BackupResult result = BackupEngine(p).Run('E', 'F');
    EXPECT_EQ(p.CallsStartingWith("SHFileOperation"), c.shellCopies);
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(result.notCopied, std::vector<std::string>{});
    EXPECT_EQ(result.checked, c.outcome != Outcome::NothingChanged);
    // Whatever way it went, the backup now equals the disk in every meant file.
    for (const auto& [path, node] : p.disk) {
      if (path.rfind("E:\\", 0) != 0 || node.folder || path.find("System Volume") != std::string::npos ||
          path.find("link") != std::string::npos)
        continue;
      const std::string copy = "F:\\USB_Backup\\" + path.substr(3);
      FolderEntry copied;
      ASSERT_TRUE(p.GetFileInfo(copy, copied)) << copy;
      EXPECT_EQ(copied.size, node.size) << copy;
    }
  }
}

TEST_F(RepeatBackupTest, TheDestinationFoldersAreMadeBeforeTheCopy) {
  platform.AddFile("E:\\Photos\\2025\\new.jpg", 5, kNoon);     // a folder the backup lacks: one item
  platform.AddFile("E:\\Photos\\2024\\also.jpg", 5, kNoon);    // into a folder it has
  BackupEngine(platform).Run('E', 'F');
  ExpectInOrder(platform.calls, {"CreateFolder F:\\USB_Backup\\Photos", "CreateFolder F:\\USB_Backup\\Photos\\2024",
                                 ListCopy({"Photos\\2025", "Photos\\2024\\also.jpg"})});
}

// What the copy adds to the target - each file rounded up to the target's cluster, less what a
// file it replaces takes - against the space free to the user there.
TEST_F(RepeatBackupTest, ABackupThatCannotFit_IsNotStarted) {
  struct Case {
    const char* name;
    bool firstPress;
    std::function<void(test::FakePlatform&)> change;
    uint64_t free;
    uint64_t shortfall;  // 0: it fits and is copied
  };
  const auto newFile = [](test::FakePlatform& p) { p.AddFile("E:\\new.txt", 1, kNoon); };  // takes a cluster
  const auto grows = [](test::FakePlatform& p) { p.disk["E:\\a.txt"].size = 4097; };       // 2 clusters for 1
  const Case cases[] = {
      {"one byte takes a cluster: exactly enough", false, newFile, 4096, 0},
      {"one byte takes a cluster: one byte short", false, newFile, 4095, 1},
      {"a file compressed by Windows counts", false,
       [&](test::FakePlatform& p) {
         newFile(p);
         p.disk["E:\\new.txt"].attributes |= win::kFileAttributeReparsePoint;
         p.disk["E:\\new.txt"].reparseTag = 0x80000017;
       },
       4095, 1},
      {"a replaced file gives back what it took: exactly enough", false, grows, 4096, 0},
      {"a replaced file gives back what it took: one byte short", false, grows, 4095, 1},
      // Two files of 10 bytes and a new one of 1 (the hidden and system folder is not copied).
      {"the first press: exactly enough", true, newFile, 3 * 4096, 0},
      {"the first press: one byte short", true, newFile, 3 * 4096 - 1, 1},
      // A file FAT32 cannot hold is never copied, so it takes no space there.
      {"a file of 4 GB to a FAT32 disk takes nothing", true,
       [&](test::FakePlatform& p) {
         newFile(p);
         p.AddFile("E:\\Films\\film.mkv", 4ull << 30, kNoon);
         p.fileSystems['F'] = "FAT32";
       },
       3 * 4096, 0},
      {"a file one byte under 4 GB to a FAT32 disk counts", true,
       [&](test::FakePlatform& p) {
         newFile(p);
         p.AddFile("E:\\Films\\film.mkv", (4ull << 30) - 1, kNoon);
         p.fileSystems['F'] = "FAT32";
       },
       3 * 4096, 4ull << 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::FakePlatform p;
    p.disk = platform.disk;
    if (c.firstPress)
      for (auto it = p.disk.begin(); it != p.disk.end();) it = it->first.rfind("F:\\", 0) == 0 ? p.disk.erase(it) : ++it;
    c.change(p);
    p.space = {c.free, 4096};
    const BackupResult result = BackupEngine(p).Run('E', 'F');
    if (c.shortfall == 0) {
      EXPECT_NE(result.outcome, Outcome::NoSpace);
      EXPECT_EQ(p.CallsStartingWith("SHFileOperation").size(), 1u);
      continue;
    }
    EXPECT_EQ(result.outcome, Outcome::NoSpace);
    EXPECT_EQ(result.shortfall, c.shortfall);
    EXPECT_FALSE(result.checked);
    for (const char* writer : {"SHFileOperation", "CreateDirectory", "CreateFolder", "CopyFile"})
      EXPECT_TRUE(p.CallsStartingWith(writer).empty()) << "nothing is written: " << writer;
  }
}

TEST_F(RepeatBackupTest, UnknownFreeSpace_DoesNotStopTheBackup) {
  platform.AddFile("E:\\new.txt", 1, kNoon);
  platform.space = {0, 0};
  EXPECT_EQ(BackupEngine(platform).Run('E', 'F').outcome, Outcome::Completed);
}

}  // namespace
}  // namespace zolvan
