// The button's press state machine, the read of the button, and safe removal: the monitor.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeBridge.h"
#include "FakePlatform.h"
#include "monitor/ButtonPoll.h"
#include "monitor/ButtonReader.h"
#include "monitor/SafeRemoval.h"

namespace zolvan {
namespace {

using State = ButtonPoll::PressState;
constexpr ButtonLevel H = ButtonLevel::Held, R = ButtonLevel::Released, F = ButtonLevel::Failed;

// Brings entry 0 into `state` from idle, the way ticks can: n held ticks give (n, n == 1).
void Reach(ButtonPoll& poll, State state) {
  for (int n = 0; n < state.ticks; ++n) poll.Tick(0, H);
  ASSERT_EQ(poll.State(0), state);
}

TEST(ButtonPoll, WalksTheStateTable) {
  struct Case {
    const char* name;
    State before;
    ButtonLevel level;
    State after;
    Press press;
    bool othersReset;  // entry 1, holding (3, 0), is reset too
  };
  const State idle{0, false}, first{1, true};
  std::vector<Case> cases = {
      {"idle, held: a press starts", idle, H, first, Press::None, false},
      {"idle, released", idle, R, idle, Press::None, false},
      {"first, held: holding", first, H, {2, false}, Press::None, false},
      {"first, released: short press", first, R, idle, Press::Short, true},
      {"holding 9, held: long press, starts over", {9, false}, H, first, Press::Long, false},
      {"holding 9, released: kept", {9, false}, R, {9, false}, Press::None, false},
  };
  for (int n = 2; n <= 8; ++n) {
    cases.push_back({"holding n, held: n + 1", {n, false}, H, {n + 1, false}, Press::None, false});
    cases.push_back({"holding n, released: kept, so medium presses add up", {n, false}, R, {n, false}, Press::None,
                     false});
  }
  for (State s : {idle, first, State{5, false}, State{9, false}})
    cases.push_back({"a failed read changes nothing", s, F, s, Press::None, false});

  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.name << " (" << c.before.ticks << ", " << c.before.first << ")");
    ButtonPoll poll;
    for (int n = 0; n < 3; ++n) poll.Tick(1, H);
    Reach(poll, c.before);
    EXPECT_EQ(poll.Tick(0, c.level), c.press);
    EXPECT_EQ(poll.State(0), c.after);
    EXPECT_EQ(poll.State(1), c.othersReset ? idle : (State{3, false}));
    EXPECT_EQ(poll.ShortPresses(), c.press == Press::Short ? 1 : 0);
    EXPECT_EQ(poll.LongPresses(), c.press == Press::Long ? 1 : 0);
  }
}

TEST(ButtonPoll, MediumPressesAddUpToALongPress) {
  ButtonPoll poll;
  std::vector<Press> presses;
  for (ButtonLevel level : {H, H, H, H, R, R, H, H, H, H, H, H}) presses.push_back(poll.Tick(0, level));
  // Held 4, released, held again: the count goes on at 5 and the sixth held tick is the tenth.
  EXPECT_EQ(presses, (std::vector<Press>{Press::None, Press::None, Press::None, Press::None, Press::None,
                                         Press::None, Press::None, Press::None, Press::None, Press::None,
                                         Press::None, Press::Long}));
  EXPECT_EQ(poll.ShortPresses(), 0);
  EXPECT_EQ(poll.LongPresses(), 1);
}

TEST(ButtonPoll, FailedReadsNeverMakeAPress) {
  ButtonPoll poll;
  // One failed read between two released ones, and a library that keeps failing.
  for (ButtonLevel level : {R, F, R}) EXPECT_EQ(poll.Tick(0, level), Press::None);
  for (int n = 0; n < 30; ++n) EXPECT_EQ(poll.Tick(0, F), Press::None);
  // A failed read in the middle of a short press neither ends nor lengthens it.
  for (ButtonLevel level : {H, F}) poll.Tick(0, level);
  EXPECT_EQ(poll.Tick(0, R), Press::Short);
  EXPECT_EQ(poll.LongPresses(), 0);
}

TEST(ButtonPoll, ResetForgetsPressesButNotCounters) {
  ButtonPoll poll;
  for (ButtonLevel level : {H, R, H, H}) poll.Tick(5, level);
  poll.Tick(26, H);
  poll.Reset();
  EXPECT_EQ(poll.State(5), State{});
  EXPECT_EQ(poll.State(26), State{});
  EXPECT_EQ(poll.ShortPresses(), 1);
  // Released after the reset: no short press from the forgotten one.
  EXPECT_EQ(poll.Tick(26, R), Press::None);
}

