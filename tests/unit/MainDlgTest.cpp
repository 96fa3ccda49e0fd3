#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FakeBridge.h"
#include "FakePlatform.h"
#include "app/BackupApp.h"
#include "app/BackupMainDlg.h"
#include "device/BridgeLibrary.h"

namespace zolvan {
namespace {

using Calls = std::vector<std::string>;

class MainDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_bridgeLibrary = BridgeLibrary{};
    platform.strings[101] = "&About Zolvan...";
    dlg.Attach(test::FakePlatform::Window());
  }
  void TearDown() override { g_bridgeLibrary = BridgeLibrary{}; }

  test::FakePlatform platform;
  CBackupMainDlg dlg{platform};
};

TEST(CBackupApp, RunsMainDialogModally_AfterCommonControls_AndReturnsFalse) {
  test::FakePlatform platform;
  CBackupApp app(platform);
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(platform.calls, (Calls{"InitCommonControls", "LoadIcon 128", "DoModal"}));
}

TEST_F(MainDlgTest, Constructor_SetsInitialFieldValues) {
  EXPECT_EQ(dlg.m_hIcon, test::FakePlatform::Icon(128));
  EXPECT_EQ(dlg.m_nDeviceCount, -1);
  EXPECT_EQ(dlg.m_nUsbIdCount, -1);
  EXPECT_EQ(dlg.m_nDriveCount, -1);
  EXPECT_EQ(dlg.m_nGpio2Count, 0);
  EXPECT_EQ(dlg.m_nLongGpio2Count, 0);
  EXPECT_TRUE(dlg.m_strStatus.empty() && dlg.m_strLog.empty() && dlg.m_strTip.empty());
  EXPECT_EQ(sizeof dlg.m_szHubId, 27u * 128u);
  EXPECT_EQ(sizeof dlg.m_szUsbId, 256u * 64u);
  EXPECT_EQ(sizeof dlg.m_cDeviceLetter, 27u);
}

TEST_F(MainDlgTest, OnInitDialog_RunsItsStepsInOrder) {
  platform.calls.clear();
  EXPECT_TRUE(dlg.OnInitDialog());
  EXPECT_EQ(platform.calls, (Calls{
                                "SetDlgItemText 1005 ",
                                "SetDlgItemText 1004 0",
                                "SetDlgItemText 1003 0",
                                "SetDlgItemText 1000 ",
                                "GetSystemMenu",
                                "LoadString 101",
                                "AppendMenu system 2048 0",
                                "AppendMenu system 0 16 &About Zolvan...",
                                "SetWindowIcon 1 icon128",
                                "SetWindowIcon 0 icon128",
                                "GetModuleHandle JMUsbDll",
                                "LoadLibrary JMUsbDll.dll",
                                "SetDlgItemText 1000 DLL file loading fail!",
                                "SetDlgItemText 1005 Zolvan Backup Utility -- Device not found!",
                                "LoadIcon 143",
                                "Shell_NotifyIcon 1",
                            }));
}

TEST_F(MainDlgTest, OnInitDialog_BindsThenFindsDevicesThenHubDrives) {
  test::FakeBridge bridge;
  bridge.Bridge("E");
  bridge.Recognise('E');
  bridge.OnHub('E', "hub", 1);
  platform.loadableFiles = {"JMUsbDll.dll"};
  platform.exports = bridge.Exports(platform.calls);
  dlg.OnInitDialog();
  const Calls order = {"LoadLibrary JMUsbDll.dll", "GetDriveList 27",    "GetUsbIdList 256",   "JMInquiry E 40",
                       "SetTimer 1 300",           "GetAllDriveList 27", "GetAllDrivesHub E"};
  auto at = platform.calls.begin();
  for (const std::string& call : order) {
    at = std::find(at, platform.calls.end(), call);
    ASSERT_NE(at, platform.calls.end()) << call << " missing or out of order";
  }
  EXPECT_TRUE(platform.CallsStartingWith("NEVER").empty());
}

TEST_F(MainDlgTest, OnInitDialog_AddsNoAboutEntry_WhenStringIsEmptyOrMissing_OrNoSystemMenu) {
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
    CBackupMainDlg d(p);
    d.Attach(test::FakePlatform::Window());
    EXPECT_TRUE(d.OnInitDialog());
    EXPECT_TRUE(p.CallsStartingWith("AppendMenu").empty());
    EXPECT_EQ(p.CallsStartingWith("LoadString").size(), c.hasMenu ? 1u : 0u);
    EXPECT_EQ(p.CallsStartingWith("SetWindowIcon").size(), 2u);
  }
}

TEST_F(MainDlgTest, OnInitDialog_ClearsButtonStateOfAll27Entries) {
  for (int i = 0; i < 27; ++i) {
    dlg.m_nPressTicks[i] = i + 1;
    dlg.m_bFirstTick[i] = 1;
  }
  dlg.OnInitDialog();
  for (int i = 0; i < 27; ++i) {
    EXPECT_EQ(dlg.m_nPressTicks[i], 0) << i;
    EXPECT_EQ(dlg.m_bFirstTick[i], 0) << i;
  }
}

