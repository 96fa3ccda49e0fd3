// Discovery and chip identification: what the bridge finds and the log lines it produces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeBridge.h"
#include "FakePlatform.h"
#include "device/Bridge.h"

namespace zolvan {
namespace {

using Calls = std::vector<std::string>;
using namespace std::string_literals;

constexpr char kHub1[] = "USB\\VID_05E3&PID_0610\\5&2A1B3C4D&0&1";
constexpr char kHub2[] = "USB\\ROOT_HUB30\\4&19F0C3A&0&0";

std::string DeviceLine(int n, char letter) {
  return "\r\nDevice " + std::to_string(n) + " : << " + letter + " >>     USB\\VID_0E9C&PID_00A3\\" + letter + " \r\n";
}
const std::string kVersionLine = "\r\nJMicron 20336 USB to SATA X 2 Bridge Ver: 1.0.2507 \r\n";
const std::string kIdLine = "\r\nVID = 0E9C  , PID = 00A3\r\n\n";
const std::string kUnknownLine = "\r\nUNKNOWN CHIP!!\r\n";

std::string Joined(const LogLines& lines) {
  std::string all;
  for (const std::string& line : lines) all += line;
  return all;
}

class DiscoveryTest : public ::testing::Test {
 protected:
  // Binds the bridge to the scripted library and forgets the binding's calls.
  void Bind(const std::set<std::string>& lacking = {}) {
    fake.Serve(platform, lacking);
    bridge.Bind(platform);
    platform.calls.clear();
  }
  Calls LibraryCalls(const std::string& name) const { return platform.CallsStartingWith(name); }

