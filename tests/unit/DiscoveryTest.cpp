#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeBridge.h"
#include "FakePlatform.h"
#include "app/BackupMainDlg.h"

namespace zolvan {
namespace {

using Calls = std::vector<std::string>;
using namespace std::string_literals;

constexpr char kNotFound[] = "Zolvan Backup Utility -- Device not found!";
constexpr char kHub1[] = "USB\\VID_05E3&PID_0610\\5&2A1B3C4D&0&1";
constexpr char kHub2[] = "USB\\ROOT_HUB30\\4&19F0C3A&0&0";

std::string DeviceLine(int n, char letter) {
  return "\r\nDevice " + std::to_string(n) + " : << " + letter + " >>     USB\\VID_0E9C&PID_00A3\\" + letter + " \r\n";
}
const std::string kRecognisedLines =
    "\r\nJMicron 20336 USB to SATA X 2 Bridge Ver: 1.0.2507 \r\n"s + "\r\nVID = 0E9C  , PID = 00A3\r\n\n";
const std::string kUnknownLine = "\r\nUNKNOWN CHIP!!\r\n";

class DiscoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dlg.Attach(test::FakePlatform::Window());
    dlg.AddTrayIcon();
    bridge.Install(g_bridgeLibrary, platform.calls);
    platform.calls.clear();
    platform.notifications.clear();
  }
  void TearDown() override { g_bridgeLibrary = BridgeLibrary{}; }

  // Icon ids of the tray updates, in order.
  std::vector<int> TrayIcons() const {
    std::vector<int> ids;
    for (const auto& n : platform.notifications)
      ids.push_back(int(reinterpret_cast<uintptr_t>(n.data.hIcon) - 0x4000));
    return ids;
  }
  std::string Tip() const { return platform.notifications.back().data.szTip; }
  Calls LibraryCalls(const std::string& name) const { return platform.CallsStartingWith(name); }

  test::FakePlatform platform;
  CBackupMainDlg dlg{platform};
  test::FakeBridge bridge;
};

TEST_F(DiscoveryTest, FindDevices_ReportsNotFound_WhenNoBridgeDriveOrNoIdentity) {
  struct Case {
    const char* name;
    int32_t driveCount;
    int32_t usbIdCount;
  };
  for (const Case& c : {Case{"no drive", 0, 0}, Case{"identity list empty", 1, 0}, Case{"negative", -5, 1},
                        Case{"identity negative", 2, -1}}) {
    SCOPED_TRACE(c.name);
    bridge.Bridge("EF");
    bridge.Recognise('E');
    bridge.driveCount = c.driveCount;
    bridge.usbIdCount = c.usbIdCount;
    platform.calls.clear();
    platform.notifications.clear();
    dlg.m_strLog = "earlier";
    dlg.FindDevices();
    EXPECT_EQ(dlg.m_strStatus, kNotFound);
    EXPECT_EQ(platform.controlText[1005], kNotFound);
    EXPECT_EQ(dlg.m_strTip, kNotFound);
    EXPECT_EQ(Tip(), kNotFound);
    EXPECT_EQ(TrayIcons(), std::vector<int>{143});
    EXPECT_TRUE(dlg.m_strLog.empty());
    EXPECT_EQ(platform.controlText.count(1000), 0u) << "the log view is not redrawn";
    EXPECT_TRUE(LibraryCalls("JMInquiry").empty());
    EXPECT_TRUE(LibraryCalls("SetTimer").empty());
    EXPECT_EQ(LibraryCalls("Get"), (Calls{"GetDriveList 27", "GetUsbIdList 256"}));
  }
}

TEST_F(DiscoveryTest, FindDevices_BothRecognised_LogsIdentifiesStartsTimerAndShowsBlueIcon) {
  bridge.Bridge("EF");
  bridge.Recognise('E');
  bridge.Recognise('F');
  dlg.m_strLog = "earlier";
  dlg.FindDevices();
  const std::string log = DeviceLine(1, 'E') + kRecognisedLines + DeviceLine(2, 'F') + kRecognisedLines;
  EXPECT_EQ(dlg.m_strLog, log);
  EXPECT_EQ(platform.controlText[1000], log);
  EXPECT_EQ(platform.controlText[1005], "Device found!");
  EXPECT_EQ(Tip(), "Zolvan Backup Utility     \nZolvan Disk (E: ,F:)");
  EXPECT_EQ(TrayIcons(), std::vector<int>{142});
  EXPECT_EQ(LibraryCalls("SetTimer"), Calls{"SetTimer 1 300"});
  EXPECT_EQ(dlg.m_nChipState[0], 2);
  EXPECT_EQ(dlg.m_nChipState[1], 2);
  EXPECT_EQ(LibraryCalls("JM"), (Calls{"JMInquiry E 40", "JMGetChipInfo E 12", "JMInquiry F 40", "JMGetChipInfo F 12"}));
}