TEST_F(MainDlgTest, WindowProc_HandlesOnlyArrivalAndRemoveComplete) {
  struct Case {
    uint32_t message;
    uintptr_t code;
    Calls timerCalls;
  };
  const Case cases[] = {
      {0x0219, 0x8000, {"SetTimer 1 300"}},
      {0x0219, 0x8004, {"KillTimer 1", "SetTimer 1 300"}},
      {0x0219, 0x8001, {}},  // query remove
      {0x0219, 0x8003, {}},  // remove pending
      {0x0219, 0x0007, {}},  // device nodes changed
      {0x0219, 0x0018, {}},  // configuration changed
      {0x0113, 0x8000, {}},  // not a device change: same wParam means nothing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.message << " " << c.code);
    test::FakePlatform p;
    CBackupMainDlg d(p);
    d.Attach(test::FakePlatform::Window());
    d.m_nPressTicks[3] = 4;
    d.m_bFirstTick[26] = 1;
    d.m_nGpio2Count = 5;
    d.m_nLongGpio2Count = 2;
    p.calls.clear();
    d.WindowProc(c.message, c.code, 0);
    Calls timerCalls = p.CallsStartingWith("SetTimer");
    const Calls kills = p.CallsStartingWith("KillTimer");
    timerCalls.insert(timerCalls.begin(), kills.begin(), kills.end());
    EXPECT_EQ(timerCalls, c.timerCalls);
    if (!c.timerCalls.empty()) {
      if (c.code == 0x8004) {
        EXPECT_EQ(p.calls.front(), "KillTimer 1") << "stopped before rediscovery";
      }
      EXPECT_EQ(p.calls.back(), "SetTimer 1 300");
    } else {
      EXPECT_TRUE(p.calls.empty());
    }
    const bool reset = !c.timerCalls.empty();
    EXPECT_EQ(d.m_nPressTicks[3], reset ? 0 : 4);
    EXPECT_EQ(d.m_bFirstTick[26], reset ? 0 : 1);
    EXPECT_EQ(d.m_nGpio2Count, 5);
    EXPECT_EQ(d.m_nLongGpio2Count, 2);
  }
}

TEST_F(MainDlgTest, AppendLog_AppendsUnchanged_AndShowsWholeLog) {
  dlg.AppendLog("\r\nfirst\r\n");
  dlg.AppendLog("second");
  EXPECT_EQ(dlg.m_strLog, "\r\nfirst\r\nsecond");
  EXPECT_EQ(platform.CallsStartingWith("SetDlgItemText"),
            (Calls{"SetDlgItemText 1000 \r\nfirst\r\n", "SetDlgItemText 1000 \r\nfirst\r\nsecond"}));
}

TEST_F(MainDlgTest, BindingFailure_ReplacesViewNotLog_AndNextAppendLogHidesIt) {
  dlg.m_strLog = "earlier\r\n";
  dlg.LoadBridgeLibrary();
  EXPECT_EQ(platform.controlText[1000], "DLL file loading fail!");
  EXPECT_EQ(dlg.m_strLog, "earlier\r\n");
  dlg.AppendLog("next\r\n");
  EXPECT_EQ(platform.controlText[1000], "earlier\r\nnext\r\n");
}

TEST_F(MainDlgTest, LoadBridgeLibrary_ShowsNothing_WhenBindingIsComplete) {
  platform.loadedModules = {"JMUsbDll"};
  for (const char* name : {"GetDriveList", "GetUsbIdList", "ATACBExecute", "ATACBExecuteEx", "GetAllDriveList",
                           "GetAllDrivesHub", "GetAllDrivesHubPort", "JMSafeRemove", "JMSafeRemoveEx",
                           "JMGetChipInfo", "JMInquiry"})
    platform.exports[name] = &platform;
  dlg.LoadBridgeLibrary();
  EXPECT_TRUE(platform.CallsStartingWith("SetDlgItemText").empty());
  EXPECT_NE(g_bridgeLibrary.JMInquiry, nullptr);
}

TEST_F(MainDlgTest, OnPaint_OnlyHidesTheWindow) {
  platform.calls.clear();
  dlg.OnPaint();
  EXPECT_EQ(platform.calls, (Calls{"ShowWindow 0"}));
}

TEST_F(MainDlgTest, OnCreate_FailsOnlyWhenDefaultCreationFails) {
  EXPECT_EQ(dlg.OnCreate(false), -1);
  EXPECT_EQ(dlg.OnCreate(true), 0);
  EXPECT_EQ(dlg.OnQueryDragIcon(), test::FakePlatform::Icon(128));
}

}  // namespace
}  // namespace zolvan