  test::FakePlatform platform;
  test::FakeBridge fake;
  Bridge bridge;
};

TEST_F(DiscoveryTest, FindDevices_ListsNothing_WhenNoBridgeDriveOrNoIdentity) {
  struct Case {
    const char* name;
    int32_t driveCount;
    int32_t usbIdCount;
  };
  Bind();
  for (const Case& c : {Case{"no drive", 0, 0}, Case{"identity list empty", 1, 0}, Case{"negative", -5, 1},
                        Case{"identity negative", 2, -1}}) {
    SCOPED_TRACE(c.name);
    fake.Bridge("EF");
    fake.Recognise('E');
    fake.driveCount = c.driveCount;
    fake.usbIdCount = c.usbIdCount;
    platform.calls.clear();
    const DeviceSearch search = bridge.FindDevices();
    EXPECT_FALSE(search.listed);
    EXPECT_EQ(search.recognised, 0);
    EXPECT_TRUE(search.log.empty());
    EXPECT_EQ(platform.calls, (Calls{"GetDriveList 27", "GetUsbIdList 256"}));
  }
}

TEST_F(DiscoveryTest, FindDevices_IdentifiesEveryDriveInOrder_AndLogsEach) {
  Bind();
  fake.Bridge("EF");
  fake.Recognise('E');
  fake.Recognise('F');
  const DeviceSearch search = bridge.FindDevices();
  EXPECT_TRUE(search.listed);
  EXPECT_EQ(Joined(search.log), DeviceLine(1, 'E') + kVersionLine + kIdLine + DeviceLine(2, 'F') + kVersionLine + kIdLine);
  EXPECT_EQ(search.letters, "E: ,F:");
  EXPECT_EQ(search.recognised, 2);
  EXPECT_EQ(platform.calls, (Calls{"GetDriveList 27", "GetUsbIdList 256", "JMInquiry E 40", "JMGetChipInfo E 12",
                                   "JMInquiry F 40", "JMGetChipInfo F 12"}));
  EXPECT_EQ(bridge.Tables().chipState[0], 2);
  EXPECT_EQ(bridge.Tables().chipState[1], 2);
}

TEST_F(DiscoveryTest, FindDevices_ListsOnlyRecognisedLetters) {
  struct Case {
    bool e, f;
    const char* letters;
  };
  Bind();
  const std::string recognised = kVersionLine + kIdLine;
  for (const Case& c : {Case{true, false, "E: ,"}, Case{false, true, "F:"}, Case{false, false, ""}}) {
    SCOPED_TRACE(c.letters);
    fake.inquiries.clear();
    fake.Bridge("EF");
    if (c.e) fake.Recognise('E');
    if (c.f) fake.Recognise('F');
    const DeviceSearch search = bridge.FindDevices();
    EXPECT_EQ(search.letters, c.letters);
    EXPECT_EQ(search.recognised, int(c.e) + int(c.f));
    EXPECT_EQ(Joined(search.log), DeviceLine(1, 'E') + (c.e ? recognised : kUnknownLine) + DeviceLine(2, 'F') +
                                      (c.f ? recognised : kUnknownLine));
    EXPECT_EQ(bridge.Tables().chipState[0], c.e ? 2 : 0);
    EXPECT_EQ(bridge.Tables().chipState[1], c.f ? 2 : 0);
  }
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
    const char* vid;  // empty: the chip's record was not read or had no signature
    const char* version;
  };
  const std::vector<uint8_t> good = {0xF4, 0xE7, 0x0E, 0x9C, 0x00, 0xA3, 1, 0, 2, 5, 0, 7};
  const Calls both = {"JMInquiry E 40", "JMGetChipInfo E 12"};
  const Calls inquiryOnly = {"JMInquiry E 40"};
  const Case cases[] = {
      {"recognised", 0, "j336", 12, good, 2, both, "0E9C", "1.0.2507"},
      {"inquiry fails", 1, "j336", 12, good, 0, inquiryOnly, "", ""},
      {"capital J", 0, "J336", 12, good, 0, inquiryOnly, "", ""},
      {"zero in marker", 0, "j3\0"s "6", 12, good, 0, inquiryOnly, "", ""},
      {"chip info 0", 0, "j336", 0, good, 0, both, "", ""},
      {"chip info negative", 0, "j336", -1, good, 0, both, "", ""},
      {"bad signature", 0, "j336", 12, {0xF4, 0xE8, 0x0E, 0x9C, 0x00, 0xA3, 1, 0, 2, 5, 0, 7}, 0, both, "", ""},
      {"other vendor", 0, "j336", 12, {0xF4, 0xE7, 0x15, 0x2D, 0x00, 0xA3, 1, 0, 2, 5, 0, 7}, 0, both, "152D", "1.0.2507"},
      {"other product", 0, "j336", 12, {0xF4, 0xE7, 0x0E, 0x9C, 0x23, 0x36, 1, 0, 2, 5, 0, 7}, 0, both, "0E9C", "1.0.2507"},
      {"hex version", 0, "j336", 12, {0xF4, 0xE7, 0x0E, 0x9C, 0x00, 0xA3, 0x1A, 0x0B, 0xFF, 0, 0x10, 1}, 2, both, "0E9C",
       "1A.B.FF0101"},
  };
  Bind();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake.inquiries['E'] = {c.inquiryResult, c.marker};
    fake.chips['E'] = {c.chipResult, c.chip};
    platform.calls.clear();
    const ChipIdentification chip = bridge.IdentifyChip('E');
    EXPECT_EQ(chip.state, c.expected);
    EXPECT_EQ(platform.calls, c.calls);
    EXPECT_EQ(chip.vid, c.vid);
    EXPECT_EQ(chip.version, c.version);
    if (c.expected == 2)
      EXPECT_EQ(chip.log, (LogLines{"\r\nJMicron 20336 USB to SATA X 2 Bridge Ver: "s + c.version + " \r\n", kIdLine}));
    else
      EXPECT_EQ(chip.log, LogLines{kUnknownLine});
  }
}

