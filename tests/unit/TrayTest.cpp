// The tray icon, its menu, the About box and Exit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakePlatform.h"
#include "app/MainDialog.h"
#include "app/TrayIcon.h"

namespace zolvan {
namespace {

using Calls = std::vector<std::string>;

class TrayTest : public ::testing::Test {
 protected:
  const test::FakePlatform::Notification& Last() const { return platform.notifications.back(); }

  test::FakePlatform platform;
  TrayIcon tray{platform};
};

TEST_F(TrayTest, Add_AddsIconWithInitialTipAndLoadsMenu) {
  tray.Add(test::FakePlatform::Window());
  ASSERT_EQ(platform.notifications.size(), 1u);
  const TrayIconData& nid = Last().data;
  EXPECT_EQ(Last().message, 0u);  // NIM_ADD
  EXPECT_EQ(nid.cbSize, 504u);
  EXPECT_EQ(nid.hWnd, test::FakePlatform::Window());
  EXPECT_EQ(nid.uID, 1u);
  EXPECT_EQ(nid.uCallbackMessage, 0x0401u);
  EXPECT_EQ(nid.uFlags, 7u);
  EXPECT_EQ(nid.hIcon, test::FakePlatform::SmallIcon(128));
  EXPECT_STREQ(nid.szTip, "Device not found");
  EXPECT_EQ(platform.CallsStartingWith("LoadMenu"), Calls{"LoadMenu 130"});
  EXPECT_TRUE(platform.CallsStartingWith("MessageBox").empty());
}

TEST_F(TrayTest, Add_ShowsMessageBoxAndStillAddsIcon_WhenMenuCannotBeLoaded) {
  platform.hasTrayMenu = false;
  tray.Add(test::FakePlatform::Window());
  EXPECT_EQ(platform.CallsStartingWith("MessageBox"), (Calls{"MessageBox Unabled to Loa menu | ZolvanBackup | 0"}));
  ASSERT_EQ(platform.notifications.size(), 1u);
  EXPECT_EQ(Last().message, 0u);
  // A right-click then opens no menu.
  tray.ShowMenu();
  EXPECT_TRUE(platform.CallsStartingWith("TrackPopupMenu").empty());
}

TEST_F(TrayTest, Update_SetsTipIconAndFlags_CuttingTipAt127) {
  tray.Add(test::FakePlatform::Window());
  struct Case {
    size_t length;
    size_t shown;
  };
  for (const Case& c : {Case{0, 0}, Case{40, 40}, Case{127, 127}, Case{128, 127}, Case{500, 127}}) {
    SCOPED_TRACE(c.length);
    tray.Update(std::string(c.length, 'x').c_str(), 143);
    const TrayIconData& nid = Last().data;
    EXPECT_EQ(Last().message, 1u);  // NIM_MODIFY
    EXPECT_EQ(std::string(nid.szTip), std::string(c.shown, 'x'));
    EXPECT_EQ(nid.hIcon, test::FakePlatform::SmallIcon(143));
    EXPECT_EQ(nid.uFlags, 7u);
    EXPECT_EQ(nid.cbSize, 504u);
    EXPECT_EQ(nid.uID, 1u);
    EXPECT_EQ(nid.uCallbackMessage, 0x0401u);
    EXPECT_EQ(nid.hWnd, test::FakePlatform::Window());
  }
}

TEST_F(TrayTest, ShowBalloon_SetsBalloonOnly_AndReturnsShellResult) {
  tray.Add(test::FakePlatform::Window());
  tray.Update("Zolvan Disk (E:)", 142);
  for (bool shellResult : {true, false}) {
    platform.notifyResult = shellResult;
    EXPECT_EQ(tray.ShowBalloon("(G:) can now be removed.", "Zolvan Backup Utility", 2), shellResult);
    const TrayIconData& nid = Last().data;
    EXPECT_EQ(Last().message, 1u);
    EXPECT_EQ(nid.uFlags, 0x10u);
    EXPECT_STREQ(nid.szInfo, "(G:) can now be removed.");
    EXPECT_STREQ(nid.szInfoTitle, "Zolvan Backup Utility");
    EXPECT_EQ(nid.uTimeout, 200u);
    EXPECT_EQ(nid.dwInfoFlags, 0u);
    EXPECT_EQ(nid.cbSize, 504u);
    EXPECT_EQ(nid.uID, 1u);
    EXPECT_EQ(nid.uCallbackMessage, 0x0401u);
    // The tip and picture of the last update stay.
    EXPECT_STREQ(nid.szTip, "Zolvan Disk (E:)");
    EXPECT_EQ(nid.hIcon, test::FakePlatform::SmallIcon(142));
  }
  tray.ShowBalloon(std::string(400, 'b').c_str(), std::string(100, 't').c_str(), 2);
  EXPECT_EQ(std::string(Last().data.szInfo), std::string(255, 'b'));
  EXPECT_EQ(std::string(Last().data.szInfoTitle), std::string(63, 't'));
}

TEST_F(TrayTest, AddAgain_AddsIconWithCurrentTipAndPicture_AfterABalloon) {
  tray.Add(test::FakePlatform::Window());
  tray.Update("Zolvan Disk (E:)", 141);
  tray.ShowBalloon("(E:) can now be removed.", "Zolvan Backup Utility", 2);
  tray.AddAgain();
  const TrayIconData& nid = Last().data;
  EXPECT_EQ(Last().message, 0u);
  EXPECT_EQ(nid.uFlags, 7u);
  EXPECT_STREQ(nid.szTip, "Zolvan Disk (E:)");
  EXPECT_EQ(nid.hIcon, test::FakePlatform::SmallIcon(141));
}

TEST(TrayMenu, IsDestroyedWithTheTrayIcon_AndIconIsLeftAlone) {
  test::FakePlatform platform;
  {
    TrayIcon tray(platform);
    tray.Add(test::FakePlatform::Window());
    platform.calls.clear();
  }
  EXPECT_EQ(platform.calls, (Calls{"DestroyMenu tray"}));
}

class TrayHandlersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dialog.OnCreate(test::FakePlatform::Window());
    platform.calls.clear();
  }

