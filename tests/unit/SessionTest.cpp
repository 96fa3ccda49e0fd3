// The program in the Windows session it runs in for months: one per computer, awake through a
// backup, holding the session's end while it copies or removes, and asleep without a press.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "FrontPortDialogTest.h"
#include "app/Application.h"

namespace zolvan {
namespace {

using Calls = std::vector<std::string>;
using test::BalloonsOf;
using test::ExpectInOrder;
using test::kHub;

constexpr char kComputer[] = "Global\\Zolvan Backup Utility";
constexpr char kSession[] = "Local\\Zolvan Backup Utility";
const std::string kAwake = "SetThreadExecutionState 0x80000001";
const std::string kMaySleep = "SetThreadExecutionState 0x80000000";

// A start finds the mutexes as the table says: the program runs, or tells the one that runs.
TEST(SecondStart, EndsAtOnce_AndTellsTheRunningProgram_OrTheUser) {
  struct Case {
    const char* name;
    uint32_t session, computer;
    int runningWindowAfter;
    bool runs;
    Calls told;  // the message box or the message posted
  };
  const std::string posted = "PostMessage running " + std::to_string(test::FakePlatform::kRegisteredMessage) + " 0 0";
  const std::string otherUser =
      "MessageBox Zolvan Backup Utility is already running for another user of this computer. | Zolvan Backup "
      "Utility | 64";
  const Case cases[] = {
      {"the first", 0, 0, -1, true, {}},
      {"again in this session", win::kErrorAlreadyExists, 0, 0, false, {posted}},
      {"again while the first is still starting", win::kErrorAlreadyExists, 0, 3, false, {posted}},
      {"again, the running one elevated", win::kErrorAccessDenied, 0, 0, false, {posted}},
      {"again, the running one never shows its window", win::kErrorAlreadyExists, 0, -1, false, {}},
      {"in another user's session", 0, win::kErrorAccessDenied, -1, false, {otherUser}},
      {"in another user's session, the mutex open to all", 0, win::kErrorAlreadyExists, -1, false, {otherUser}},
      {"the computer's mutex cannot be made", 0, 1450, -1, true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::FakePlatform p;
    p.mutexErrors = {{kSession, c.session}, {kComputer, c.computer}};
    p.runningWindowAfter = c.runningWindowAfter;
    p.runMainDialog = [&](WindowEvents& events) {
      events.OnCreate(test::FakePlatform::Window());
      events.OnInitDialog();
    };
    Application(p).Run();
    // The session's mutex first, and the computer's only by a program that made it.
    Calls made = {std::string("CreateMutex ") + kSession};
    if (c.session == 0) made.push_back(std::string("CreateMutex ") + kComputer);
    EXPECT_EQ(p.CallsStartingWith("CreateMutex"), made);
    Calls told = p.CallsStartingWith("MessageBox");
    for (const std::string& post : p.CallsStartingWith("PostMessage")) told.push_back(post);
    EXPECT_EQ(told, c.told);
    EXPECT_EQ(p.CallsStartingWith("RunMainDialog").size(), c.runs ? 1u : 0u);
    if (c.runs) continue;
    for (const char* never : {"InitCommonControls", "LoadLibrary", "Shell_NotifyIcon", "SetTimer"})
      EXPECT_TRUE(p.CallsStartingWith(never).empty()) << never;
    // The window of a program still starting is looked for 5 s.
    EXPECT_LE(p.CallsStartingWith("Sleep").size(), 50u);
  }
}

// Two starts at once in one session (the Startup folder and a double-click): whichever makes the
// session's mutex first runs, however the two interleave, and the other tells it.
TEST(SecondStart, TwoStartsAtOnce_OneRuns_TheOtherTellsIt) {
  std::set<std::string> held;  // the named mutexes of the session and the computer
  test::FakePlatform first, second;
  for (test::FakePlatform* p : {&first, &second}) {
    p->runningWindowAfter = 0;
    p->runMainDialog = [](WindowEvents& events) {
      events.OnCreate(test::FakePlatform::Window());
      events.OnInitDialog();
    };
  }
  // The second start runs whole just after the first made the session's mutex, and before it
  // makes the computer's; then just after the first made both.
  for (const std::string& after : {std::string(kSession), std::string(kComputer)}) {
    SCOPED_TRACE(after);
    held.clear();
    first.calls.clear();
    second.calls.clear();
    second.createMutex = [&](const std::string& name) { return held.insert(name).second ? 0u : win::kErrorAlreadyExists; };
    first.createMutex = [&](const std::string& name) {
      const uint32_t error = held.insert(name).second ? 0u : win::kErrorAlreadyExists;
      if (name == after) Application(second).Run();
      return error;
    };
    Application(first).Run();
    EXPECT_EQ(first.CallsStartingWith("RunMainDialog").size(), 1u);
    EXPECT_TRUE(first.CallsStartingWith("MessageBox").empty());
    EXPECT_TRUE(second.CallsStartingWith("RunMainDialog").empty());
    EXPECT_EQ(second.CallsStartingWith("PostMessage running").size(), 1u);
    EXPECT_TRUE(second.CallsStartingWith("MessageBox").empty());
  }
}

TEST(SecondStart, ALockThatCannotBeMade_IsSaidInTheLogView) {
  test::FakePlatform p;
  p.mutexErrors = {{kComputer, 1450}};
  p.runMainDialog = [&](WindowEvents& events) {
    events.OnCreate(test::FakePlatform::Window());
    events.OnInitDialog();
  };
  Application(p).Run();
  EXPECT_EQ(p.controlText[1000], "\r\nCould not check for another running Zolvan Backup Utility (error 1450) \r\n");
}

class SessionTest : public test::FrontPortDialogTest {
 protected:
  SessionTest() { platform.AddFile("G:\\b.txt", 1, 0); }
  // A table case's dialog, started.
  void Start(test::FakePlatform& p, MainDialog& d) {
    StartOn(p, d);
    test::Forget(p);
  }
  using FrontPortDialogTest::Start;
  void Tick(MainDialog& d, char level) {
    fake.buttons['E'] = std::string(1, level);
    d.OnTimer(ID_POLL_TIMER);
  }
  void PressLong(MainDialog& d) {
    for (int n = 0; n < ButtonPoll::kLongPressTicks; ++n) Tick(d, 'D');
  }
};

TEST_F(SessionTest, AStartInThisSession_ShowsTheBalloon) {
  Start();
  dialog.OnStartedAgain();
  EXPECT_EQ(BalloonsOf(platform), Calls{"Zolvan Backup Utility: Zolvan Backup Utility is already running."});
}

// Whichever way a backup ends, the machine may sleep again and the session end again after it.
TEST_F(SessionTest, ABackupKeepsTheMachineAwake_AndHoldsTheSessionsEnd_UntilItEndsInAnyWay) {
  struct Case {
    const char* name;
    std::function<void(test::FakePlatform&, MainDialog&)> setUp;
    bool exits;
  };
  const Case cases[] = {
      {"finished", [](test::FakePlatform&, MainDialog&) {}, false},
      {"failed", [](test::FakePlatform& p, MainDialog&) { p.duringCopy = [&p] { p.missingDrives = {'G'}; }; }, false},
      {"cancelled", [](test::FakePlatform& p, MainDialog&) { p.listCopyResult = 1223; }, false},
      {"Exit during the copy", [](test::FakePlatform& p, MainDialog& d) { p.duringCopy = [&d] { d.OnTrayExit(); }; },
       true},
      {"Exit during the repair",
       [](test::FakePlatform& p, MainDialog& d) {
         p.shellLeavesOut = {"G:\\a.txt", "G:\\b.txt"};
         p.duringFileCopy = [&d] { d.OnTrayExit(); };
       },
       true},
      {"the session ends during the copy",
       [](test::FakePlatform& p, MainDialog& d) { p.duringCopy = [&d] { d.OnEndSession(true); }; }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::FakePlatform p;
    p.disk = platform.disk;
    MainDialog d(p);
    c.setUp(p, d);
    Start(p, d);
    PressShort(d);
    const std::string copy = p.CallsStartingWith("SHFileOperationW").at(0);
    ExpectInOrder(p.calls, {kAwake, "ShutdownBlockReasonCreate Backing up (G:) to (E:)", copy,
                            "ShutdownBlockReasonDestroy", kMaySleep});
    EXPECT_EQ(p.CallsStartingWith("SetThreadExecutionState"), (Calls{kAwake, kMaySleep}));
    if (c.exits) ExpectInOrder(p.calls, {kMaySleep, "Shell_NotifyIcon 2", "DestroyWindow"});
    EXPECT_EQ(p.CallsStartingWith("DestroyWindow").size(), c.exits ? 1u : 0u);
  }
}

TEST_F(SessionTest, ARemovalHoldsTheSessionsEnd_UntilItsToolHasEnded) {
  Start();
  platform.programsRunning = true;
  PressLong(dialog);
  EXPECT_EQ(platform.CallsStartingWith("ShutdownBlockReason"), Calls{"ShutdownBlockReasonCreate Preparing (G:) for removal"});
  EXPECT_FALSE(dialog.OnQueryEndSession(0));
  dialog.OnTimer(ID_REMOVAL_TIMER);
  EXPECT_EQ(platform.CallsStartingWith("ShutdownBlockReason").size(), 1u) << "the tool still runs";
  platform.programsRunning = false;
  dialog.OnTimer(ID_REMOVAL_TIMER);
  EXPECT_EQ(platform.CallsStartingWith("ShutdownBlockReason"),
            (Calls{"ShutdownBlockReasonCreate Preparing (G:) for removal", "ShutdownBlockReasonDestroy"}));
  EXPECT_TRUE(dialog.OnQueryEndSession(0));
}

// May the session end? Not while a backup runs, unless Windows cannot wait (ENDSESSION_CRITICAL);
// an installer's Restart Manager (ENDSESSION_CLOSEAPP) is answered the same way.
TEST_F(SessionTest, QueryEndSession_IsAnsweredNoOnlyWhileABackupRuns_UnlessTheEndIsCritical) {
  struct Case {
    uintptr_t flags;
    bool idle, busy;
  };
  const Case cases[] = {
      {0, true, false},
      {win::kEndSessionCloseApp, true, false},
      {win::kEndSessionCritical, true, true},
      {0x80000000 /* ENDSESSION_LOGOFF */, true, false},
  };
  Start();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    EXPECT_EQ(dialog.OnQueryEndSession(c.flags), c.idle);
    dialog.OnEndSession(false);  // another program said no: the session goes on
    bool busy = !c.busy;
    platform.duringCopy = [&] { busy = dialog.OnQueryEndSession(c.flags); };
    PressShort(dialog);
    EXPECT_EQ(busy, c.busy);
    dialog.OnEndSession(false);
    platform.disk.erase("E:\\USB_Backup\\a.txt");  // the next press copies again
  }
}

// Once the program has said the session may end, no press starts anything until Windows says
// whether it ends; a question asked between two volumes of one press is still answered no.
TEST_F(SessionTest, AfterTheSessionMayEnd_NothingStarts_UntilWindowsSaysItGoesOn) {
  fake.OnHub('H', kHub, 2);
  platform.AddFile("H:\\c.txt", 1, 0);
  Start();
  EXPECT_TRUE(dialog.OnQueryEndSession(0));
  PressShort(dialog);
  PressLong(dialog);
  EXPECT_TRUE(platform.CallsStartingWith("ATACBExecute").empty());
  EXPECT_TRUE(platform.CallsStartingWith("SHFileOperation").empty());
  EXPECT_TRUE(platform.CallsStartingWith("StartProgram").empty());
  dialog.OnEndSession(false);
  EXPECT_TRUE(dialog.OnQueryEndSession(0));
  // Asked by a program that never says whether the session ended: the button works again after
  // a minute.
  platform.now += kSessionEndWaitMs - 1;
  PressShort(dialog);
  EXPECT_TRUE(platform.CallsStartingWith("ATACBExecute").empty());
  platform.now += 1;
  std::vector<bool> answers;
  platform.notifyHook = [&](const TrayIconData& data) {
    if (data.uFlags == win::kNifInfo) answers.push_back(dialog.OnQueryEndSession(0));
  };
  PressShort(dialog);
  EXPECT_EQ(platform.CallsStartingWith("SHFileOperationW").size(), 2u);
  EXPECT_EQ(answers, (std::vector<bool>{false, false})) << "asked as each volume's balloon shows";
}

TEST_F(SessionTest, EndSession_EndsTheProgramAsExitDoes_OnlyWhenTheSessionEnds) {
  Start();
  dialog.OnEndSession(false);
  EXPECT_TRUE(platform.CallsStartingWith("DestroyWindow").empty());
  PressShort(dialog);
  EXPECT_EQ(platform.CallsStartingWith("SHFileOperationW").size(), 1u) << "the program goes on";
  dialog.OnEndSession(true);
  ExpectInOrder(platform.calls, {"Shell_NotifyIcon 2", "DestroyWindow"});
}

// Windows may end the process as soon as WM_ENDSESSION returns: during a copy, the icon goes at
// once; the copy at hand ends at its next boundary, and nothing starts after it.
TEST_F(SessionTest, EndSessionDuringACopy_RemovesTheIconAtOnce_AndEndsAfterTheCopyAtHand) {
  fake.OnHub('H', kHub, 2);
  platform.AddFile("H:\\c.txt", 1, 0);
  Start();
  size_t deletedDuringCopy = 0;
  platform.duringCopy = [&] {
    dialog.OnEndSession(true);
    deletedDuringCopy = platform.CallsStartingWith("Shell_NotifyIcon 2").size();
  };
  PressShort(dialog);
  EXPECT_EQ(deletedDuringCopy, 1u);
  EXPECT_EQ(platform.CallsStartingWith("SHFileOperationW").size(), 1u) << "H is not copied";
  EXPECT_EQ(platform.CallsStartingWith("DestroyWindow").size(), 1u);
}

// A sleep between two readings of the button makes no press of them; after it the disks are
// listed again (their letters may have changed) and the poll starts from a released button.
TEST_F(SessionTest, ASleep_MakesNoPressOfLevelsReadOnItsTwoSides) {
  struct Case {
    const char* name;
    std::string before, after;  // held 'D' and released 'U' ticks around the sleep
  };
  const Case cases[] = {
      {"held, then released after it", "D", "U"},
      {"held 9 ticks before, 1 after", "DDDDDDDDD", "D"},
      {"held across, without the suspend told", "DDDDDDDDD", "D"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::FakePlatform p;
    p.disk = platform.disk;
    p.exitCodes = platform.exitCodes;
    MainDialog d(p);
    Start(p, d);
    for (char level : c.before) Tick(d, level);
    if (c.name != std::string("held across, without the suspend told")) {
      d.OnPowerBroadcast(win::kPbtApmSuspend);
      EXPECT_EQ(p.CallsStartingWith("KillTimer"), Calls{"KillTimer 1"});
    }
    d.OnPowerBroadcast(win::kPbtApmResumeAutomatic);
    ExpectInOrder(p.calls, {"GetDriveList 27", "GetAllDriveList 27", "SetTimer 1 300"});
    for (char level : c.after) Tick(d, level);
    EXPECT_EQ(p.controlText[1004], "0");
    EXPECT_EQ(p.controlText[1003], "0");
    EXPECT_TRUE(p.CallsStartingWith("SHFileOperation").empty());
    EXPECT_TRUE(p.CallsStartingWith("StartProgram").empty());
  }
}

// Between a suspend and its resume nothing starts the poll again: not a device arriving as the
// machine goes to sleep, nor a removal that failed; a tick that still comes reads nothing.
TEST_F(SessionTest, BetweenSuspendAndResume_ThePollStaysStopped) {
  Start();
  Tick(dialog, 'D');
  dialog.OnPowerBroadcast(win::kPbtApmSuspend);
  platform.calls.clear();
  dialog.OnDeviceChange(win::kDbtDeviceArrival);
  Tick(dialog, 'U');
  EXPECT_TRUE(platform.CallsStartingWith("SetTimer 1").empty());
  EXPECT_TRUE(platform.CallsStartingWith("ATACBExecute").empty());
  dialog.OnPowerBroadcast(win::kPbtApmResumeAutomatic);
  EXPECT_FALSE(platform.CallsStartingWith("SetTimer 1 300").empty());
  Tick(dialog, 'U');
  EXPECT_EQ(platform.controlText[1004], "0") << "no short press of a level read before the sleep";
}

TEST_F(SessionTest, AResumeDuringACopy_ListsTheDisksAgainOnceThePassHasEnded) {
  Start();
  bool listedDuringCopy = true;
  platform.duringCopy = [&] {
    dialog.OnPowerBroadcast(win::kPbtApmResumeSuspend);
    listedDuringCopy = !platform.CallsStartingWith("GetDriveList").empty();
  };
  PressShort(dialog);
  EXPECT_FALSE(listedDuringCopy);
  ExpectInOrder(platform.calls, {"SetDlgItemText 1004 1", "GetDriveList 27", "SetTimer 1 300"});
}

}  // namespace
}  // namespace zolvan
