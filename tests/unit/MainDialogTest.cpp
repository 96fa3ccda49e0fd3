// The main dialog: start-up, device changes, and how it shows what discovery found.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeBridge.h"
#include "FakePlatform.h"
#include "app/Application.h"
#include "app/MainDialog.h"

namespace zolvan {
namespace {

using Calls = std::vector<std::string>;
using test::ExpectInOrder;
using test::kHub;
using namespace std::string_literals;

constexpr char kNotFound[] = "Zolvan Backup Utility -- Device not found!";
const std::string kDeviceE = "\r\nDevice 1 : << E >>     USB\\VID_0E9C&PID_00A3\\E \r\n";
const std::string kRecognised =
    "\r\nJMicron 20336 USB to SATA X 2 Bridge Ver: 1.0.2507 \r\n"s + "\r\nVID = 0E9C  , PID = 00A3\r\n\n";
const std::string kUnknown = "\r\nUNKNOWN CHIP!!\r\n";

class MainDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { platform.strings[101] = "&About Zolvan..."; }

  // The window exists (the tray icon is added then); what follows is recorded afresh.
  void Create() {
    dialog.OnCreate(test::FakePlatform::Window());
    platform.calls.clear();
    platform.notifications.clear();
  }
  void Start() {
    Create();
    dialog.OnInitDialog();
  }
  std::vector<int> TrayIcons() const {
    std::vector<int> ids;
    for (const auto& n : platform.notifications) ids.push_back(int(reinterpret_cast<uintptr_t>(n.data.hIcon) - 0x8000));
    return ids;
  }
  std::string Tip() const { return platform.notifications.back().data.szTip; }

  test::FakePlatform platform;
  test::FakeBridge fake;
  MainDialog dialog{platform};
};

TEST(Application, RunsTheMainDialogModally_AfterCommonControls) {
  test::FakePlatform platform;
  platform.runMainDialog = [&](WindowEvents& events) {
    events.OnCreate(test::FakePlatform::Window());
    events.OnInitDialog();
  };
  Application(platform).Run();
  // The dialog run is the main dialog: its window gets the tray icon and is initialised.
  ExpectInOrder(platform.calls, {"InitCommonControls", "RunMainDialog", "Shell_NotifyIcon 0", "SetDlgItemText 1005 ",
                                 "LoadLibrary JMUsbDll.dll"});
}

TEST_F(MainDialogTest, OnInitDialog_RunsItsStepsInOrder) {
  Create();
  EXPECT_TRUE(dialog.OnInitDialog());
  ExpectInOrder(platform.calls, {
                                    "SetDlgItemText 1005 ",
                                    "SetDlgItemText 1004 0",
                                    "SetDlgItemText 1003 0",
                                    "SetDlgItemText 1000 ",
                                    "GetSystemMenu",
                                    "LoadString 101",
                                    "AppendMenu system 2048 0",
                                    "AppendMenu system 0 16 &About Zolvan...",
                                    "SetWindowIcon 1 icon128",
                                    "SetWindowIcon 0 small icon128",
                                    "GetModuleHandle JMUsbDll",
                                    "LoadLibrary JMUsbDll.dll",
                                    "SetDlgItemText 1000 DLL file loading fail!",
                                    "SetDlgItemText 1005 Zolvan Backup Utility -- Device not found!",
                                    "Shell_NotifyIcon 1",
                                });
  EXPECT_TRUE(platform.CallsStartingWith("SetTimer").empty());
  EXPECT_EQ(dialog.OnQueryDragIcon(), test::FakePlatform::Icon(128));
}

TEST_F(MainDialogTest, OnInitDialog_BindsThenFindsDevicesThenHubDrives) {
  fake.Bridge("E");
  fake.Recognise('E');
  fake.OnHub('E', kHub, 1);
  fake.Serve(platform);
  Start();
  ExpectInOrder(platform.calls, {"LoadLibrary JMUsbDll.dll", "GetDriveList 27", "GetUsbIdList 256", "JMInquiry E 40",
                                 "SetTimer 1 300", "GetAllDriveList 27", "GetAllDrivesHub E"});
  EXPECT_TRUE(platform.CallsStartingWith("NEVER").empty());
}

TEST_F(MainDialogTest, OnInitDialog_AddsNoAboutEntry_WhenStringIsEmptyOrMissing_OrNoSystemMenu) {
  struct Case {
    const char* name;
    bool hasMenu;
    bool hasString;
    std::string text;
  };
  for (const Case& c : {Case{"missing", true, false, ""}, Case{"empty", true, true, ""},
                        Case{"no system menu", false, true, "&About Zolvan..."}}) {
    SCOPED_TRACE(c.name);
    test::FakePlatform p;
    p.hasSystemMenu = c.hasMenu;
    if (c.hasString) p.strings[101] = c.text;
    MainDialog d(p);
    d.OnCreate(test::FakePlatform::Window());
    EXPECT_TRUE(d.OnInitDialog());
    EXPECT_TRUE(p.CallsStartingWith("AppendMenu").empty());
    EXPECT_EQ(p.CallsStartingWith("LoadString").size(), c.hasMenu ? 1u : 0u);
    EXPECT_EQ(p.CallsStartingWith("SetWindowIcon").size(), 2u);
  }
}

TEST_F(MainDialogTest, OnDeviceChange_RediscoversAndRestartsPoll_OnlyOnArrivalAndRemoveComplete) {
  struct Case {
    uintptr_t event;
    Calls calls;  // timer calls and discovery, in order
  };
  const Case cases[] = {
      {0x8000, {"GetDriveList 27", "GetAllDriveList 27", "SetTimer 1 300"}},
      {0x8004, {"KillTimer 1", "GetDriveList 27", "GetAllDriveList 27", "SetTimer 1 300"}},
      {0x8001, {}},  // query remove
      {0x8003, {}},  // remove pending
      {0x0007, {}},  // device nodes changed
      {0x0018, {}},  // configuration changed
  };
  fake.Serve(platform);
  Start();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.event);
    platform.calls.clear();
    dialog.OnDeviceChange(c.event);
    Calls seen;
    for (const std::string& call : platform.calls)
      if (call.rfind("SetTimer", 0) == 0 || call.rfind("KillTimer", 0) == 0 || call == "GetDriveList 27" ||
          call == "GetAllDriveList 27")
        seen.push_back(call);
    EXPECT_EQ(seen, c.calls);
    if (c.calls.empty()) {
      EXPECT_TRUE(platform.calls.empty());
    } else {
      EXPECT_EQ(platform.calls.front(), c.calls.front());
      EXPECT_EQ(platform.calls.back(), "SetTimer 1 300");
    }
  }
}