  test::FakePlatform platform;
  MainDialog dialog{platform};
};

TEST_F(TrayHandlersTest, OnTrayNotify_OpensMenuOnlyForRightButtonOrContextMenuOnIcon1) {
  struct Case {
    uintptr_t id;
    intptr_t mouse;
    bool opens;
  };
  const Case cases[] = {
      {1, 0x0204, true},   // right button down
      {1, 0x007B, true},   // context menu
      {1, 0x0201, false},  // left button down
      {1, 0x0202, false},  // left button up
      {1, 0x0203, false},  // left double click
      {1, 0x0205, false},  // right button up
      {1, 0x0200, false},  // mouse move
      {2, 0x0204, false},  // another icon id
      {0, 0x007B, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.id << " " << std::hex << c.mouse);
    platform.calls.clear();
    EXPECT_EQ(dialog.OnTrayNotify(c.id, c.mouse), 0);
    if (c.opens)
      EXPECT_EQ(platform.calls, (Calls{"GetCursorPos", "SetForegroundWindow", "GetSubMenu 0",
                                       "TrackPopupMenu popup 34 640,700"}));
    else
      EXPECT_TRUE(platform.calls.empty());
  }
}

TEST_F(TrayHandlersTest, OnSysCommand_OpensAboutBox_WhenUpperBitsAre0x0010) {
  struct Case {
    uintptr_t command;
    bool about;
  };
  for (const Case& c : {Case{0x0010, true}, Case{0x0013, true}, Case{0x001F, true}, Case{0x0020, false},
                        Case{0xF060, false}, Case{0xF010, false}, Case{0x0000, false}}) {
    SCOPED_TRACE(c.command);
    platform.calls.clear();
    EXPECT_EQ(dialog.OnSysCommand(c.command), c.about);
    EXPECT_EQ(platform.calls, c.about ? Calls{"RunModalDialog 100"} : Calls{});
  }
}

TEST_F(TrayHandlersTest, OnTrayAbout_RunsAboutBoxModally) {
  dialog.OnTrayAbout();
  EXPECT_EQ(platform.calls, Calls{"RunModalDialog 100"});
}

TEST_F(TrayHandlersTest, OnTrayExit_RemovesIconBeforeDestroyingWindow) {
  dialog.OnTrayExit();
  EXPECT_EQ(platform.calls, (Calls{"Shell_NotifyIcon 2", "DestroyWindow"}));
  EXPECT_EQ(platform.notifications.back().data.uID, 1u);
  EXPECT_EQ(platform.notifications.back().data.hWnd, test::FakePlatform::Window());
}

TEST_F(TrayHandlersTest, OnTaskbarCreated_AddsTheIconAgain) {
  dialog.OnTaskbarCreated();
  EXPECT_EQ(platform.calls, Calls{"Shell_NotifyIcon 0"});
}

}  // namespace
}  // namespace zolvan
