// The button poll as the main dialog runs it: what a press does, what the user is shown, and a
// pass that is never entered again.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "FrontPortDialogTest.h"

namespace zolvan {
namespace {

using Calls = std::vector<std::string>;
using test::BalloonsOf;
using test::ExpectInOrder;
using test::Forget;
using test::kHub;
using namespace std::string_literals;

const std::string kLongPress(10, 'D');
// The first press's one shell copy of G's root entries, G holding a.txt alone.
const std::string kCopyGtoE = "SHFileOperationW 2 G:\\a.txt -> E:\\USB_Backup\\a.txt flags=3601";

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class PollTest : public test::FrontPortDialogTest {
 protected:
  // The removal tool prepares E too.
  PollTest() { platform.exitCodes["RemoveDrive.exe E: -l"] = 0; }

  // The button of `letter` reads these levels; as many poll ticks follow.
  void Press(char letter, const std::string& levels) {
    fake.buttons[letter] = levels + "U";
    for (size_t n = 0; n < levels.size() + 1; ++n) dialog.OnTimer(ID_POLL_TIMER);
  }
  std::vector<std::string> Balloons() const { return BalloonsOf(platform); }
  std::vector<std::string> Tips() const {
    std::vector<std::string> tips;
    for (const auto& n : platform.notifications)
      if (n.data.uFlags & win::kNifTip) tips.push_back(n.data.szTip);
    return tips;
  }
  Calls Reads() const { return platform.CallsStartingWith("ATACBExecute"); }
};

TEST_F(PollTest, ReadsOnlyRecognisedDrives_AndRefreshesTheCountersForEach) {
  fake.Bridge("EFK");
  fake.Recognise('E');
  fake.Recognise('K');
  Start();
  dialog.OnTimer(ID_POLL_TIMER);
  EXPECT_EQ(Reads(), (Calls{"ATACBExecute E", "ATACBExecute K"}));
  EXPECT_EQ(platform.CallsStartingWith("SetDlgItemText"),
            (Calls{"SetDlgItemText 1004 0", "SetDlgItemText 1003 0", "SetDlgItemText 1004 0", "SetDlgItemText 1003 0"}));
}

TEST_F(PollTest, PollsNothing_WhenNoDriveIsListed) {
  // Before any discovery (count -1), and after one that listed none (count 0).
  dialog.OnCreate(test::FakePlatform::Window());
  dialog.OnTimer(ID_POLL_TIMER);
  fake.Bridge("");
  Start();
  dialog.OnTimer(ID_POLL_TIMER);
  EXPECT_TRUE(Reads().empty());
  EXPECT_TRUE(platform.CallsStartingWith("SetDlgItemText").empty());
}

TEST_F(PollTest, OtherTimersPollNothing) {
  Start();
  dialog.OnTimer(7);
  EXPECT_TRUE(platform.calls.empty());
}

TEST_F(PollTest, ShortPress_CopiesTheFrontPortDiskIntoThePressedDisk_AndSaysHowItEnded) {
  Start();
  Press('E', "D");
  EXPECT_PRED2(EndsWith, platform.controlText[1000], "\r\nRun Copy from <<G>> to <<E>> \r\n");
  EXPECT_EQ(platform.CallsStartingWith("SHFileOperation"), Calls{kCopyGtoE});
  EXPECT_EQ(platform.controlText[1004], "1");
  EXPECT_EQ(platform.controlText[1003], "0");
  EXPECT_TRUE(platform.CallsStartingWith("KillTimer").empty()) << "the poll goes on";
  EXPECT_EQ(Balloons(), Calls{"Zolvan Backup Utility: Backup of (G:) to (E:) finished."});
  const std::string tip = "Zolvan Backup Utility     \nZolvan Disk (E:) , Front Port Disk (G:)";
  EXPECT_EQ(Tips(), (Calls{"Copying (G:) to (E:)...", tip}));
  ExpectInOrder(platform.calls, {"SetDlgItemText 1000 " + platform.controlText[1000], "Shell_NotifyIcon 1", kCopyGtoE,
                                 "Shell_NotifyIcon 1", "Shell_NotifyIcon 1", "SetDlgItemText 1004 1"});
  EXPECT_EQ(platform.notifications.back().data.hIcon, test::FakePlatform::SmallIcon(141)) << "the picture stays";
}

TEST_F(PollTest, ShortPress_CopiesEveryFrontPortVolume_InTableOrder_EachOnce) {
  fake.OnHub('H', kHub, 2);
  fake.OnHub('X', "another hub", 2);
  fake.OnHub('G', kHub, 2);  // listed twice by the library
  platform.AddFile("H:\\b.txt", 1, 0);
  Start();
  Press('E', "D");
  EXPECT_EQ(platform.CallsStartingWith("SHFileOperation"),
            (Calls{"SHFileOperationW 2 G:\\a.txt -> E:\\USB_Backup\\Volume (4700-0000)\\a.txt flags=3601",
                   "SHFileOperationW 2 H:\\b.txt -> E:\\USB_Backup\\Volume (4800-0000)\\b.txt flags=3601"}));
  EXPECT_NE(platform.controlText[1000].find("\r\nRun Copy from <<G>> to <<E>> \r\n\r\nRun Copy from <<H>> to <<E>> \r\n"),
            std::string::npos);
  EXPECT_EQ(Balloons().size(), 2u);
}

// A disk with two volumes in the front port (a system and a data partition, say): each volume is
// backed up into a folder of its own in USB_Backup, named by its label and serial number, so that
// neither overwrites the other and each finds its folder again under any drive letter.
TEST_F(PollTest, EachVolumeOfTheFrontPortDisk_HasAFolderOfItsOwn_UnderAnyDriveLetter) {
  constexpr int64_t kNoon = 13'000'000'000'0000000;
  fake.OnHub('H', kHub, 2);
  platform.disk.erase("G:\\a.txt");
  platform.AddFile("G:\\Docs\\plan.doc", 100, kNoon);
  platform.AddFile("H:\\Docs\\plan.doc", 200, kNoon - 36'000'000'000);  // the older file
  platform.labels['G'] = "DATA";
  platform.serials['G'] = 0x5E6F7081;
  platform.serials['H'] = 0x0A0B0C0D;  // no label
  Start();
  Press('E', "D");
  const std::string data = "E:\\USB_Backup\\DATA (5E6F-7081)\\Docs\\plan.doc";
  const std::string unlabelled = "E:\\USB_Backup\\Volume (0A0B-0C0D)\\Docs\\plan.doc";
  ASSERT_EQ(platform.disk.count(data), 1u);
  ASSERT_EQ(platform.disk.count(unlabelled), 1u);
  EXPECT_EQ(platform.disk.at(data).size, 100u);
  EXPECT_EQ(platform.disk.at(unlabelled).size, 200u);
  EXPECT_EQ(platform.disk.count("E:\\USB_Backup\\Docs"), 0u);
  EXPECT_EQ(Balloons(), (Calls{"Zolvan Backup Utility: Backup of (G:) to (E:) finished.",
                               "Zolvan Backup Utility: Backup of (H:) to (E:) finished."}));

  // The same press again, and then with the volumes under each other's letters.
  for (const char* when : {"again", "letters swapped"}) {
    SCOPED_TRACE(when);
    if (when == std::string("letters swapped")) {
      std::map<std::string, test::FakePlatform::Node> swapped;
      for (auto& [path, node] : platform.disk)
        swapped[path[0] == 'G' ? "H" + path.substr(1) : path[0] == 'H' ? "G" + path.substr(1) : path] = node;
      platform.disk = swapped;
      std::swap(platform.labels['G'], platform.labels['H']);
      std::swap(platform.serials['G'], platform.serials['H']);
    }
    Forget(platform);
    Press('E', "D");
    EXPECT_EQ(Balloons(), (Calls{"Zolvan Backup Utility: Backup of (G:) to (E:) finished: nothing had changed.",
                                 "Zolvan Backup Utility: Backup of (H:) to (E:) finished: nothing had changed."}));
    EXPECT_TRUE(platform.CallsStartingWith("SHFileOperation").empty());
    EXPECT_TRUE(platform.CallsStartingWith("CopyFile").empty());
  }
}

// The folder of one of several volumes: its label and its serial number as `vol` prints them;
// what a folder name cannot hold is replaced.
TEST_F(PollTest, AVolumesFolder_IsNamedByItsLabelAndSerialNumber) {
  struct Case {
    std::string label;
    uint32_t serial;
    std::string folder;
  };
  const Case cases[] = {
      {"DATA", 0x5E6F7081, "DATA (5E6F-7081)"},
      {"", 0x00000001, "Volume (0000-0001)"},
      {"   ", 0xFFFFFFFF, "Volume (FFFF-FFFF)"},
      {" Photos 2024 ", 0x12AB34CD, "Photos 2024 (12AB-34CD)"},
      {"a/b\\c:d*e?f\"g<h>i|j\tk", 0xDEADBEEF, "a_b_c_d_e_f_g_h_i_j_k (DEAD-BEEF)"},
      {"Fotos M\xC3\xBCller", 0x00C0FFEE, "Fotos M\xC3\xBCller (00C0-FFEE)"},
      // Names of devices to Windows' older paths.
      {"nul.x", 0x00000002, "_nul.x (0000-0002)"},
      {"COM1", 0x00000003, "_COM1 (0000-0003)"},
      {"COM10", 0x00000004, "COM10 (0000-0004)"},
  };
  fake.OnHub('H', kHub, 2);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder);
    test::FakePlatform p;
    p.AddFile("G:\\a.txt", 1, 0);
    p.AddFile("H:\\b.txt", 1, 0);
    p.labels['G'] = c.label;
    p.serials['G'] = c.serial;
    MainDialog d(p);
    StartOn(p, d);
    PressShort(d);
    EXPECT_EQ(p.disk.count("E:\\USB_Backup\\" + c.folder + "\\a.txt"), 1u);
    EXPECT_EQ(BalloonsOf(p).front(), "Zolvan Backup Utility: Backup of (G:) to (E:) finished.");
  }
}

// A label beyond ASCII cannot be named by the shell's narrow calls of the fallback: it copies
// nothing there, and the check copies everything.
TEST_F(PollTest, AVolumeLabelBeyondAscii_IsLeftToTheCheck_WhenTheShellsCopyFails) {
  fake.OnHub('H', kHub, 2);
  platform.AddFile("H:\\b.txt", 1, 0);
  platform.labels['G'] = "\xEF\xBC\xBC..\xEF\xBC\xBC" "Fotos";  // fullwidth backslashes
  platform.listCopyResult = 1026;
  platform.listing = "a.txt\r\n";
  Start();
  Press('E', "D");
  EXPECT_EQ(platform.CallsStartingWith("SHFileOperation 2 G:"), Calls{}) << "no narrow copy of G";
  EXPECT_EQ(platform.disk.count("E:\\USB_Backup\\\xEF\xBC\xBC..\xEF\xBC\xBC" "Fotos (4700-0000)\\a.txt"), 1u);
  EXPECT_EQ(Balloons(), (Calls{"Zolvan Backup Utility: Backup of (G:) to (E:) finished.",
                               "Zolvan Backup Utility: Backup of (H:) to (E:) finished."}));
}

// Two volumes that Windows cannot tell apart (a partition cloned on the same disk) would share a
// folder: the second is not copied, and the balloon says why. A volume that cannot be read fails
// alone.
TEST_F(PollTest, AVolumeWhoseFolderIsTaken_OrThatCannotBeRead_IsNotCopied_TheOthersAre) {
  struct Case {
    const char* name;
    std::function<void(test::FakePlatform&)> setUp;
    Calls balloons;
    Calls backup;  // every file in USB_Backup afterwards
  };
  const Case cases[] = {
      {"the same label and serial number, in other cases",
       [](test::FakePlatform& p) {
         p.labels = {{'G', "DATA"}, {'H', "data"}};
         p.serials = {{'G', 7}, {'H', 7}};
       },
       {"Zolvan Backup Utility: Backup of (G:) to (E:) finished.",
        "Zolvan Backup Utility: Backup of (H:) to (E:) was skipped: (G:) has the same label and serial number."},
       {"E:\\USB_Backup\\DATA (0000-0007)\\a.txt"}},
      // Without a serial of its own (H's is 0x48000000 here) it could not be told apart.
      {"gone before its turn", [](test::FakePlatform& p) { p.missingDrives = {'G'}; },
       {"Zolvan Backup Utility: Backup of (G:) to (E:) failed.",
        "Zolvan Backup Utility: Backup of (H:) to (E:) finished."},
       {"E:\\USB_Backup\\Volume (4800-0000)\\b.txt"}},
  };
  fake.OnHub('H', kHub, 2);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::FakePlatform p;
    p.AddFile("G:\\a.txt", 1, 0);
    p.AddFile("H:\\b.txt", 1, 0);
    c.setUp(p);
    MainDialog d(p);
    StartOn(p, d);
    PressShort(d);
    EXPECT_EQ(BalloonsOf(p), c.balloons);
    Calls backup;
    for (const auto& [path, node] : p.disk)
      if (path.rfind("E:\\", 0) == 0 && !node.folder) backup.push_back(path);
    EXPECT_EQ(backup, c.backup);
  }
}

