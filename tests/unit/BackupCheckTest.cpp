// The check of a backup against its source, and the repair of what the shell's copy left out.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "FakePlatform.h"
#include "backup/BackupEngine.h"

namespace zolvan {
namespace {

using Calls = std::vector<std::string>;
using Paths = std::vector<std::string>;
using Outcome = BackupResult::Outcome;

constexpr int64_t kSecond = 10'000'000;
constexpr int64_t kNoon = 13'000'000'000 * kSecond;
const std::string kDeep = "E:\\deep\\x\\y\\z\\deep.txt";
constexpr uint32_t kHidden = win::kFileAttributeHidden, kSystem = win::kFileAttributeSystem;

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
      EXPECT_EQ(fresh.disk.at(target).size, fresh.disk.at(repair.substr(9, repair.find(" -> ") - 9)).size);
    }
  }
}

TEST_F(BackupCheckTest, Repair_MakesTheFoldersTheShellLeftOut) {
  platform.shellLeavesOut = {"E:\\deep\\x"};
  Run();
  EXPECT_EQ(platform.CallsStartingWith("CreateFolder"),
            (Calls{"CreateFolder F:\\USB_Backup\\deep", "CreateFolder F:\\USB_Backup\\deep\\x",
                   "CreateFolder F:\\USB_Backup\\deep\\x\\y", "CreateFolder F:\\USB_Backup\\deep\\x\\y\\z"}));
}

TEST_F(BackupCheckTest, WhatCannotBeCopied_IsReported_AndNothingElse) {
  platform.AddFile("E:\\socket", 0, kNoon);
  platform.disk["E:\\socket"].readable = false;
  platform.AddFile("E:\\Photos\\locked.jpg", 20, kNoon);
  platform.disk["E:\\Photos\\locked.jpg"].readable = false;
  platform.shellLeavesOut = {kDeep};
  const BackupResult result = Run();
  EXPECT_TRUE(result.checked);
  EXPECT_EQ(result.notCopied, (Paths{"E:\\Photos\\locked.jpg", "E:\\socket"}));
  EXPECT_EQ(Repairs().size(), 3u) << "the deep file was repaired, the two others tried";
}

TEST_F(BackupCheckTest, Fallback_IsCheckedOnlyForWhatItsListingNamed) {
  // The whole-root copy fails; the listing names a.txt and Photos only.
  platform.copyResults["E:\\*"] = 1026;
  platform.listing = "a.txt\r\nPhotos\r\n";
  const BackupResult result = Run();
  EXPECT_EQ(result.outcome, Outcome::Completed);
  EXPECT_TRUE(result.checked);
  EXPECT_EQ(result.notCopied, Paths{});
  EXPECT_TRUE(Repairs().empty()) << "deep and hidden.txt were not meant";
}

TEST_F(BackupCheckTest, Fallback_WhatItsFailingEntryAndTheRestLeftOut_IsRepaired) {
  platform.copyResults["E:\\*"] = 1026;
  platform.copyResults["E:\\a.txt"] = 1026;
  platform.listing = "a.txt\r\nPhotos\r\n";
  const BackupResult result = Run();
  EXPECT_EQ(result.outcome, Outcome::Failed);
  EXPECT_EQ(result.failedEntry, "a.txt");
  EXPECT_EQ(Repairs(), (Calls{"CopyFile E:\\Photos\\2024\\img.jpg -> F:\\USB_Backup\\Photos\\2024\\img.jpg",
                              "CopyFile E:\\a.txt -> F:\\USB_Backup\\a.txt"}));
  EXPECT_EQ(result.notCopied, Paths{});
}

TEST_F(BackupCheckTest, NoListing_MeansTheWholeRootAgain) {
  // Neither the whole-root copy nor the listing worked: the check does not take "nothing named"
  // for "nothing to copy".
  platform.copyResults["E:\\*"] = 1026;
  platform.openFails = true;
  const BackupResult result = Run();
  EXPECT_EQ(result.outcome, Outcome::Failed);
  EXPECT_EQ(Repairs().size(), 4u);
  EXPECT_EQ(result.notCopied, Paths{});
}

TEST_F(BackupCheckTest, SourceThatCannotBeListed_IsNotChecked) {
  platform.missingDrives = {'E'};
  const BackupResult result = Run();
  EXPECT_FALSE(result.checked);
  EXPECT_TRUE(Repairs().empty());
}

TEST_F(BackupCheckTest, CancelledCopy_IsLeftAsTheUserLeftIt) {
  platform.copyResults["E:\\*"] = 1223;
  const BackupResult result = Run();
  EXPECT_EQ(result.outcome, Outcome::Cancelled);
  EXPECT_FALSE(result.checked);
  EXPECT_TRUE(Repairs().empty());
}

}  // namespace
}  // namespace zolvan