TEST_F(DiscoveryTest, FindDevices_TipListsOnlyRecognisedLetters) {
  struct Case {
    bool e, f;
    const char* tip;
  };
  for (const Case& c : {Case{true, false, "Zolvan Disk (E: ,)"}, Case{false, true, "Zolvan Disk (F:)"}}) {
    SCOPED_TRACE(c.tip);
    bridge = test::FakeBridge{};
    bridge.Install(g_bridgeLibrary, platform.calls);
    bridge.Bridge("EF");
    if (c.e) bridge.Recognise('E');
    if (c.f) bridge.Recognise('F');
    platform.notifications.clear();
    dlg.FindDevices();
    EXPECT_EQ(Tip(), "Zolvan Backup Utility     \n"s + c.tip);
    EXPECT_EQ(TrayIcons(), std::vector<int>{142});
    EXPECT_EQ(dlg.m_nChipState[0], c.e ? 2 : 0);
    EXPECT_EQ(dlg.m_nChipState[1], c.f ? 2 : 0);
  }
}

TEST_F(DiscoveryTest, FindDevices_NoneRecognised_ViewKeepsLinesWhileLogIsEmpty) {
  bridge.Bridge("EF");
  dlg.FindDevices();
  EXPECT_EQ(platform.controlText[1000], DeviceLine(1, 'E') + kUnknownLine + DeviceLine(2, 'F') + kUnknownLine);
  EXPECT_TRUE(dlg.m_strLog.empty());
  EXPECT_EQ(platform.controlText[1005], kNotFound);
  EXPECT_EQ(Tip(), kNotFound);
  EXPECT_EQ(TrayIcons(), (std::vector<int>{143}));
  EXPECT_TRUE(LibraryCalls("SetTimer").empty());
  dlg.AppendLog("next\r\n");
  EXPECT_EQ(platform.controlText[1000], "next\r\n");
}

