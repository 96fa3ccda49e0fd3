// The check of a backup against its source, and the repair of what the shell's copy left out.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "FakePlatform.h"
#include "backup/BackupCheck.h"
#include "backup/BackupEngine.h"

namespace zolvan {
namespace {

using Calls = std::vector<std::string>;
using Paths = std::vector<std::string>;
using Outcome = BackupResult::Outcome;

constexpr int64_t kSecond = 10'000'000;
constexpr int64_t kNoon = 13'000'000'000 * kSecond;
const std::string kDeep = "E:\\deep\\x\\y\\z\\deep.txt";
// E:\ and the name fit in MAX_PATH; F:\USB_Backup\ and the name do not.
const std::string kLongName = std::string(250, 'n') + ".txt";
constexpr uint32_t kHidden = win::kFileAttributeHidden, kSystem = win::kFileAttributeSystem;
// Reparse tags: a file compressed by Windows, a deduplicated file, a cloud placeholder, a
// symbolic link and a junction.
constexpr uint32_t kTagWof = 0x80000017, kTagDedup = 0x80000013, kTagCloud = 0x9000001A, kTagSymlink = 0xA000000C,
                   kTagMountPoint = 0xA0000003;

class BackupCheckTest : public ::testing::Test {
 protected:
  // Disk E: a file at the root, a photo, a file deep in folders, a hidden file, and the
  // hidden and system folder Windows keeps on every disk.
  BackupCheckTest() {
    platform.AddFile("E:\\a.txt", 10, kNoon);
    platform.AddFile("E:\\Photos\\2024\\img.jpg", 5000, kNoon);
    platform.AddFile(kDeep, 7, kNoon);
    platform.AddFile("E:\\hidden.txt", 3, kNoon, kHidden);
    platform.AddFolders("E:\\System Volume Information");
    platform.disk["E:\\System Volume Information"].attributes |= kHidden | kSystem;
    platform.AddFile("E:\\System Volume Information\\tracking.log", 1, kNoon);
  }

  BackupResult Run() {
    platform.calls.clear();
    return engine.Run('E', 'F');
  }
  Calls Repairs() const { return platform.CallsStartingWith("CopyFile"); }