TEST(ReadButtonLevel, SendsTheGpioReadAndTellsHeldReleasedAndFailed) {
  test::FakePlatform platform;
  test::FakeBridge fake;
  fake.Serve(platform);
  BridgeLibrary library;
  ASSERT_EQ(BindBridgeLibrary(platform, library), nullptr);
  // Released, held, call failed, block's failure bit set (whose data must not count), released.
  fake.buttons['E'] = "UDFSU";
  const std::vector<ButtonLevel> expected = {R, H, F, F, R};
  for (ButtonLevel level : expected) EXPECT_EQ(ReadButtonLevel(library, 'E'), level);
  // Every read sent a fresh block, also after the library had set its failure bit.
  EXPECT_EQ(platform.CallsStartingWith("ATACBExecute"), std::vector<std::string>(5, "ATACBExecute E"));
}

TEST(ReadButtonLevel, FailsWithoutTheEntryPoint) {
  EXPECT_EQ(ReadButtonLevel(BridgeLibrary{}, 'E'), ButtonLevel::Failed);
}

class SafeRemovalTest : public ::testing::Test {
 protected:
  std::vector<std::string> Finished() {
    std::vector<std::string> out;
    for (const SafeRemoval::Outcome& o : removal.Finished(platform.now)) out.push_back(std::string(1, o.letter) + (o.prepared ? " prepared" : " failed"));
    return out;
  }

  test::FakePlatform platform;
  SafeRemoval removal{platform};
};

TEST_F(SafeRemovalTest, StartsTheToolAndReportsItsExitCodeOnceItHasEnded) {
  platform.exitCodes = {{"RemoveDrive.exe G: -l", 0}, {"RemoveDrive.exe H: -l", 1}};
  for (char letter : {'G', 'H', 'K'}) removal.Request(letter, std::string(1, letter), platform.now);  // K: the tool cannot be started
  EXPECT_EQ(platform.CallsStartingWith("StartProgram"),
            (std::vector<std::string>{"StartProgram RemoveDrive.exe | RemoveDrive.exe G: -l",
                                      "StartProgram RemoveDrive.exe | RemoveDrive.exe H: -l",
                                      "StartProgram RemoveDrive.exe | RemoveDrive.exe K: -l"}));
  platform.programsRunning = true;
  EXPECT_EQ(Finished(), std::vector<std::string>{"K failed"});
  EXPECT_TRUE(removal.Pending());
  platform.programsRunning = false;
  EXPECT_EQ(Finished(), (std::vector<std::string>{"G prepared", "H failed"}));
  EXPECT_FALSE(removal.Pending());
  EXPECT_EQ(platform.CallsStartingWith("CloseProcess"), (std::vector<std::string>{"CloseProcess 1", "CloseProcess 2"}));
}

TEST_F(SafeRemovalTest, NeverRemovesALetterOutsideAToZ) {
  for (char letter : {'\0', '&', 'e', '['}) removal.Request(letter, std::string(1, letter), platform.now);
  EXPECT_TRUE(platform.calls.empty());
  EXPECT_FALSE(removal.Pending());
  EXPECT_TRUE(Finished().empty());
}

TEST_F(SafeRemovalTest, RemembersRequestedDisksUntilTheDrivesAreListedAgain) {
  platform.exitCodes = {{"RemoveDrive.exe G: -l", 0}};
  removal.Request('G', "G", platform.now);
  EXPECT_TRUE(removal.WasRequested('G'));
  EXPECT_FALSE(removal.WasRequested('E'));
  Finished();
  EXPECT_TRUE(removal.WasRequested('G')) << "a removal that ended is still asked for";
  removal.ForgetRequests();
  EXPECT_FALSE(removal.WasRequested('G'));
}

TEST_F(SafeRemovalTest, ADiskWhoseToolStillRuns_StaysRequestedAcrossListings_AndGetsNoSecondTool) {
  platform.exitCodes = {{"RemoveDrive.exe G: -l", 0}};
  platform.programsRunning = true;
  removal.Request('G', "G", platform.now);
  removal.ForgetRequests();
  EXPECT_TRUE(removal.WasRequested('G'));
  removal.Request('G', "G", platform.now);
  EXPECT_EQ(platform.CallsStartingWith("StartProgram").size(), 1u);
  platform.programsRunning = false;
  EXPECT_EQ(Finished(), std::vector<std::string>{"G prepared"});
  removal.Request('G', "G", platform.now);  // the tool has ended: a new request is a new tool
  EXPECT_EQ(platform.CallsStartingWith("StartProgram").size(), 2u);
}

TEST_F(SafeRemovalTest, AToolThatHasNotEndedAfterAMinute_FailsAndIsLeftAlone) {
  platform.exitCodes = {{"RemoveDrive.exe G: -l", 0}};
  platform.programsRunning = true;
  removal.Request('G', "G", platform.now);
  platform.now += SafeRemoval::kToolPatienceMs - 1;
  EXPECT_TRUE(Finished().empty());
  platform.now += 1;
  EXPECT_EQ(Finished(), std::vector<std::string>{"G failed"});
  EXPECT_EQ(platform.CallsStartingWith("CloseProcess"), std::vector<std::string>{"CloseProcess 1"});
  EXPECT_FALSE(removal.Pending());
  removal.ForgetRequests();
  EXPECT_FALSE(removal.WasRequested('G')) << "given up on, as if it had ended";
}

}  // namespace
}  // namespace zolvan