TEST_F(DiscoveryTest, FindHubDrives_LogsEveryDriveFromZero_AndFindsFrontPortDisks) {
  Bind();
  fake.Bridge("E");
  fake.Recognise('E');
  fake.OnHub('E', kHub1, 1);
  fake.OnHub('G', kHub1, 2);
  fake.OnHub('H', kHub1, 2);
  fake.OnHub('X', kHub2, 2);  // a front port of another hub
  bridge.FindDevices();
  platform.calls.clear();
  const HubSearch search = bridge.FindHubDrives();
  EXPECT_EQ(Joined(search.log), "\r\n0th Drive: "s + kHub1 + " Port:1  << E >> \r\n" + "\r\n1th Drive: " + kHub1 +
                                    " Port:2  << G >> \r\n" + "\r\n2th Drive: " + kHub1 + " Port:2  << H >> \r\n" +
                                    "\r\n3th Drive: " + kHub2 + " Port:2  << X >> \r\n");
  EXPECT_TRUE(search.frontPortFound);
  EXPECT_EQ(search.frontPort, "Front Port Disk (G:H:)");
  EXPECT_EQ(platform.calls, (Calls{"GetAllDriveList 27", "GetAllDrivesHub E", "GetAllDrivesHubPort E",
                                   "GetAllDrivesHub G", "GetAllDrivesHubPort G", "GetAllDrivesHub H",
                                   "GetAllDrivesHubPort H", "GetAllDrivesHub X", "GetAllDrivesHubPort X"}));
  EXPECT_EQ(bridge.Tables().hubPort[1], 2);
  EXPECT_STREQ(bridge.Tables().FindHubId('H'), kHub1);
  EXPECT_EQ(bridge.Tables().FindHubId('Q'), nullptr);
}

TEST_F(DiscoveryTest, FindHubDrives_ListsAFrontPortDiskOnce_WhenMatchedThroughTwoDevices) {
  Bind();
  fake.Bridge("EF");
  fake.Recognise('E');
  fake.Recognise('F');
  fake.OnHub('E', kHub1, 1);
  fake.OnHub('F', kHub1, 3);
  fake.OnHub('G', kHub1, 2);
  bridge.FindDevices();
  EXPECT_EQ(bridge.FindHubDrives().frontPort, "Front Port Disk (G:)");
}

TEST_F(DiscoveryTest, FindHubDrives_FindsFrontPortOfAnyListedDrive_RecognisedOrNot) {
  Bind();
  fake.Bridge("E");
  fake.OnHub('E', kHub1, 1);
  fake.OnHub('G', kHub1, 2);
  EXPECT_EQ(bridge.FindDevices().recognised, 0);
  const HubSearch search = bridge.FindHubDrives();
  EXPECT_TRUE(search.frontPortFound);
  EXPECT_EQ(search.frontPort, "Front Port Disk (G:)");
}

TEST_F(DiscoveryTest, FindHubDrives_DrivesWhoseHubIsUnnamed_ShareNoHub) {
  Bind();
  fake.Bridge("E");
  fake.Recognise('E');
  fake.OnHub('E', "", 1);
  fake.OnHub('G', "", 2);
  bridge.FindDevices();
  EXPECT_FALSE(bridge.FindHubDrives().frontPortFound);
  EXPECT_EQ(bridge.Tables().FrontPortDisksOf('E'), "");
}

TEST_F(DiscoveryTest, FindHubDrives_LogsButFindsNoFrontPort_WhenNoDeviceOrOtherHub) {
  // No bridge drive: hub drives are still logged; a port-2 disk of a hub no device is on is no front-port disk.
  Bind();
  fake.OnHub('E', kHub1, 1);
  fake.OnHub('G', kHub2, 2);
  bridge.FindDevices();
  const HubSearch search = bridge.FindHubDrives();
  EXPECT_EQ(Joined(search.log), "\r\n0th Drive: "s + kHub1 + " Port:1  << E >> \r\n" + "\r\n1th Drive: " + kHub2 +
                                    " Port:2  << G >> \r\n");
  EXPECT_FALSE(search.frontPortFound);
  EXPECT_EQ(search.frontPort, "Front Port Disk ()");
}

TEST_F(DiscoveryTest, FindHubDrives_StopsSilently_WhenCountIsZeroOrLess) {
  Bind();
  for (int32_t count : {0, -1}) {
    fake.OnHub('G', kHub1, 2);
    fake.allCount = count;
    platform.calls.clear();
    const HubSearch search = bridge.FindHubDrives();
    EXPECT_EQ(bridge.Tables().driveCount, count);
    EXPECT_EQ(platform.calls, Calls{"GetAllDriveList 27"});
    EXPECT_TRUE(search.log.empty());
    EXPECT_FALSE(search.frontPortFound);
  }
}

