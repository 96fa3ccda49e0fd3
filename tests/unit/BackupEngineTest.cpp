#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "FakePlatform.h"
#include "backup/BackupEngine.h"

namespace zolvan {
namespace {

using Calls = std::vector<std::string>;
using Outcome = BackupResult::Outcome;
using namespace std::string_literals;
using test::ExpectInOrder;

const std::string kListing = "C:\\Users\\Ann Lee\\AppData\\Local\\Temp\\zlv1.tmp";
// The root's entries but the hidden and system folder, each paired with its place in the backup:
// no confirmation, no error dialog, no security attributes, one destination each, folders made.
const std::string kRootCopy =
    "SHFileOperationW 2 E:\\Photos|E:\\a.txt -> F:\\USB_Backup\\Photos|F:\\USB_Backup\\a.txt flags=3601";
const std::string kDir = "System dir E:\\ /b > \"" + kListing + "\"";

std::string CopyOf(const std::string& name) { return "SHFileOperation 2 E:\\" + name + " -> F:\\USB_Backup flags=3088"; }

class BackupEngineTest : public ::testing::Test {
 protected:
  // Disk E: a folder, a file, and the hidden and system folder Windows keeps on every disk.
  BackupEngineTest() {
    platform.AddFile("E:\\Photos\\p.jpg", 20, 0);
    platform.AddFile("E:\\a.txt", 10, 0);
    platform.AddFile("E:\\System Volume Information\\tracking.log", 1, 0);
    platform.disk["E:\\System Volume Information"].attributes |= win::kFileAttributeHidden | win::kFileAttributeSystem;
  }

  // Runs a first backup of E into F and returns the calls it made; `result` holds how it ended.
  Calls Backup(char source = 'E', char target = 'F') {
    platform.calls.clear();
    for (auto it = platform.disk.begin(); it != platform.disk.end();)
      it = it->first.rfind("F:\\", 0) == 0 ? platform.disk.erase(it) : std::next(it);
    result = engine.Run(source, target);
    ExpectNothingWrittenTo(source);
    return platform.calls;
  }

  // The source disk is only ever read: no folder, file, listing or copy target on it.
  void ExpectNothingWrittenTo(char source) {
    const std::string onSource = std::string(1, source) + ":";
    for (const std::string& c : platform.calls) {
      for (const char* writer : {"CreateDirectory ", "DeleteFile ", "GetTempFileName ", "CreateFolder ", "SetAttributes "}) {
        if (c.rfind(writer, 0) == 0) {
          EXPECT_NE(c.substr(std::strlen(writer), 2), onSource) << c;
        }
      }
      const auto arrow = c.find(" -> ");
      if (arrow != std::string::npos) {
        EXPECT_NE(c.substr(arrow + 4, 2), onSource) << c;
      }
      const auto redirect = c.find("> \"");
      if (redirect != std::string::npos) {
        EXPECT_NE(c.substr(redirect + 3, 2), onSource) << c;
      }
    }
  }

  // The shell copy of the root's entries fails, so the listing drives the copy.
  void FailRootCopy(const std::string& listing) {
    platform.listCopyResult = 1026;
    platform.listing = listing;
  }