TEST_F(MainDialogTest, NoBridgeDrive_ShowsNotFoundInStatusAndTip_WithRedIcon_AndStartsNoTimer) {
  fake.Serve(platform);
  Start();
  EXPECT_EQ(platform.controlText[1005], kNotFound);
  EXPECT_EQ(Tip(), kNotFound);
  EXPECT_EQ(TrayIcons(), std::vector<int>{143});
  EXPECT_EQ(platform.CallsStartingWith("SetDlgItemText 1000"), Calls{"SetDlgItemText 1000 "})
      << "the emptied log is not redrawn";
  EXPECT_TRUE(platform.CallsStartingWith("SetTimer").empty());
}

TEST_F(MainDialogTest, RecognisedBridge_ShowsFoundAndLog_WithBlueIcon_AndStartsPoll) {
  fake.Bridge("E");
  fake.Recognise('E');
  fake.Serve(platform);
  Start();
  EXPECT_EQ(platform.controlText[1005], "Device found!");
  EXPECT_EQ(platform.controlText[1000], kDeviceE + kRecognised);
  EXPECT_EQ(Tip(), "Zolvan Backup Utility     \nZolvan Disk (E:)");
  EXPECT_EQ(TrayIcons(), std::vector<int>{142});
  ExpectInOrder(platform.calls, {"SetDlgItemText 1005 Device found!", "SetDlgItemText 1000 " + kDeviceE,
                                 "SetTimer 1 300", "Shell_NotifyIcon 1"});
}

TEST_F(MainDialogTest, NothingRecognised_ViewKeepsTheLines_UntilTheNextLineReplacesThem) {
  fake.Bridge("E");
  fake.OnHub('E', kHub, 1);
  fake.Serve(platform);
  Create();
  dialog.OnInitDialog();
  // Discovery found drive E but no bridge: the view shows its lines, though the log was emptied;
  // the hub drive's line then replaces them.
  ExpectInOrder(platform.calls, {"SetDlgItemText 1005 Device found!", "SetDlgItemText 1000 " + kDeviceE + kUnknown,
                                 "SetDlgItemText 1005 "s + kNotFound,
                                 "SetDlgItemText 1000 \r\n0th Drive: "s + kHub + " Port:1  << E >> \r\n"});
  EXPECT_EQ(platform.controlText[1000], "\r\n0th Drive: "s + kHub + " Port:1  << E >> \r\n");
  EXPECT_EQ(TrayIcons(), std::vector<int>{143});
}

TEST_F(MainDialogTest, FrontPortDisk_IsAddedToTheTip_WithGreenIcon) {
  struct Case {
    const char* name;
    bool recognised;
    std::string tip;
    std::vector<int> icons;
  };
  const Case cases[] = {
      {"bridge recognised", true, "Zolvan Backup Utility     \nZolvan Disk (E:) , Front Port Disk (G:)", {142, 141}},
      {"bridge not recognised", false, kNotFound + " , Front Port Disk (G:)"s, {143, 141}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::FakePlatform p;
    test::FakeBridge f;
    f.Bridge("E");
    if (c.recognised) f.Recognise('E');
    f.OnHub('E', kHub, 1);
    f.OnHub('G', kHub, 2);
    f.Serve(p);
    MainDialog d(p);
    d.OnCreate(test::FakePlatform::Window());
    p.notifications.clear();
    d.OnInitDialog();
    std::vector<int> icons;
    for (const auto& n : p.notifications) icons.push_back(int(reinterpret_cast<uintptr_t>(n.data.hIcon) - 0x8000));
    EXPECT_EQ(icons, c.icons);
    EXPECT_EQ(std::string(p.notifications.back().data.szTip), c.tip);
  }
}

TEST_F(MainDialogTest, BindingFailure_IsShownInTheView_UntilTheNextLogLineReplacesIt) {
  fake.Bridge("E");
  fake.Recognise('E');
  fake.Serve(platform, {"JMInquiry"});
  Start();
  ExpectInOrder(platform.calls, {"SetDlgItemText 1000 \r\n JM335 Ver. C DLL APIs function pointers get fail!\r\n ",
                                 "SetDlgItemText 1000 " + kDeviceE});
  EXPECT_EQ(platform.controlText[1000], kDeviceE + kUnknown);
}

TEST_F(MainDialogTest, OnPaint_OnlyHidesTheWindow) {
  Create();
  dialog.OnPaint();
  EXPECT_EQ(platform.calls, (Calls{"ShowWindow 0"}));
}

}  // namespace
}  // namespace zolvan