TEST_F(DiscoveryTest, HostileAnswers_StayWithinTables) {
  Bind();
  std::string many;
  for (int i = 0; i < 27; ++i) many += char('A' + i % 26);
  fake.Bridge(many);
  fake.driveCount = 1000;
  fake.usbIdCount = 1000;
  fake.usbIds[0] = std::string(64, 'u');   // no NUL
  fake.usbIds[1] = std::string(200, 'v');  // longer than an entry
  fake.allLetters = many;
  fake.allCount = 1000;
  fake.hubs['A'] = std::string(128, 'h');  // no NUL
  const DeviceSearch devices = bridge.FindDevices();
  EXPECT_EQ(bridge.Tables().deviceCount, 27);
  EXPECT_EQ(bridge.Tables().usbIdCount, 256);
  EXPECT_EQ(devices.log.size(), 27u * 2);
  EXPECT_EQ(devices.log[0], "\r\nDevice 1 : << A >>     " + std::string(63, 'u') + " \r\n");
  EXPECT_EQ(LibraryCalls("JMInquiry").size(), 27u);
  bridge.FindHubDrives();
  EXPECT_EQ(bridge.Tables().driveCount, 27);
  EXPECT_EQ(std::string(bridge.Tables().hubId[0]), std::string(127, 'h'));
  for (int32_t count : {1000, -5}) {
    fake.allCount = count;
    bridge.FindHubDrives();
    EXPECT_EQ(bridge.Tables().driveCount, count > 0 ? 27 : count);
  }
}

TEST_F(DiscoveryTest, LettersOutsideAToZ_AreLoggedButNeverIdentifiedOrLookedUp) {
  Bind();
  fake.Bridge(std::string("&\0E", 3));
  fake.Recognise('E');
  fake.usbIds[1] = "";
  fake.usbIdCount = 2;  // the third device has no identity text
  fake.OnHub('&', kHub1, 2);
  fake.OnHub('E', kHub1, 1);
  const DeviceSearch devices = bridge.FindDevices();
  EXPECT_EQ(Joined(devices.log), "\r\nDevice 1 : << & >>     USB\\VID_0E9C&PID_00A3\\& \r\n" + kUnknownLine +
                                     "\r\nDevice 2 : <<   >>      \r\n"s + kUnknownLine +
                                     "\r\nDevice 3 : << E >>      \r\n" + kVersionLine + kIdLine);
  EXPECT_EQ(LibraryCalls("JMInquiry"), Calls{"JMInquiry E 40"});
  EXPECT_EQ(devices.letters, "E:");
  platform.calls.clear();
  const HubSearch hubs = bridge.FindHubDrives();
  EXPECT_EQ(LibraryCalls("GetAllDrivesHub"), (Calls{"GetAllDrivesHub E", "GetAllDrivesHubPort E"}));
  EXPECT_EQ(Joined(hubs.log), "\r\n0th Drive:  Port:0  << & >> \r\n"s + "\r\n1th Drive: " + kHub1 + " Port:1  << E >> \r\n");
  EXPECT_FALSE(hubs.frontPortFound);
}

TEST_F(DiscoveryTest, EntryPointsLeftUnbound_AreNeverCalled) {
  // No library at all: nothing is listed.
  const DeviceSearch none = bridge.FindDevices();
  bridge.FindHubDrives();
  EXPECT_FALSE(none.listed);
  EXPECT_EQ(bridge.Tables().deviceCount, -1);
  EXPECT_EQ(bridge.Tables().driveCount, -1);
  // A library lacking the inquiry: drives are listed, but nothing is recognised.
  Bind({"JMInquiry"});
  fake.Bridge("E");
  fake.Recognise('E');
  const DeviceSearch devices = bridge.FindDevices();
  EXPECT_EQ(devices.recognised, 0);
  EXPECT_TRUE(LibraryCalls("JM").empty());
}

}  // namespace
}  // namespace zolvan
