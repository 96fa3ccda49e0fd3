#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakePlatform.h"
#include "app/BackupMainDlg.h"

namespace zolvan {
namespace {

using Calls = std::vector<std::string>;

class TrayTest : public ::testing::Test {
 protected:
  void SetUp() override { dlg.Attach(test::FakePlatform::Window()); }

  const test::FakePlatform::Notification& Last() const { return platform.notifications.back(); }

  test::FakePlatform platform;
  CBackupMainDlg dlg{platform};
};

TEST_F(TrayTest, AddTrayIcon_AddsIconWithInitialTipAndLoadsMenu) {
  EXPECT_EQ(dlg.OnCreate(true), 0);
  ASSERT_EQ(platform.notifications.size(), 1u);
  const TrayIconData& nid = Last().data;
  EXPECT_EQ(Last().message, 0u);  // NIM_ADD
  EXPECT_EQ(nid.cbSize, 504u);
  EXPECT_EQ(nid.hWnd, test::FakePlatform::Window());
  EXPECT_EQ(nid.uID, 1u);
  EXPECT_EQ(nid.uCallbackMessage, 0x0401u);
  EXPECT_EQ(nid.uFlags, 7u);
  EXPECT_EQ(nid.hIcon, test::FakePlatform::Icon(128));
  EXPECT_STREQ(nid.szTip, "Device not found");
  EXPECT_EQ(dlg.m_menuTray, test::FakePlatform::TrayMenu());
  EXPECT_TRUE(platform.CallsStartingWith("MessageBox").empty());
}

TEST_F(TrayTest, AddTrayIcon_ShowsMessageBoxAndStillAddsIcon_WhenMenuCannotBeLoaded) {
  platform.hasTrayMenu = false;
  dlg.OnCreate(true);
  EXPECT_EQ(platform.CallsStartingWith("MessageBox"), (Calls{"MessageBox Unabled to Loa menu | ZolvanBackup | 0"}));
  ASSERT_EQ(platform.notifications.size(), 1u);
  EXPECT_EQ(Last().message, 0u);
  // A right-click then opens no menu.
  dlg.OnTrayNotify(1, 0x0204);
  EXPECT_TRUE(platform.CallsStartingWith("TrackPopupMenu").empty());
}

TEST_F(TrayTest, OnCreate_AddsNoIcon_WhenDefaultCreationFails) {
  EXPECT_EQ(dlg.OnCreate(false), -1);
  EXPECT_TRUE(platform.notifications.empty());
}

TEST_F(TrayTest, UpdateTrayIcon_SetsTipIconAndFlags_CuttingTipAt127) {
  dlg.AddTrayIcon();
  for (size_t length : {0u, 40u, 127u, 128u, 500u}) {
    SCOPED_TRACE(length);
    const std::string tip(length, 'x');
    dlg.UpdateTrayIcon(tip.c_str(), 143);
    const TrayIconData& nid = Last().data;
    EXPECT_EQ(Last().message, 1u);  // NIM_MODIFY
    EXPECT_EQ(std::string(nid.szTip), tip.substr(0, 127));
    EXPECT_EQ(nid.hIcon, test::FakePlatform::Icon(143));
    EXPECT_EQ(nid.uFlags, 7u);
    EXPECT_EQ(nid.cbSize, 504u);
    EXPECT_EQ(nid.uID, 1u);
    EXPECT_EQ(nid.uCallbackMessage, 0x0401u);
    EXPECT_EQ(nid.hWnd, test::FakePlatform::Window());
  }
}

TEST_F(TrayTest, ShowTrayBalloon_SetsBalloonOnly_AndReturnsShellResult) {
  dlg.AddTrayIcon();
  dlg.UpdateTrayIcon("Zolvan Disk (E:)", 142);
  for (bool shellResult : {true, false}) {
    platform.notifyResult = shellResult;
    EXPECT_EQ(dlg.ShowTrayBalloon("(G:) can now be removed.", "Zolvan Backup Utility", 2), shellResult);
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
    EXPECT_EQ(nid.hIcon, test::FakePlatform::Icon(142));
  }
  const std::string longText(400, 'b'), longTitle(100, 't');
  dlg.ShowTrayBalloon(longText.c_str(), longTitle.c_str(), 2);
  EXPECT_EQ(std::string(Last().data.szInfo), longText.substr(0, 255));
  EXPECT_EQ(std::string(Last().data.szInfoTitle), longTitle.substr(0, 63));
}

TEST_F(TrayTest, OnTrayNotify_OpensMenuOnlyForRightButtonOrContextMenuOnIcon1) {
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
  dlg.AddTrayIcon();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.id << " " << std::hex << c.mouse);
    platform.calls.clear();
    EXPECT_EQ(dlg.OnTrayNotify(c.id, c.mouse), 0);
    if (c.opens)
      EXPECT_EQ(platform.calls, (Calls{"GetCursorPos", "SetForegroundWindow", "GetSubMenu 0",
                                       "TrackPopupMenu popup 34 640,700"}));
    else
      EXPECT_TRUE(platform.calls.empty());
  }
}

TEST_F(TrayTest, OnSysCommand_OpensAboutBox_WhenUpperBitsAre0x0010) {
  for (uintptr_t command : {0x0010u, 0x0013u, 0x001Fu, 0x0020u, 0xF060u, 0xF010u, 0x0000u}) {
    SCOPED_TRACE(command);
    platform.calls.clear();
    const bool about = (command & 0xFFF0) == 0x0010;
    EXPECT_EQ(dlg.OnSysCommand(command, 0), about);
    EXPECT_EQ(platform.calls, about ? Calls{"RunModalDialog 100"} : Calls{});
  }
}

TEST_F(TrayTest, OnTrayAbout_RunsAboutBoxModally) {
  dlg.OnTrayAbout();
  EXPECT_EQ(platform.calls.back(), "RunModalDialog 100");
}

TEST_F(TrayTest, OnTrayExit_RemovesIconBeforeDestroyingWindow) {
  dlg.AddTrayIcon();
  platform.calls.clear();
  dlg.OnTrayExit();
  EXPECT_EQ(platform.calls, (Calls{"Shell_NotifyIcon 2", "DestroyWindow"}));
  EXPECT_EQ(Last().data.uID, 1u);
  EXPECT_EQ(Last().data.hWnd, test::FakePlatform::Window());
}

TEST_F(TrayTest, OnTaskbarCreated_AddsIconAgainWithCurrentTipAndPicture) {
  dlg.AddTrayIcon();
  dlg.UpdateTrayIcon("Zolvan Disk (E:)", 141);
  dlg.ShowTrayBalloon("(E:) can now be removed.", "Zolvan Backup Utility", 2);
  EXPECT_EQ(dlg.OnTaskbarCreated(), 0);
  const TrayIconData& nid = Last().data;
  EXPECT_EQ(Last().message, 0u);
  EXPECT_EQ(nid.uFlags, 7u);
  EXPECT_STREQ(nid.szTip, "Zolvan Disk (E:)");
  EXPECT_EQ(nid.hIcon, test::FakePlatform::Icon(141));
}

TEST(TrayMenu, IsDestroyedWithTheDialog_AndIconIsLeftAlone) {
  test::FakePlatform platform;
  {
    CBackupMainDlg dlg(platform);
    dlg.Attach(test::FakePlatform::Window());
    dlg.AddTrayIcon();
    platform.calls.clear();
  }
  EXPECT_EQ(platform.calls, (Calls{"DestroyMenu tray"}));
}

}  // namespace
}  // namespace zolvan