TEST_F(DiscoveryTest, IdentifyChip_RecognisesOnlyTheEnclosuresBridge) {
  struct Case {
    const char* name;
    int32_t inquiryResult;
    std::string marker;
    int32_t chipResult;
    std::vector<uint8_t> chip;
    int32_t expected;
    Calls calls;
    const char* vid;  // after the call; "keep" when untouched
    const char* version;
  };
  const std::vector<uint8_t> good = {0xF4, 0xE7, 0x0E, 0x9C, 0x00, 0xA3, 1, 0, 2, 5, 0, 7};
  const Calls both = {"JMInquiry E 40", "JMGetChipInfo E 12"};
  const Calls inquiryOnly = {"JMInquiry E 40"};
  const Case cases[] = {
      {"recognised", 0, "j336", 12, good, 2, both, "0E9C", "1.0.2507"},
      {"inquiry fails", 1, "j336", 12, good, 0, inquiryOnly, "keep", "keep"},
      {"capital J", 0, "J336", 12, good, 0, inquiryOnly, "keep", "keep"},
      {"zero in marker", 0, "j3\0"s "6", 12, good, 0, inquiryOnly, "keep", "keep"},
      {"chip info 0", 0, "j336", 0, good, 0, both, "keep", "keep"},
      {"chip info negative", 0, "j336", -1, good, 0, both, "keep", "keep"},
      {"bad signature", 0, "j336", 12, {0xF4, 0xE8, 0x0E, 0x9C, 0x00, 0xA3, 1, 0, 2, 5, 0, 7}, 0, both, "keep", "keep"},
      {"other vendor", 0, "j336", 12, {0xF4, 0xE7, 0x15, 0x2D, 0x00, 0xA3, 1, 0, 2, 5, 0, 7}, 0, both, "152D", "1.0.2507"},
      {"other product", 0, "j336", 12, {0xF4, 0xE7, 0x0E, 0x9C, 0x23, 0x36, 1, 0, 2, 5, 0, 7}, 0, both, "0E9C", "1.0.2507"},
      {"hex version", 0, "j336", 12, {0xF4, 0xE7, 0x0E, 0x9C, 0x00, 0xA3, 0x1A, 0x0B, 0xFF, 0, 0x10, 1}, 2, both, "0E9C",
       "1A.B.FF0101"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bridge.inquiries['E'] = {c.inquiryResult, c.marker};
    bridge.chips['E'] = {c.chipResult, c.chip};
    dlg.m_strVid = dlg.m_strPid = dlg.m_strVersion = "keep";
    dlg.m_strLog.clear();
    platform.calls.clear();
    EXPECT_EQ(dlg.IdentifyChip('E'), c.expected);
    EXPECT_EQ(LibraryCalls("JM"), c.calls);
    EXPECT_EQ(dlg.m_strVid, c.vid);
    EXPECT_EQ(dlg.m_strVersion, c.version);
    if (c.expected == 2)
      EXPECT_EQ(dlg.m_strLog, "\r\nJMicron 20336 USB to SATA X 2 Bridge Ver: "s + c.version +
                                  " \r\n\r\nVID = 0E9C  , PID = 00A3\r\n\n");
    else
      EXPECT_EQ(dlg.m_strLog, kUnknownLine);
  }
}

TEST_F(DiscoveryTest, FindHubDrives_LogsEveryDriveFromZero_AndAddsFrontPortDisksToTip) {
  bridge.Bridge("E");
  bridge.Recognise('E');
  bridge.OnHub('E', kHub1, 1);
  bridge.OnHub('G', kHub1, 2);
  bridge.OnHub('H', kHub1, 2);
  bridge.OnHub('X', kHub2, 2);  // a front port of another hub
  dlg.FindDevices();
  dlg.m_strLog.clear();
  dlg.FindHubDrives();
  EXPECT_EQ(dlg.m_strLog, "\r\n0th Drive: "s + kHub1 + " Port:1  << E >> \r\n" + "\r\n1th Drive: " + kHub1 +
                              " Port:2  << G >> \r\n" + "\r\n2th Drive: " + kHub1 + " Port:2  << H >> \r\n" +
                              "\r\n3th Drive: " + kHub2 + " Port:2  << X >> \r\n");
  EXPECT_EQ(dlg.m_strFrontPort, "Front Port Disk (G:H:)");
  EXPECT_EQ(Tip(), "Zolvan Backup Utility     \nZolvan Disk (E:) , Front Port Disk (G:H:)");
  EXPECT_EQ(TrayIcons(), (std::vector<int>{142, 141}));
  EXPECT_EQ(LibraryCalls("GetAll"), (Calls{"GetAllDriveList 27", "GetAllDrivesHub E", "GetAllDrivesHubPort E",
                                           "GetAllDrivesHub G", "GetAllDrivesHubPort G", "GetAllDrivesHub H",
                                           "GetAllDrivesHubPort H", "GetAllDrivesHub X", "GetAllDrivesHubPort X"}));
}

TEST_F(DiscoveryTest, FindFrontPortDisks_ListsADiskOnce_WhenMatchedThroughTwoDevices) {
  bridge.Bridge("EF");
  bridge.Recognise('E');
  bridge.Recognise('F');
  bridge.OnHub('E', kHub1, 1);
  bridge.OnHub('F', kHub1, 3);
  bridge.OnHub('G', kHub1, 2);
  dlg.FindDevices();
  dlg.FindHubDrives();
  EXPECT_EQ(dlg.m_strFrontPort, "Front Port Disk (G:)");
  EXPECT_EQ(Tip(), "Zolvan Backup Utility     \nZolvan Disk (E: ,F:) , Front Port Disk (G:)");
}

TEST_F(DiscoveryTest, FindHubDrives_AddsFrontPortToNotFoundTip_WhenNoBridgeRecognised) {
  bridge.Bridge("E");
  bridge.OnHub('E', kHub1, 1);
  bridge.OnHub('G', kHub1, 2);
  dlg.FindDevices();
  dlg.FindHubDrives();
  EXPECT_EQ(Tip(), kNotFound + " , Front Port Disk (G:)"s);
  EXPECT_EQ(TrayIcons(), (std::vector<int>{143, 141}));
}

TEST_F(DiscoveryTest, FindHubDrives_LogsButFindsNoFrontPort_WhenNoDeviceOrOtherHub) {
  // No bridge drive: hub drives are still logged; a port-2 disk of a hub no device is on is no front-port disk.
  bridge.OnHub('E', kHub1, 1);
  bridge.OnHub('G', kHub2, 2);
  dlg.FindDevices();
  dlg.FindHubDrives();
  EXPECT_EQ(platform.controlText[1000], "\r\n0th Drive: "s + kHub1 + " Port:1  << E >> \r\n" + "\r\n1th Drive: " +
                                            kHub2 + " Port:2  << G >> \r\n");
  EXPECT_FALSE(dlg.FindFrontPortDisks());
  EXPECT_EQ(dlg.m_strFrontPort, "Front Port Disk ()");
  EXPECT_EQ(TrayIcons(), std::vector<int>{143});
}

TEST_F(DiscoveryTest, FindHubDrives_StopsSilently_WhenCountIsZeroOrLess) {
  for (int32_t count : {0, -1}) {
    bridge.OnHub('G', kHub1, 2);
    bridge.allCount = count;
    platform.calls.clear();
    platform.notifications.clear();
    dlg.FindHubDrives();
    EXPECT_EQ(dlg.m_nDriveCount, count);
    EXPECT_EQ(platform.calls, Calls{"GetAllDriveList 27"});
    EXPECT_TRUE(platform.notifications.empty());
  }
}

TEST_F(DiscoveryTest, HostileAnswers_StayWithinTables) {
  std::string many;
  for (int i = 0; i < 27; ++i) many += char('A' + i % 26);
  bridge.Bridge(many);
  bridge.driveCount = 1000;
  bridge.usbIdCount = 1000;
  bridge.usbIds[0] = std::string(64, 'u');   // no NUL
  bridge.usbIds[1] = std::string(200, 'v');  // longer than an entry
  bridge.allLetters = many;
  bridge.allCount = 1000;
  bridge.hubs['A'] = std::string(128, 'h');  // no NUL
  dlg.FindDevices();
  EXPECT_EQ(dlg.m_nDeviceCount, 27);
  EXPECT_EQ(dlg.m_nUsbIdCount, 256);
  EXPECT_EQ(std::string(dlg.m_szUsbId[0]), std::string(63, 'u'));
  EXPECT_NE(platform.controlText[1000].find("<< A >>     " + std::string(63, 'u') + " \r\n"), std::string::npos);
  dlg.FindHubDrives();
  EXPECT_EQ(dlg.m_nDriveCount, 27);
  EXPECT_EQ(std::string(dlg.m_szHubId[0]), std::string(127, 'h'));
  EXPECT_EQ(LibraryCalls("JMInquiry").size(), 27u);
  for (int32_t count : {1000, -5}) {
    bridge.allCount = count;
    dlg.FindHubDrives();
    EXPECT_EQ(dlg.m_nDriveCount, count > 0 ? 27 : count);
  }
}

TEST_F(DiscoveryTest, LettersOutsideAToZ_AreLoggedButNeverIdentifiedOrLookedUp) {
  bridge.Bridge(std::string("&\0E", 3));
  bridge.Recognise('E');
  bridge.usbIds[1] = "";
  bridge.usbIdCount = 2;  // the third device has no identity text
  bridge.OnHub('&', kHub1, 2);
  bridge.OnHub('E', kHub1, 1);
  dlg.FindDevices();
  EXPECT_EQ(dlg.m_strLog, "\r\nDevice 1 : << & >>     USB\\VID_0E9C&PID_00A3\\& \r\n" + kUnknownLine +
                              "\r\nDevice 2 : <<   >>      \r\n"s + kUnknownLine +
                              "\r\nDevice 3 : << E >>      \r\n" + kRecognisedLines);
  EXPECT_EQ(LibraryCalls("JMInquiry"), Calls{"JMInquiry E 40"});
  EXPECT_EQ(Tip(), "Zolvan Backup Utility     \nZolvan Disk (E:)");
  platform.calls.clear();
  dlg.FindHubDrives();
  EXPECT_EQ(LibraryCalls("GetAllDrivesHub"), (Calls{"GetAllDrivesHub E", "GetAllDrivesHubPort E"}));
  EXPECT_EQ(dlg.m_strLog.substr(dlg.m_strLog.find("\r\n0th")), "\r\n0th Drive:  Port:0  << & >> \r\n"s +
                                                                    "\r\n1th Drive: " + kHub1 + " Port:1  << E >> \r\n");
  EXPECT_FALSE(dlg.FindFrontPortDisks());
}

TEST_F(DiscoveryTest, NullEntryPoints_AreNeverCalled) {
  g_bridgeLibrary = BridgeLibrary{};
  dlg.FindDevices();
  dlg.FindHubDrives();
  EXPECT_EQ(dlg.m_nDeviceCount, -1);
  EXPECT_EQ(dlg.m_nDriveCount, -1);
  EXPECT_EQ(dlg.m_strStatus, kNotFound);
  // Bound only up to the chip-information group: inquiry is null, so nothing is recognised.
  bridge.Install(g_bridgeLibrary, platform.calls);
  bridge.Bridge("E");
  bridge.Recognise('E');
  g_bridgeLibrary.JMInquiry = nullptr;
  platform.calls.clear();
  EXPECT_EQ(dlg.IdentifyChip('E'), 0);
  EXPECT_TRUE(LibraryCalls("JM").empty());
}

}  // namespace
}  // namespace zolvan