  test::FakePlatform platform;
  BackupEngine engine{platform};
};

TEST_F(BackupCheckTest, EqualTrees_AreCheckedAndNeedNoRepair) {
  const BackupResult result = Run();
  EXPECT_EQ(result.outcome, Outcome::Completed);
  EXPECT_TRUE(result.checked);
  EXPECT_EQ(result.notCopied, Paths{});
  EXPECT_EQ(Repairs(), Calls{});
}

TEST_F(BackupCheckTest, WhatTheShellLeftOut_IsCopiedFileByFile) {
  struct Case {
    const char* name;
    std::function<void(test::FakePlatform&)> setUp;
    Calls repairs;
  };
  const Case cases[] = {
      {"a file deep in a folder", [](test::FakePlatform& p) { p.shellLeavesOut = {kDeep}; },
       {"CopyFile " + kDeep + " -> F:\\USB_Backup\\deep\\x\\y\\z\\deep.txt"}},
      {"the folders that hold it as well",
       [](test::FakePlatform& p) { p.shellLeavesOut = {"E:\\deep\\x"}; },
       {"CopyFile " + kDeep + " -> F:\\USB_Backup\\deep\\x\\y\\z\\deep.txt"}},
      {"an older copy kept: shorter",
       [](test::FakePlatform& p) {
         p.shellLeavesOut = {"E:\\a.txt"};
         p.AddFile("F:\\USB_Backup\\a.txt", 5, kNoon + 60 * kSecond);
       },
       {"CopyFile E:\\a.txt -> F:\\USB_Backup\\a.txt"}},
      {"an older copy kept: same size, older",
       [](test::FakePlatform& p) {
         p.shellLeavesOut = {"E:\\a.txt"};
         p.AddFile("F:\\USB_Backup\\a.txt", 10, kNoon - 3 * kSecond);
       },
       {"CopyFile E:\\a.txt -> F:\\USB_Backup\\a.txt"}},
      {"a copy a second older, as FAT keeps times, is in place",
       [](test::FakePlatform& p) {
         p.shellLeavesOut = {"E:\\a.txt"};
         p.AddFile("F:\\USB_Backup\\a.txt", 10, kNoon - 1 * kSecond);
       },
       {}},
      // A copy killed half-way keeps its full size with a fresh time; so does a disk image put
      // back to an older version in the source.
      {"a same-size copy newer than its source, the list copy failed",
       [](test::FakePlatform& p) {
         p.AddFile("F:\\USB_Backup\\a.txt", 10, kNoon + 10 * kSecond);
         p.listCopyResult = 1026;
       },
       {"CopyFile E:\\a.txt -> F:\\USB_Backup\\a.txt", "CopyFile E:\\hidden.txt -> F:\\USB_Backup\\hidden.txt",
        "CopyFile E:\\Photos\\2024\\img.jpg -> F:\\USB_Backup\\Photos\\2024\\img.jpg",
        "CopyFile " + kDeep + " -> F:\\USB_Backup\\deep\\x\\y\\z\\deep.txt"}},
      {"a same-size copy newer than its source, a path too long for the shell",
       [](test::FakePlatform& p) {
         p.AddFile("E:\\" + kLongName, 4, kNoon);
         p.AddFile("F:\\USB_Backup\\" + kLongName, 4, kNoon + 10 * kSecond);
       },
       {"CopyFile E:\\" + kLongName + " -> F:\\USB_Backup\\" + kLongName}},
      // Backups take their sources' attributes; CopyFileExW will not replace such a file.
      {"a read-only and hidden backup file",
       [](test::FakePlatform& p) {
         p.shellLeavesOut = {"E:\\hidden.txt"};
         p.AddFile("F:\\USB_Backup\\hidden.txt", 2, kNoon - 60 * kSecond,
                   win::kFileAttributeReadOnly | kHidden | 0x20);
       },
       {"CopyFile E:\\hidden.txt -> F:\\USB_Backup\\hidden.txt"}},
      {"a hidden file is meant too", [](test::FakePlatform& p) { p.shellLeavesOut = {"E:\\hidden.txt"}; },
       {"CopyFile E:\\hidden.txt -> F:\\USB_Backup\\hidden.txt"}},
      {"the hidden and system root folder is not",
       [](test::FakePlatform& p) { p.shellLeavesOut = {"E:\\System Volume Information"}; }, {}},
      {"a link is never followed",
       [](test::FakePlatform& p) {
         p.AddFile("E:\\link\\elsewhere.txt", 1, kNoon);
         p.disk["E:\\link"].attributes |= win::kFileAttributeReparsePoint;
         p.shellLeavesOut = {"E:\\link"};
       },
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::FakePlatform fresh;
    fresh.disk = platform.disk;
    c.setUp(fresh);
    BackupEngine e(fresh);
    const BackupResult result = e.Run('E', 'F');
    EXPECT_TRUE(result.checked);
    EXPECT_EQ(result.notCopied, Paths{});
    EXPECT_EQ(fresh.CallsStartingWith("CopyFile"), c.repairs);
    for (const std::string& repair : c.repairs) {
      const std::string target = repair.substr(repair.find(" -> ") + 4);
      const test::FakePlatform::Node& source = fresh.disk.at(repair.substr(9, repair.find(" -> ") - 9));
      EXPECT_EQ(fresh.disk.at(target).size, source.size);
      EXPECT_EQ(fresh.disk.at(target).lastWrite, source.lastWrite);
      EXPECT_EQ(fresh.disk.at(target).attributes, source.attributes);
    }
    // Only the backup's own files have their attributes changed, never a source's.
    for (const std::string& call : fresh.CallsStartingWith("SetAttributes"))
      EXPECT_EQ(call.substr(0, 28), "SetAttributes F:\\USB_Backup\\") << call;
  }
}

// Files compressed by Windows, deduplicated files and cloud placeholders are reparse points that
// hold ordinary data. Links, junctions and mount points name something elsewhere, and so does a
// reparse point of no known kind (Wine shows a host's link so): those are neither followed nor
// counted.
TEST_F(BackupCheckTest, ReparsePointsThatHoldData_AreCopiedAndChecked_LinksAreNot) {
  const auto reparse = [&](const std::string& path, uint32_t tag) {
    platform.disk[path].attributes |= win::kFileAttributeReparsePoint;
    platform.disk[path].reparseTag = tag;
  };
  platform.AddFile("E:\\data.bin", 30, kNoon);
  reparse("E:\\data.bin", kTagWof);
  platform.AddFile("E:\\Photos\\dedup.jpg", 40, kNoon);
  reparse("E:\\Photos\\dedup.jpg", kTagDedup);
  platform.AddFile("E:\\Cloud\\report.docx", 50, kNoon);
  reparse("E:\\Cloud", kTagCloud);
  // At the root, and deep in folders the backup lacks, which the shell would copy whole: it
  // would follow them.
  for (const auto& [link, tag] : {std::pair{"E:\\link", kTagSymlink}, {"E:\\junction", kTagMountPoint},
                                  {"E:\\odd", 0u}, {"E:\\New\\sub\\junction", kTagMountPoint},
                                  {"E:\\Photos\\2024\\link", kTagSymlink}}) {
    platform.AddFile(std::string(link) + "\\elsewhere.txt", 1, kNoon);
    reparse(link, tag);
  }
  platform.AddFile("E:\\New\\sub\\keep.txt", 3, kNoon);
  platform.AddFile("E:\\New\\pics\\p.jpg", 3, kNoon);
  platform.shellLeavesOut = {"E:\\data.bin", "E:\\Photos\\dedup.jpg"};  // for the check to find
  const BackupResult result = Run();
  EXPECT_TRUE(result.checked);
  EXPECT_EQ(result.notCopied, Paths{});
  EXPECT_EQ(Repairs(), (Calls{"CopyFile E:\\data.bin -> F:\\USB_Backup\\data.bin",
                              "CopyFile E:\\Photos\\dedup.jpg -> F:\\USB_Backup\\Photos\\dedup.jpg"}));
  for (const char* copied : {"F:\\USB_Backup\\Cloud\\report.docx", "F:\\USB_Backup\\New\\sub\\keep.txt",
                             "F:\\USB_Backup\\New\\pics\\p.jpg", "F:\\USB_Backup\\Photos\\2024\\img.jpg"})
    EXPECT_EQ(platform.disk.count(copied), 1u) << copied;
  for (const auto& [path, node] : platform.disk)
    EXPECT_FALSE(path[0] == 'F' && path.find("elsewhere") != std::string::npos) << path;
}

// The fallback's listing names what the plan keeps from the shell: links, second names and the
// folders that hold them. They are left to the check, which copies file by file.
TEST_F(BackupCheckTest, Fallback_NeverHandsTheShellALinkOrASecondName) {
  platform.AddFile("E:\\A.txt", 100, kNoon);
  platform.AddFile("E:\\a.txt", 200, kNoon);
  platform.AddFile("E:\\Docs\\x.txt", 100, kNoon);
  platform.AddFile("E:\\Docs\\X.TXT", 200, kNoon);  // listed first
  platform.AddFile("E:\\link\\elsewhere.txt", 1, kNoon);
  platform.disk["E:\\link"].attributes |= win::kFileAttributeReparsePoint;
  platform.disk["E:\\link"].reparseTag = kTagSymlink;
  platform.listCopyResult = 1026;
  platform.listing = "A.txt\r\na.txt\r\nDocs\r\nlink\r\nPhotos\r\n";
  const BackupResult result = Run();
  EXPECT_EQ(platform.CallsStartingWith("SHFileOperation 2"),
            (Calls{"SHFileOperation 2 E:\\A.txt -> F:\\USB_Backup flags=3088",
                   "SHFileOperation 2 E:\\Photos -> F:\\USB_Backup flags=3088"}));
  EXPECT_EQ(result.sameName, (Paths{"E:\\a.txt", "E:\\Docs\\x.txt"}));
  EXPECT_EQ(result.notCopied, Paths{});
  EXPECT_EQ(platform.disk.at("F:\\USB_Backup\\A.txt").size, 100u);
  EXPECT_EQ(platform.disk.at("F:\\USB_Backup\\Docs\\X.TXT").size, 200u);
  for (const auto& [path, node] : platform.disk)
    EXPECT_FALSE(path[0] == 'F' && path.find("elsewhere") != std::string::npos) << path;
}

// A folder written by Linux (or one Windows keeps case-sensitive) can hold a.txt and A.txt; the
// backup disk holds one file for both. The first the listing gives is copied, each other one is
// named, and nothing ever writes one over the other: no folder holding them is copied whole.
TEST_F(BackupCheckTest, NamesThatDifferOnlyInCase_TheFirstIsCopied_TheOthersAreNamed) {
  struct Case {
    const char* name;
    std::function<void(test::FakePlatform&)> setUp;
    std::string first;  // its backup; the first listed is 100 bytes, the others are not
    Paths others;
  };
  const Case cases[] = {
      {"at the root",
       [](test::FakePlatform& p) {
         p.AddFile("E:\\NOTES.TXT", 100, kNoon);
         p.AddFile("E:\\Notes.txt", 200, kNoon);
         p.AddFile("E:\\notes.txt", 300, kNoon);
       },
       "F:\\USB_Backup\\NOTES.TXT", {"E:\\Notes.txt", "E:\\notes.txt"}},
      {"deep in a folder the backup lacks",
       [](test::FakePlatform& p) {
         p.AddFile("E:\\New\\x\\Plan.doc", 100, kNoon);
         p.AddFile("E:\\New\\x\\plan.doc", 200, kNoon);
         p.AddFile("E:\\New\\pics\\p.jpg", 5, kNoon);
         p.AddFile("E:\\New\\y.txt", 6, kNoon);
       },
       "F:\\USB_Backup\\New\\x\\Plan.doc", {"E:\\New\\x\\plan.doc"}},
      {"in a folder the backup has",
       [](test::FakePlatform& p) {
         p.AddFile("F:\\USB_Backup\\Photos\\2024\\img.jpg", 5000, kNoon);
         p.AddFile("E:\\Photos\\2024\\IMG2.jpg", 100, kNoon);
         p.AddFile("E:\\Photos\\2024\\img2.jpg", 200, kNoon);
       },
       "F:\\USB_Backup\\Photos\\2024\\IMG2.jpg", {"E:\\Photos\\2024\\img2.jpg"}},
      {"two folders",
       [](test::FakePlatform& p) {
         p.AddFile("E:\\Music\\a.mp3", 100, kNoon);
         p.AddFile("E:\\music\\b.mp3", 200, kNoon);
       },
       "F:\\USB_Backup\\Music\\a.mp3", {"E:\\music"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::FakePlatform fresh;
    fresh.disk = platform.disk;
    c.setUp(fresh);
    // The first press, and one after it: never "finished." nor "nothing had changed".
    for (int press = 1; press <= 2; ++press) {
      SCOPED_TRACE(press);
      fresh.calls.clear();
      const BackupResult result = BackupEngine(fresh).Run('E', 'F');
      EXPECT_EQ(result.outcome, Outcome::Completed);
      EXPECT_TRUE(result.checked);
      EXPECT_EQ(result.sameName, c.others);
      EXPECT_EQ(result.Missing(), c.others.size());
      ASSERT_EQ(fresh.disk.count(c.first), 1u);
      EXPECT_EQ(fresh.disk.at(c.first).size, 100u);
      EXPECT_EQ(fresh.disk.count("F:\\USB_Backup\\music\\b.mp3") + fresh.disk.count("F:\\USB_Backup\\Music\\b.mp3"), 0u);
      // No copy takes another one, or a folder that holds it.
      for (const std::string& call : fresh.calls) {
        if (call.rfind("SHFileOperation", 0) != 0 && call.rfind("CopyFile", 0) != 0) continue;
        const std::string from = call.substr(call.find(' ', call.find(' ') + 1) + 1);
        for (const std::string& other : c.others)
          for (size_t at = 0; at < from.size();) {
            const size_t end = std::min(from.find('|', at), from.find(" -> ", at));
            const std::string source = from.substr(at, end - at);
            EXPECT_FALSE(other == source || other.rfind(source + '\\', 0) == 0) << call;
            if (from.compare(end, 4, " -> ") == 0) break;
            at = end + 1;
          }
      }
    }
  }
}

// The repair's copy cannot read the source: the backup's older file stays as it was, read-only
// and hidden as its source once was.
TEST_F(BackupCheckTest, ARepairThatCannotCopy_LeavesTheBackupFileAsItWas) {
  constexpr uint32_t kKept = win::kFileAttributeReadOnly | kHidden | 0x20;
  platform.AddFile("F:\\USB_Backup\\hidden.txt", 2, kNoon - 60 * kSecond, kKept);
  platform.disk["E:\\hidden.txt"].readable = false;
  const BackupResult result = Run();
  EXPECT_EQ(result.notCopied, Paths{"E:\\hidden.txt"});
  EXPECT_EQ(Repairs(), Calls{"CopyFile E:\\hidden.txt -> F:\\USB_Backup\\hidden.txt"});
  EXPECT_EQ(platform.disk.at("F:\\USB_Backup\\hidden.txt").attributes, kKept);
  EXPECT_EQ(platform.disk.at("F:\\USB_Backup\\hidden.txt").size, 2u);
}

TEST_F(BackupCheckTest, Repair_MakesTheFoldersTheShellLeftOut) {
  platform.shellLeavesOut = {"E:\\deep\\x"};
  Run();
  EXPECT_EQ(platform.CallsStartingWith("CreateFolder"),
            (Calls{"CreateFolder F:\\USB_Backup\\deep", "CreateFolder F:\\USB_Backup\\deep\\x",
                   "CreateFolder F:\\USB_Backup\\deep\\x\\y", "CreateFolder F:\\USB_Backup\\deep\\x\\y\\z"}));
}

// The window answers while a large disk is walked or a deep file's folders are made.
TEST_F(BackupCheckTest, TheWalkAndTheRepair_CallBackAtEveryFolder) {
  int pending = 0;
  BackupCheck check(platform, 'E', 'F', [&] { return ++pending > 0; });
  const auto walk = check.Differences([](const FolderEntry&) { return true; }, {});
  // Photos, 2024, deep, x, y, z and System Volume Information.
  EXPECT_EQ(pending, 7);
  ASSERT_TRUE(walk);
  pending = 0;
  check.Repair({"deep\\x\\y\\z\\deep.txt"});
  // One before the file, one at each of its 4 folders, and 2 from the copy's progress.
  EXPECT_EQ(pending, 7);
}

// Exit chosen while the disk is walked: the walk ends there, and so does the run, before any
// copy.
TEST_F(BackupCheckTest, NoFromKeepGoing_EndsTheWalk_AndNothingIsCopied) {
  // The walk asks at Photos, 2024, deep, x, y and z, then once more before the copy: "no" at the
  // first folder, in the middle, and after the walk.
  for (int no : {1, 4, 7}) {
    SCOPED_TRACE(no);
    test::FakePlatform fresh;
    fresh.disk = platform.disk;
    int asked = 0;
    const BackupResult result = BackupEngine(fresh).Run('E', 'F', [&] { return ++asked != no; });
    EXPECT_EQ(result.outcome, Outcome::Stopped);
    EXPECT_EQ(asked, no) << "not asked again after the no";
    for (const char* writer : {"SHFileOperation", "CreateDirectory", "CreateFolder", "CopyFile"})
      EXPECT_TRUE(fresh.CallsStartingWith(writer).empty()) << writer;
  }
}

TEST_F(BackupCheckTest, WhatCannotBeCopied_IsReported_AndNothingElse) {
  platform.AddFile("E:\\socket", 0, kNoon);
  platform.disk["E:\\socket"].readable = false;
  platform.AddFile("E:\\Photos\\locked.jpg", 20, kNoon);
  platform.disk["E:\\Photos\\locked.jpg"].readable = false;
  platform.shellLeavesOut = {kDeep};
  const BackupResult result = Run();
  EXPECT_TRUE(result.checked);
  // A folder's files come before what its subfolders hold.
  EXPECT_EQ(result.notCopied, (Paths{"E:\\socket", "E:\\Photos\\locked.jpg"}));
  EXPECT_EQ(Repairs().size(), 3u) << "the deep file was repaired, the two others tried";
}

// Whatever the fallback's listing named, the backup is checked against the whole root: a root
// entry the listing left out or named in other bytes is copied by the repair.
TEST_F(BackupCheckTest, Fallback_IsCheckedAgainstTheWholeRoot_WhateverItsListingNamed) {
  const std::string umlautFolder = "E:\\Fotos_M\xC3\xBCller";  // UTF-8, as the walk sees it
  struct Case {
    const char* name;
    std::function<void(test::FakePlatform&)> setUp;
  };
  const Case cases[] = {
      // dir writes a redirected listing in the OEM code page: ü is 0x81 there, 0xFC in ANSI, and
      // the shell finds no entry of that name.
      {"a name in the OEM code page",
       [&](test::FakePlatform& p) {
         p.listing = "a.txt\r\nFotos_M\x81ller\r\nPhotos\r\ndeep\r\n";
         p.copyResults["E:\\Fotos_M\x81ller"] = 1026;
       }},
      {"an empty listing: the command interpreter is blocked",
       [](test::FakePlatform& p) { p.commandInterpreterBlocked = true; }},
      {"a listing that leaves out hidden entries",
       [](test::FakePlatform& p) { p.listing = "a.txt\r\nPhotos\r\ndeep\r\nFotos_M\x81ller\r\n"; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::FakePlatform fresh;
    fresh.disk = platform.disk;
    fresh.AddFile(umlautFolder + "\\img.jpg", 40, kNoon);
    fresh.listCopyResult = 1026;
    c.setUp(fresh);
    BackupEngine e(fresh);
    const BackupResult result = e.Run('E', 'F');
    EXPECT_TRUE(result.checked);
    EXPECT_EQ(result.notCopied, Paths{});
    for (const char* copied : {"F:\\USB_Backup\\Fotos_M\xC3\xBCller\\img.jpg", "F:\\USB_Backup\\hidden.txt",
                               "F:\\USB_Backup\\a.txt", "F:\\USB_Backup\\deep\\x\\y\\z\\deep.txt"})
      EXPECT_EQ(fresh.disk.count(copied), 1u) << copied;
    EXPECT_EQ(fresh.disk.count("F:\\USB_Backup\\System Volume Information"), 0u);
  }
}

TEST_F(BackupCheckTest, Fallback_StopsAtItsFailingEntry_AndTheRepairCopiesWhatItLeft) {
  platform.listCopyResult = 1026;
  platform.copyResults["E:\\a.txt"] = 1026;
  platform.listing = "a.txt\r\nPhotos\r\n";
  const BackupResult result = Run();
  EXPECT_EQ(result.outcome, Outcome::Failed);
  EXPECT_EQ(result.failedEntry, "a.txt");
  EXPECT_EQ(platform.CallsStartingWith("SHFileOperation").size(), 2u) << "Photos is left to the repair";
  EXPECT_EQ(Repairs(), (Calls{"CopyFile E:\\a.txt -> F:\\USB_Backup\\a.txt",
                              "CopyFile E:\\hidden.txt -> F:\\USB_Backup\\hidden.txt",
                              "CopyFile E:\\Photos\\2024\\img.jpg -> F:\\USB_Backup\\Photos\\2024\\img.jpg",
                              "CopyFile " + kDeep + " -> F:\\USB_Backup\\deep\\x\\y\\z\\deep.txt"}));
  EXPECT_EQ(result.notCopied, Paths{});
}

TEST_F(BackupCheckTest, NoListing_MeansTheWholeRootAgain) {
  // Neither the whole-root copy nor the listing worked: the check does not take "nothing named"
  // for "nothing to copy".
  platform.listCopyResult = 1026;
  platform.openFails = true;
  const BackupResult result = Run();
  EXPECT_EQ(result.outcome, Outcome::Failed);
  EXPECT_EQ(Repairs().size(), 4u);
  EXPECT_EQ(result.notCopied, Paths{});
}

// A folder whose listing failed part-way (a USB link that drops): what it holds is unknown, so
// the check never calls the backup complete over it.
TEST_F(BackupCheckTest, AFolderListedOnlyInPart_IsReportedUnread) {
  platform.AddFile("E:\\Photos\\2024\\img2.jpg", 5, kNoon);
  platform.listingsCutShort = {"E:\\Photos\\2024"};
  const BackupResult result = Run();
  EXPECT_TRUE(result.checked);
  EXPECT_EQ(result.unread, Paths{"E:\\Photos\\2024"});
  EXPECT_EQ(result.notCopied, Paths{});
  EXPECT_EQ(result.Missing(), 1u);
}

// On a FAT32 target a file of 4 GB or more can never be copied: it is named, never tried, and
// everything else is copied file by file.
TEST_F(BackupCheckTest, FilesTooLargeForAFat32Target_AreNamed_AndEverythingElseIsCopied) {
  platform.fileSystems['F'] = "FAT32";
  platform.AddFile("E:\\Photos\\film.mkv", 4ull << 30, kNoon);
  platform.AddFile("E:\\Photos\\edge.bin", (4ull << 30) - 1, kNoon);  // the largest FAT32 holds
  const BackupResult result = Run();
  EXPECT_TRUE(result.checked);
  EXPECT_EQ(result.tooLarge, Paths{"E:\\Photos\\film.mkv"});
  EXPECT_EQ(result.notCopied, Paths{});
  EXPECT_EQ(platform.disk.count("F:\\USB_Backup\\Photos\\film.mkv"), 0u);
  for (const char* copied : {"F:\\USB_Backup\\Photos\\edge.bin", "F:\\USB_Backup\\Photos\\2024\\img.jpg",
                             "F:\\USB_Backup\\a.txt", "F:\\USB_Backup\\deep\\x\\y\\z\\deep.txt"})
    EXPECT_EQ(platform.disk.count(copied), 1u) << copied;
  for (const std::string& call : platform.CallsStartingWith("SHFileOperation"))
    EXPECT_EQ(call.find("film.mkv"), std::string::npos) << "never handed to the shell";
  EXPECT_TRUE(Repairs().empty());
}

TEST_F(BackupCheckTest, SourceThatCannotBeListed_IsNotChecked) {
  platform.missingDrives = {'E'};
  const BackupResult result = Run();
  EXPECT_FALSE(result.checked);
  EXPECT_TRUE(Repairs().empty());
}


// Long paths allow some 16,000 levels of folders; the walk keeps its own list of folders to
// visit, so no depth can overflow the thread's stack.
TEST(BackupCheckDeepTree, AHundredThousandLevels_AreWalkedToTheFileAtTheBottom) {
  constexpr size_t kLevels = 100'000;
  test::FakePlatform platform;
  // E:\d\d\...\d, kLevels deep, holds one file f; USB_Backup holds nothing yet. Told from the
  // path's length alone: a map of such paths would hold gigabytes.
  platform.listFolder = [](const std::string& folder, std::vector<FolderEntry>& entries) {
    if (folder[0] != 'E') return false;
    const size_t depth = (folder.size() - 2) / 2;
    FolderEntry entry;
    entry.name = depth < kLevels ? "d" : "f";
    entry.attributes = depth < kLevels ? win::kFileAttributeDirectory : 0;
    entries.push_back(entry);
    return true;
  };
  BackupCheck check(platform, 'E', 'F');
  const auto walk = check.Differences([](const FolderEntry&) { return true; }, {});
  ASSERT_TRUE(walk);
  ASSERT_EQ(walk->items.size(), 1u);
  const std::string& path = walk->items.front().path;
  EXPECT_EQ(path.size(), 2 * kLevels + 1);
  EXPECT_EQ(path.substr(path.size() - 4), "\\d\\f");
}

}  // namespace
}  // namespace zolvan