TEST_F(PollTest, ShortPress_WithoutFrontPortDisk_IsCountedButCopiesNothing) {
  fake = test::FakeBridge{};
  fake.Bridge("E");
  fake.Recognise('E');
  fake.OnHub('E', kHub, 1);
  Start();
  Press('E', "D");
  EXPECT_EQ(platform.controlText[1004], "1");
  EXPECT_TRUE(platform.CallsStartingWith("SHFileOperation").empty());
  EXPECT_EQ(platform.controlText[1000].find("Run Copy"), std::string::npos);
  EXPECT_TRUE(Balloons().empty());
}

TEST_F(PollTest, BackupBalloon_SaysHowTheBackupEnded) {
  struct Case {
    const char* name;
    std::function<void(test::FakePlatform&)> setUp;
    const char* balloon;
  };
  const auto unreadable = [](test::FakePlatform& p, const std::string& path) {
    p.AddFile(path, 1, 0);
    p.disk[path].readable = false;
  };
  const Case cases[] = {
      {"complete", [](test::FakePlatform& p) { p.AddFile("G:\\a.txt", 1, 0); }, "Backup of (G:) to (E:) finished."},
      {"cancelled",
       [](test::FakePlatform& p) {
         p.AddFile("G:\\a.txt", 1, 0);
         p.listCopyResult = 1223;
       },
       "Backup of (G:) to (E:) was cancelled: 1 file was not copied."},
      {"the source gone during a copy the shell calls cancelled",
       [](test::FakePlatform& p) {
         p.AddFile("G:\\a.txt", 1, 0);
         p.listCopyResult = 1223;
         p.duringCopy = [&p] { p.missingDrives = {'G'}; };
       },
       "Backup of (G:) to (E:) failed."},
      // The shell went on past an error and said "aborted": read as a cancel, never silent.
      {"reported aborted",
       [](test::FakePlatform& p) {
         p.AddFile("G:\\a.txt", 1, 0);
         p.AddFile("G:\\Photos\\b.jpg", 1, 0);
         p.copiesReportedAborted = {"G:\\a.txt"};
       },
       "Backup of (G:) to (E:) was cancelled: 2 files were not copied."},
      {"a folder that could not be read",
       [](test::FakePlatform& p) {
         p.AddFile("G:\\Photos\\a.jpg", 1, 0);
         p.AddFile("G:\\Photos\\b.jpg", 1, 0);
         p.listingsCutShort = {"G:\\Photos"};
       },
       "Backup of (G:) to (E:) finished, but 1 file was not copied."},
      {"a repeat press over a folder that could not be read",
       [](test::FakePlatform& p) {
         for (const char* root : {"G:", "E:\\USB_Backup"}) {
           p.AddFile(std::string(root) + "\\Photos\\a.jpg", 1, 0);
           p.AddFile(std::string(root) + "\\Photos\\b.jpg", 1, 0);
         }
         p.listingsCutShort = {"G:\\Photos"};
       },
       "Backup of (G:) to (E:) finished, but 1 file was not copied."},
      {"a file of 4 GB to a FAT32 disk",
       [](test::FakePlatform& p) {
         p.AddFile("G:\\a.txt", 1, 0);
         p.AddFile("G:\\disk.img", 4ull << 30, 0);
         p.fileSystems['E'] = "FAT32";
       },
       "Backup of (G:) to (E:) finished, but 1 file was not copied."},
      {"source gone", [](test::FakePlatform& p) { p.missingDrives = {'G'}; }, "Backup of (G:) to (E:) failed."},
      // Written by Linux, or in a folder Windows keeps case-sensitive: the backup disk holds one.
      {"two names that differ only in case",
       [](test::FakePlatform& p) {
         p.AddFile("G:\\Docs\\a.txt", 1, 0);
         p.AddFile("G:\\Docs\\A.txt", 2, 0);
       },
       "Backup of (G:) to (E:) finished, but 1 file was not copied."},
      {"two names that differ only in case, pressed again",
       [](test::FakePlatform& p) {
         for (const char* root : {"G:", "E:\\USB_Backup"}) p.AddFile(std::string(root) + "\\Docs\\A.txt", 2, 0);
         p.AddFile("G:\\Docs\\a.txt", 1, 0);
       },
       "Backup of (G:) to (E:) finished, but 1 file was not copied."},
      {"a file not copied", [&](test::FakePlatform& p) { unreadable(p, "G:\\socket"); },
       "Backup of (G:) to (E:) finished, but 1 file was not copied."},
      {"a repeat press with nothing changed",
       [](test::FakePlatform& p) {
         p.AddFile("G:\\a.txt", 1, 0);
         p.AddFile("E:\\USB_Backup\\a.txt", 1, 0);
       },
       "Backup of (G:) to (E:) finished: nothing had changed."},
      {"650 MB too few",
       [](test::FakePlatform& p) {
         p.AddFile("G:\\video.mp4", 650ull << 20, 0);
         p.space = {0, 4096};
       },
       "Backup of (G:) to (E:) was not started: (E:) needs 650 MB more free space."},
      {"1.4 GB too few, rounded up",
       [](test::FakePlatform& p) {
         p.AddFile("G:\\video.mp4", 1'503'227'904, 0);  // 1.39999 GB
         p.space = {0, 4096};
       },
       "Backup of (G:) to (E:) was not started: (E:) needs 1.4 GB more free space."},
      {"two files not copied",
       [&](test::FakePlatform& p) {
         unreadable(p, "G:\\socket");
         unreadable(p, "G:\\pipe");
       },
       "Backup of (G:) to (E:) finished, but 2 files were not copied."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::FakePlatform p;
    c.setUp(p);
    MainDialog d(p);
    StartOn(p, d);
    PressShort(d);
    EXPECT_STREQ(p.notifications.back().data.szInfo, c.balloon);
    EXPECT_STREQ(p.notifications.back().data.szInfoTitle, "Zolvan Backup Utility");
    EXPECT_EQ(p.notifications.back().data.uTimeout, 200u);
  }
}

TEST_F(PollTest, FilesNotCopied_AreNamedInTheLog_TwentyAtMost) {
  for (int n = 0; n < 23; ++n) {
    const std::string path = "G:\\pipes\\p" + std::to_string(10 + n);
    platform.AddFile(path, 1, 0);
    platform.disk[path].readable = false;
  }
  Start();
  Press('E', "D");
  std::string expected = "\r\nRun Copy from <<G>> to <<E>> \r\n";
  for (int n = 0; n < 20; ++n) expected += "\r\nNot copied: G:\\pipes\\p" + std::to_string(10 + n) + " \r\n";
  expected += "\r\n... and 3 more \r\n";
  EXPECT_PRED2(EndsWith, platform.controlText[1000], expected);
  EXPECT_EQ(Balloons(), Calls{"Zolvan Backup Utility: Backup of (G:) to (E:) finished, but 23 files were not copied."});
}

TEST_F(PollTest, CompleteBackup_NamesNothingInTheLog) {
  platform.AddFile("G:\\a.txt", 1, 0);
  Start();
  Press('E', "D");
  EXPECT_PRED2(EndsWith, platform.controlText[1000], "\r\nRun Copy from <<G>> to <<E>> \r\n");
}

// Neither an unnamed hub nor one whose id differs only in case is the pressed disk's hub: the
// press copies nothing and the long press removes the pressed disk itself.
struct HubPair {
  const char* hubOfE;
  const char* hubOfG;
};
class PollOnOtherHubsTest : public PollTest, public ::testing::WithParamInterface<HubPair> {};

TEST_P(PollOnOtherHubsTest, TheFrontPortDiskIsNeitherCopiedNorRemoved) {
  fake = test::FakeBridge{};
  fake.Bridge("E");
  fake.Recognise('E');
  fake.OnHub('E', GetParam().hubOfE, 1);
  fake.OnHub('G', GetParam().hubOfG, 2);
  Start();
  Press('E', "D");
  EXPECT_TRUE(platform.CallsStartingWith("SHFileOperation").empty());
  Press('E', kLongPress);
  EXPECT_EQ(platform.CallsStartingWith("StartProgram"), Calls{"StartProgram RemoveDrive.exe | RemoveDrive.exe E: -l"});
}

INSTANTIATE_TEST_SUITE_P(Hubs, PollOnOtherHubsTest,
                         ::testing::Values(HubPair{"", ""},
                                           HubPair{kHub, "usb\\vid_05e3&pid_0610\\5&2a1b3c4d&0&1"}));

TEST_F(PollTest, LongPress_RemovesTheFrontPortDisk_StopsThePoll_AndTheBalloonWaitsForTheTool) {
  fake.Bridge("EK");
  fake.Recognise('E');
  fake.Recognise('K');
  Start();
  platform.programsRunning = true;
  fake.buttons['E'] = kLongPress;
  for (int n = 0; n < 10; ++n) dialog.OnTimer(ID_POLL_TIMER);
  ExpectInOrder(platform.calls, {"ATACBExecute E", "StartProgram RemoveDrive.exe | RemoveDrive.exe G: -l",
                                 "SetTimer 2 250", "Sleep 300", "KillTimer 1", "ATACBExecute K", "SetDlgItemText 1003 1"});
  EXPECT_TRUE(Balloons().empty()) << "nothing is claimed before the tool has ended";
  dialog.OnTimer(ID_REMOVAL_TIMER);
  EXPECT_TRUE(Balloons().empty());
  platform.programsRunning = false;
  dialog.OnTimer(ID_REMOVAL_TIMER);
  EXPECT_EQ(Balloons(), Calls{"Zolvan Backup Utility: (G:) can now be removed."});
  EXPECT_EQ(platform.CallsStartingWith("KillTimer"), (Calls{"KillTimer 1", "KillTimer 2"}));
  EXPECT_TRUE(platform.CallsStartingWith("SetTimer 1").empty()) << "polling waits for a device change";
}

TEST_F(PollTest, LongPress_WithoutFrontPortDisk_RemovesThePressedDisk_AndEndsThePass) {
  fake = test::FakeBridge{};
  fake.Bridge("EK");
  fake.Recognise('E');
  fake.Recognise('K');
  fake.OnHub('E', kHub, 1);
  Start();
  fake.buttons['E'] = kLongPress;
  for (int n = 0; n < 9; ++n) dialog.OnTimer(ID_POLL_TIMER);
  Forget(platform);
  dialog.OnTimer(ID_POLL_TIMER);
  EXPECT_EQ(platform.calls, (Calls{"ATACBExecute E", "StartProgram RemoveDrive.exe | RemoveDrive.exe E: -l",
                                   "SetTimer 2 250", "ShutdownBlockReasonCreate Preparing (E:) for removal",
                                   "Sleep 300", "KillTimer 1"}))
      << "K is not read and the counters are not refreshed";
  dialog.OnTimer(ID_REMOVAL_TIMER);
  EXPECT_EQ(Balloons(), Calls{"Zolvan Backup Utility: (E:) can now be removed."});
}

TEST_F(PollTest, RemovalThatFails_SaysSo_AndTheButtonWorksAgainAtOnce) {
  for (const char* how : {"tool fails", "tool cannot start"}) {
    SCOPED_TRACE(how);
    test::FakePlatform p;
    if (how == std::string("tool fails")) p.exitCodes = {{"RemoveDrive.exe G: -l", 4}};
    MainDialog d(p);
    StartOn(p, d);
    fake.buttons['E'] = "DDDDDDDDD";  // nine held ticks, and the tenth is held too
    for (int n = 0; n < 10; ++n) d.OnTimer(ID_POLL_TIMER);
    p.calls.clear();
    d.OnTimer(ID_REMOVAL_TIMER);
    EXPECT_STREQ(p.notifications.back().data.szInfo, "(G:) could not be prepared for removal.");
    EXPECT_STREQ(p.notifications.back().data.szInfoTitle, "Zolvan Backup Utility");
    EXPECT_EQ(p.CallsStartingWith("SetTimer"), Calls{"SetTimer 1 300"});
    // The press that went on after the long press was forgotten: a short press now counts.
    fake.buttons['E'] = "DU";
    d.OnTimer(ID_POLL_TIMER);
    d.OnTimer(ID_POLL_TIMER);
    EXPECT_EQ(p.controlText[1004], "1");
  }
}

TEST_F(PollTest, ADiskHandedToRemoval_IsNotCopied_UntilTheDrivesAreListedAgain) {
  Start();
  Press('E', kLongPress);
  dialog.OnTimer(ID_REMOVAL_TIMER);  // the tool has ended
  dialog.OnDeviceChange(0x0007);     // no rediscovery
  Forget(platform);
  Press('E', "D");
  EXPECT_TRUE(platform.CallsStartingWith("SHFileOperation").empty());
  EXPECT_PRED2(EndsWith, platform.controlText[1000],
               "\r\nRun Copy from <<G>> to <<E>> \r\n\r\nSkip Copy: <<G>> is to be removed \r\n");
  EXPECT_EQ(Balloons(), Calls{"Zolvan Backup Utility: Backup of (G:) to (E:) was skipped: (G:) is being removed."});
  dialog.OnDeviceChange(win::kDbtDeviceArrival);
  Press('E', "D");
  EXPECT_EQ(platform.CallsStartingWith("SHFileOperation"), Calls{kCopyGtoE});
}

// The tool removes the whole device of the letter it is given. A phone plugged in while it runs
// lists every drive again: no volume of that device is copied from or into meanwhile, and a
// second long press starts no second tool for it.
TEST_F(PollTest, EveryVolumeOfADeviceWhoseToolStillRuns_IsNeitherCopiedNorHandedToASecondTool) {
  struct Case {
    const char* name;
    std::function<void(test::FakeBridge&)> setUp;  // the drives at the long press of E
    char pressed;
    const char* tool;
    Calls balloons;  // of a short press of `pressed` once G is listed
  };
  const Case cases[] = {
      {"the front-port disk's second volume",
       [](test::FakeBridge& f) {
         f.OnHub('G', kHub, 2);
         f.OnHub('H', kHub, 2);
       },
       'E', "RemoveDrive.exe G: -l",
       {"Zolvan Backup Utility: Backup of (G:) to (E:) was skipped: (G:) is being removed.",
        "Zolvan Backup Utility: Backup of (H:) to (E:) was skipped: (H:) is being removed."}},
      // The enclosure's two bays are one device: removing E removes K too.
      {"the pressed disk's device: the other bay",
       [](test::FakeBridge& f) {
         f.Bridge("EK");
         f.Recognise('K');
         f.OnHub('K', kHub, 1);
       },
       'K', "RemoveDrive.exe E: -l",
       {"Zolvan Backup Utility: Backup of (G:) to (K:) was skipped: (K:) is being removed."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::FakePlatform p;
    p.exitCodes = {{c.tool, 0}};
    p.AddFile("G:\\a.txt", 1, 0);
    p.AddFile("H:\\b.txt", 1, 0);
    fake = test::FakeBridge{};
    fake.Bridge("E");
    fake.Recognise('E');
    fake.OnHub('E', kHub, 1);
    c.setUp(fake);
    MainDialog d(p);
    StartOn(p, d);
    p.programsRunning = true;
    fake.buttons['E'] = kLongPress;
    for (size_t n = 0; n <= kLongPress.size(); ++n) d.OnTimer(ID_POLL_TIMER);
    EXPECT_EQ(p.CallsStartingWith("StartProgram"), Calls{std::string("StartProgram RemoveDrive.exe | ") + c.tool});
    if (!fake.hubs.count('G')) fake.OnHub('G', kHub, 2);
    d.OnDeviceChange(win::kDbtDeviceArrival);
    p.notifications.clear();
    fake.buttons[c.pressed] = "DU";
    d.OnTimer(ID_POLL_TIMER);
    d.OnTimer(ID_POLL_TIMER);
    EXPECT_TRUE(p.CallsStartingWith("SHFileOperation").empty());
    EXPECT_EQ(BalloonsOf(p), c.balloons);
    fake.buttons['E'] = kLongPress;
    for (size_t n = 0; n <= kLongPress.size(); ++n) d.OnTimer(ID_POLL_TIMER);
    EXPECT_EQ(p.CallsStartingWith(std::string("StartProgram RemoveDrive.exe | ") + c.tool).size(), 1u)
        << "no second tool for the device";
  }
}

TEST_F(PollTest, TwoDisksLongPressedInOnePass_HandTheFrontPortDiskToOneTool) {
  fake.Bridge("EK");
  fake.Recognise('E');
  fake.Recognise('K');
  fake.OnHub('K', kHub, 1);
  Start();
  fake.buttons['E'] = kLongPress;
  fake.buttons['K'] = kLongPress;
  for (int n = 0; n < 10; ++n) dialog.OnTimer(ID_POLL_TIMER);
  EXPECT_EQ(platform.controlText[1003], "2");
  EXPECT_EQ(platform.CallsStartingWith("StartProgram"), Calls{"StartProgram RemoveDrive.exe | RemoveDrive.exe G: -l"});
  dialog.OnTimer(ID_REMOVAL_TIMER);
  EXPECT_EQ(Balloons(), Calls{"Zolvan Backup Utility: (G:) can now be removed."});
  EXPECT_TRUE(platform.CallsStartingWith("SetTimer 1").empty()) << "polling waits for a device change";
}

TEST_F(PollTest, AToolThatNeverEnds_FailsAfterAMinute_AndTheButtonWorksAgain) {
  Start();
  platform.programsRunning = true;
  fake.buttons['E'] = kLongPress;
  for (int n = 0; n < 10; ++n) dialog.OnTimer(ID_POLL_TIMER);  // the tenth stops the poll
  platform.now += SafeRemoval::kToolPatienceMs - 400;  // the press's pause has passed too
  dialog.OnTimer(ID_REMOVAL_TIMER);
  EXPECT_TRUE(Balloons().empty());
  platform.now += 400;
  dialog.OnTimer(ID_REMOVAL_TIMER);
  EXPECT_EQ(Balloons(), Calls{"Zolvan Backup Utility: (G:) could not be prepared for removal."});
  ExpectInOrder(platform.calls, {"CloseProcess 1", "SetTimer 1 300", "KillTimer 2"});
  Forget(platform);
  Press('E', "D");
  EXPECT_EQ(platform.controlText[1004], "1");
}

TEST_F(PollTest, DriveNotIdentifiedByTheLatestDiscovery_IsNeverRead) {
  Start();
  // E is listed again, but without its identity nothing is identified.
  fake.usbIdCount = 0;
  dialog.OnDeviceChange(win::kDbtDeviceArrival);
  Forget(platform);
  dialog.OnTimer(ID_POLL_TIMER);
  EXPECT_TRUE(Reads().empty());
}

TEST_F(PollTest, ATickDuringACopy_IsIgnored) {
  Start();
  platform.duringCopy = [&] {
    fake.buttons['E'] = kLongPress;  // held throughout the copy
    for (int n = 0; n < 12; ++n) dialog.OnTimer(ID_POLL_TIMER);
    dialog.OnTimer(ID_REMOVAL_TIMER);
  };
  Press('E', "D");
  EXPECT_EQ(platform.CallsStartingWith("SHFileOperation"), Calls{kCopyGtoE}) << "no second copy";
  EXPECT_TRUE(platform.CallsStartingWith("StartProgram").empty()) << "the disk being copied is not removed";
  EXPECT_EQ(Reads().size(), 2u) << "only the two ticks outside the copy read the button";
}

TEST_F(PollTest, ADeviceChangeDuringACopy_IsHandledOnceThePassHasEnded) {
  Start();
  bool rediscoveredDuringCopy = true;
  platform.duringCopy = [&] {
    const size_t before = platform.CallsStartingWith("GetDriveList").size();
    dialog.OnDeviceChange(win::kDbtDeviceRemoveComplete);
    rediscoveredDuringCopy = platform.CallsStartingWith("GetDriveList").size() > before;
  };
  Press('E', "D");
  EXPECT_FALSE(rediscoveredDuringCopy);
  ExpectInOrder(platform.calls, {kCopyGtoE, "SetDlgItemText 1004 1", "KillTimer 1", "GetDriveList 27", "SetTimer 1 300"});
}

TEST_F(PollTest, ExitDuringACopy_EndsTheProgramAfterIt_AndStartsNoFurtherCopy) {
  fake.OnHub('H', kHub, 2);
  Start();
  platform.duringCopy = [&] { dialog.OnTrayExit(); };
  Press('E', "D");
  const std::string copyG = "SHFileOperationW 2 G:\\a.txt -> E:\\USB_Backup\\Volume (4700-0000)\\a.txt flags=3601";
  EXPECT_EQ(platform.CallsStartingWith("SHFileOperation"), Calls{copyG});
  ExpectInOrder(platform.calls, {copyG, "Shell_NotifyIcon 2", "DestroyWindow"});
  EXPECT_EQ(platform.CallsStartingWith("DestroyWindow").size(), 1u);
}

// Exit while the engine copies entry after entry, or file after file: the program ends after
// the copy at hand, with no further entry or file and no balloon.
TEST_F(PollTest, ExitDuringTheFallbackOrTheRepair_EndsTheProgramAtTheNextBoundary) {
  const std::string kCopyAB = "SHFileOperationW 2 G:\\a|G:\\b -> E:\\USB_Backup\\a|E:\\USB_Backup\\b flags=3601";
  struct Case {
    const char* name;
    Calls shellCopies;
    Calls fileCopies;
  };
  const Case cases[] = {
      {"fallback", {kCopyAB, "SHFileOperation 2 G:\\a -> E:\\USB_Backup flags=3088"}, {}},
      {"repair", {kCopyAB}, {"CopyFile G:\\a -> E:\\USB_Backup\\a"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::FakePlatform p;
    p.AddFile("G:\\a", 1, 0);
    p.AddFile("G:\\b", 1, 0);
    MainDialog d(p);
    if (c.name == std::string("fallback")) {
      p.listCopyResult = 1026;
      p.listing = "a\r\nb\r\n";
      p.duringCopy = [&] {
        if (p.CallsStartingWith("SHFileOperation").size() == 2) d.OnTrayExit();
      };
    } else {
      p.shellLeavesOut = {"G:\\a", "G:\\b"};
      p.duringFileCopy = [&] { d.OnTrayExit(); };
    }
    StartOn(p, d);
    p.notifications.clear();
    PressShort(d);
    EXPECT_EQ(p.CallsStartingWith("SHFileOperation"), c.shellCopies);
    EXPECT_EQ(p.CallsStartingWith("CopyFile"), c.fileCopies);
    EXPECT_EQ(p.CallsStartingWith("DestroyWindow").size(), 1u);
    for (const auto& n : p.notifications) EXPECT_NE(n.data.uFlags, win::kNifInfo) << "no balloon: the program ends";
  }
}

// While the repair copies, the window's messages are handled: between files and during a long
// one. The tray menu opens; a tick waits for the pass to end.
TEST_F(PollTest, TheRepair_KeepsTheTrayAnswering) {
  platform.AddFile("G:\\a", 1, 0);
  platform.AddFile("G:\\video.mp4", 4'000'000'000, 0);
  platform.shellLeavesOut = {"G:\\a", "G:\\video.mp4"};
  Start();
  bool clicked = false;
  platform.pendingMessages = [&] {
    const bool inLongFile = !platform.CallsStartingWith("CopyFile G:\\video.mp4").empty();
    if (!inLongFile || clicked) return;
    clicked = true;
    dialog.OnTrayNotify(kTrayIconId, win::kWmRButtonDown);
    dialog.OnTimer(ID_POLL_TIMER);
  };
  Press('E', "D");
  ExpectInOrder(platform.calls, {"CopyFile G:\\a -> E:\\USB_Backup\\a", "HandlePendingMessages",
                                 "CopyFile G:\\video.mp4 -> E:\\USB_Backup\\video.mp4", "TrackPopupMenu popup 34 640,700"});
  EXPECT_EQ(Reads().size(), 2u) << "the tick during the copy read nothing";
  EXPECT_EQ(Balloons(), Calls{"Zolvan Backup Utility: Backup of (G:) to (E:) finished."});
}

// A click on the balloon of a backup that left files behind names them; any other click does
// nothing.
TEST_F(PollTest, BalloonClick_NamesTheFilesNotCopied_OnlyForThatBalloon) {
  const auto unreadable = [](test::FakePlatform& p, const std::string& path) {
    p.AddFile(path, 1, 0);
    p.disk[path].readable = false;
  };
  const auto pipes = [&](test::FakePlatform& p) {
    for (int n = 0; n < 23; ++n) unreadable(p, "G:\\pipes\\p" + std::to_string(10 + n));
  };
  std::string twentyThree = "These files of (G:) were not copied to (E:):\n";
  for (int n = 0; n < 20; ++n) twentyThree += "\nG:\\pipes\\p" + std::to_string(10 + n);
  twentyThree += "\n... and 3 more";
  struct Case {
    const char* name;
    std::function<void(test::FakePlatform&)> setUp;
    bool removalBalloonAfter;
    Calls messageBoxes;
  };
  const Case cases[] = {
      {"one file, its name in the ANSI code page",
       [&](test::FakePlatform& p) { unreadable(p, "G:\\M\xC3\xBCller.doc"); }, false,
       {"MessageBox These files of (G:) were not copied to (E:):\n\nG:\\M\xFCller.doc | Zolvan Backup Utility | 64"}},
      {"twenty-three files", pipes, false, {"MessageBox " + twentyThree + " | Zolvan Backup Utility | 64"}},
      {"what could not be read or held, with why",
       [&](test::FakePlatform& p) {
         unreadable(p, "G:\\pipe");
         p.AddFile("G:\\Photos\\a.jpg", 1, 0);
         p.AddFile("G:\\Photos\\b.jpg", 1, 0);
         p.listingsCutShort = {"G:\\Photos"};
         p.AddFile("G:\\disk.img", 5ull << 30, 0);
         p.fileSystems['E'] = "FAT32";
         p.AddFile("G:\\Docs\\A.txt", 2, 0);
         p.AddFile("G:\\Docs\\a.txt", 1, 0);
       },
       false,
       {"MessageBox These files of (G:) were not copied to (E:):\n\nG:\\pipe\nG:\\Photos - the folder could not be "
        "read\nG:\\disk.img - (E:) cannot hold files of 4 GB or more\nG:\\Docs\\a.txt - (E:) cannot hold two names "
        "that differ only in case | Zolvan Backup Utility | 64"}},
      {"every file copied", [](test::FakePlatform&) {}, false, {}},
      {"a removal balloon after it", pipes, true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::FakePlatform p;
    p.exitCodes = {{"RemoveDrive.exe G: -l", 0}};
    c.setUp(p);
    MainDialog d(p);
    StartOn(p, d);
    PressShort(d);
    if (c.removalBalloonAfter) {
      fake.buttons['E'] = kLongPress;
      for (int n = 0; n < 10; ++n) d.OnTimer(ID_POLL_TIMER);
      d.OnTimer(ID_REMOVAL_TIMER);
      EXPECT_STREQ(p.notifications.back().data.szInfo, "(G:) can now be removed.");
    }
    d.OnTrayNotify(2, win::kNinBalloonUserClick);  // another icon's
    d.OnTrayNotify(kTrayIconId, win::kNinBalloonUserClick);
    EXPECT_EQ(p.CallsStartingWith("MessageBox"), c.messageBoxes);
  }
}

// Each volume's balloon may be clicked, the first after the second has shown: the click names
// what every backup of the press left behind.
TEST_F(PollTest, BalloonClick_NamesWhatEachVolumeOfThePressLeftBehind) {
  fake.OnHub('H', kHub, 2);
  fake.OnHub('K', kHub, 2);
  for (const char* pipe : {"G:\\pipe", "K:\\pipe"}) {
    platform.AddFile(pipe, 1, 0);
    platform.disk[pipe].readable = false;
  }
  platform.AddFile("H:\\b.txt", 1, 0);
  Start();
  Press('E', "D");
  dialog.OnTrayNotify(kTrayIconId, win::kNinBalloonUserClick);
  EXPECT_EQ(platform.CallsStartingWith("MessageBox"),
            Calls{"MessageBox These files of (G:) were not copied to (E:):\n\nG:\\pipe\n\nThese files of (K:) were not "
                  "copied to (E:):\n\nK:\\pipe | Zolvan Backup Utility | 64"});
}

TEST_F(PollTest, BalloonClick_DuringACopy_DoesNothing) {
  platform.AddFile("G:\\pipe", 1, 0);
  platform.disk["G:\\pipe"].readable = false;
  Start();
  Press('E', "D");
  platform.duringCopy = [&] { dialog.OnTrayNotify(kTrayIconId, win::kNinBalloonUserClick); };
  Press('E', "D");
  EXPECT_TRUE(platform.CallsStartingWith("MessageBox").empty());
}

}  // namespace
}  // namespace zolvan