  test::FakePlatform platform;
  BackupEngine engine{platform};
  BackupResult result;
};

TEST_F(BackupEngineTest, FirstPress_CopiesTheRootEntriesButTheSystemsFolders_InOneShellCopy) {
  EXPECT_EQ(Backup(), (Calls{"GetDiskSpace F:\\", "CreateDirectory F:\\USB_Backup", kRootCopy}));
  EXPECT_EQ(result.outcome, Outcome::Completed);
  EXPECT_EQ(platform.disk.count("F:\\USB_Backup\\Photos\\p.jpg"), 1u);
  EXPECT_EQ(platform.disk.count("F:\\USB_Backup\\System Volume Information"), 0u);
}

// The user cancelled, or the shell went on past an error and said "aborted": no fallback and no
// repair, but the check tells what the backup lacks.
TEST_F(BackupEngineTest, CancelledCopy_HasNoFallbackNorRepair_ButTellsWhatIsMissing) {
  // 1223 from the shell, or 0 with "any operations aborted" set.
  for (bool reportedAsSuccess : {false, true}) {
    SCOPED_TRACE(reportedAsSuccess);
    platform.copyResults["E:\\a.txt"] = reportedAsSuccess ? 0 : 1223;
    if (reportedAsSuccess) platform.copiesReportedAborted = {"E:\\a.txt"};
    EXPECT_EQ(Backup(), (Calls{"GetDiskSpace F:\\", "CreateDirectory F:\\USB_Backup", kRootCopy}));
    EXPECT_EQ(result.outcome, Outcome::Cancelled);
    EXPECT_TRUE(result.checked);
    EXPECT_EQ(result.notCopied, (std::vector<std::string>{"E:\\a.txt", "E:\\Photos\\p.jpg"}));
  }
}

TEST_F(BackupEngineTest, Fallback_CopiesEachListedEntryInOrder_AndDeletesListing) {
  FailRootCopy("a.txt\r\nPhotos\r\n");
  EXPECT_EQ(Backup(), (Calls{"GetDiskSpace F:\\", "CreateDirectory F:\\USB_Backup", kRootCopy, "GetTempFileName " + kListing, kDir,
                             "OpenFile " + kListing, "CreateDirectory F:\\USB_Backup", CopyOf("a.txt"),
                             "CreateDirectory F:\\USB_Backup", CopyOf("Photos"), "CloseFile", "DeleteFile " + kListing}));
  EXPECT_EQ(result.outcome, Outcome::Completed);
  EXPECT_EQ(result.notCopied, std::vector<std::string>{});
  EXPECT_TRUE(platform.files.empty()) << "no listing file is left behind";
}

TEST_F(BackupEngineTest, Fallback_ReadsLines) {
  struct Case {
    const char* name;
    std::string listing;
    std::vector<std::string> copied;
  };
  const std::string longName(600, 'n');
  const Case cases[] = {
      {"empty line skipped", "a\r\n\r\nb\r\n", {"a", "b"}},
      {"CR only", "a\rb\r", {"a", "b"}},
      {"LF only", "a\nb\n", {"a", "b"}},
      {"mixed and blank lines", "\r\n\r\na\n\r\rb\r\n\n", {"a", "b"}},
      {"empty listing", "", {}},
      {"last line without line end", "a\r\nb", {"a"}},
      {"blanks kept", " x y \r\n", {" x y "}},
      {"a NUL names nothing (not the root)", "\0\r\na\0b\r\nc\r\n"s, {"c"}},
      {"overlong line cut to 511 bytes", longName + "\r\nc\r\n", {longName.substr(0, 511), "c"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FailRootCopy(c.listing);
    Calls copies;
    for (const std::string& call : Backup())
      if (call.rfind("SHFileOperation ", 0) == 0) copies.push_back(call);
    Calls expected;
    for (const std::string& name : c.copied) expected.push_back(CopyOf(name));
    EXPECT_EQ(copies, expected);
    EXPECT_TRUE(platform.files.empty());
  }
}

TEST_F(BackupEngineTest, Fallback_StopsAtFirstFailingEntry_AndStillDeletesListing) {
  struct Case {
    int result;
    bool aborted;
    Outcome outcome;
  };
  // A failure, a cancellation, and a cancellation the shell reported as success.
  for (const Case& c : {Case{1026, false, Outcome::Failed}, Case{1223, false, Outcome::Cancelled},
                        Case{0, true, Outcome::Cancelled}}) {
    SCOPED_TRACE(c.result);
    FailRootCopy("a\r\nb\r\nc\r\n");
    platform.copyResults["E:\\b"] = c.result;
    platform.copiesReportedAborted = c.aborted ? std::set<std::string>{"E:\\b"} : std::set<std::string>{};
    const Calls calls = Backup();
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_EQ(result.failedEntry, "b");
    EXPECT_EQ(platform.CallsStartingWith("SHFileOperation"), (Calls{kRootCopy, CopyOf("a"), CopyOf("b")}));
    const std::string listing = platform.CallsStartingWith("GetTempFileName ").at(0).substr(16);
    ExpectInOrder(calls, {CopyOf("b"), "CloseFile", "DeleteFile " + listing});
    EXPECT_TRUE(platform.files.empty());
  }
}

TEST_F(BackupEngineTest, Fallback_DeletesListing_WhenItCannotBeOpened) {
  FailRootCopy("a\r\n");
  platform.openFails = true;
  const Calls calls = Backup();
  ExpectInOrder(calls, {kDir, "OpenFile " + kListing, "DeleteFile " + kListing});
  EXPECT_EQ(platform.CallsStartingWith("SHFileOperation"), Calls{kRootCopy});
  EXPECT_EQ(result.outcome, Outcome::Failed);
  EXPECT_TRUE(platform.files.empty());
}

TEST_F(BackupEngineTest, Run_NeverCopiesADiskIntoItself) {
  EXPECT_EQ(Backup('F', 'F'), Calls{});
  EXPECT_EQ(result.outcome, Outcome::SameDisk);
}

TEST_F(BackupEngineTest, Run_CopiesNothing_ForLettersOutsideAToZ) {
  for (auto [source, target] : {std::pair{'&', 'F'}, {'E', '\0'}, {'e', 'F'}, {'E', '['}, {'\0', '\0'}}) {
    SCOPED_TRACE(testing::Message() << int(source) << " " << int(target));
    EXPECT_EQ(Backup(source, target), Calls{});
    EXPECT_EQ(result.outcome, Outcome::Failed);
  }
}

TEST_F(BackupEngineTest, Listing_GoesToTargetDisk_WhenTempFolderIsOnSource) {
  for (const char* temp : {"E:\\Temp\\", "e:\\Temp\\", ""}) {
    SCOPED_TRACE(temp);
    platform.tempPath = temp;
    FailRootCopy("a\r\n");
    const Calls calls = Backup();
    const Calls temps = platform.CallsStartingWith("GetTempFileName");
    ASSERT_EQ(temps.size(), 1u);
    EXPECT_EQ(temps[0].substr(0, 19), "GetTempFileName F:\\");
    EXPECT_EQ(platform.CallsStartingWith("SHFileOperation").back(), CopyOf("a"));
  }
}

TEST_F(BackupEngineTest, MakeDirPath_CreatesEveryFolderAlongThePath) {
  struct Case {
    const char* path;
    Calls created;
  };
  const Case cases[] = {
      {"F:\\USB_Backup", {"CreateDirectory F:\\USB_Backup"}},
      {"C:\\a\\b/c", {"CreateDirectory C:\\a", "CreateDirectory C:\\a\\b", "CreateDirectory C:\\a\\b/c"}},
      {"F:\\USB_Backup\\", {"CreateDirectory F:\\USB_Backup", "CreateDirectory F:\\USB_Backup\\"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    platform.calls.clear();
    engine.MakeDirPath(c.path);
    EXPECT_EQ(platform.calls, c.created);
  }
}

}  // namespace
}  // namespace zolvan
