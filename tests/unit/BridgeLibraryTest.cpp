#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakePlatform.h"
#include "device/BridgeLibrary.h"

namespace zolvan {
namespace {

struct Entry {
  int group;
  std::string name;
};

const std::vector<Entry> kLookupOrder = {
    {1, "GetDriveList"},   {1, "GetUsbIdList"},    {1, "ATACBExecute"},        {1, "ATACBExecuteEx"},
    {2, "GetAllDriveList"}, {2, "GetAllDrivesHub"}, {2, "GetAllDrivesHubPort"}, {3, "JMSafeRemove"},
    {3, "JMSafeRemoveEx"}, {4, "JMGetChipInfo"},   {5, "JMInquiry"},
};

int32_t Dummy() { return 0; }

void* Bound(const BridgeLibrary& lib, const std::string& name) {
#define ZOLVAN_X(group, fn, params, args) \
  if (name == #fn) return lib.fn.Address();
  ZOLVAN_BRIDGE_ENTRY_POINTS(ZOLVAN_X)
#undef ZOLVAN_X
  ADD_FAILURE() << "no entry point " << name;
  return nullptr;
}

test::FakePlatform LibraryLacking(const std::string& missing) {
  test::FakePlatform platform;
  platform.loadableFiles = {"JMUsbDll.dll"};
  for (const Entry& e : kLookupOrder)
    if (e.name != missing) platform.exports[e.name] = reinterpret_cast<void*>(&Dummy);
  return platform;
}

TEST(BindBridgeLibrary, ReportsLoadFailure_WhenNoLibraryCanBeLoaded) {
  test::FakePlatform platform;
  BridgeLibrary lib;
  EXPECT_STREQ(BindBridgeLibrary(platform, lib), "DLL file loading fail!");
  EXPECT_EQ(platform.calls, (std::vector<std::string>{"GetModuleHandle JMUsbDll", "LoadLibrary JMUsbDll.dll"}));
  for (const Entry& e : kLookupOrder) EXPECT_EQ(Bound(lib, e.name), nullptr) << e.name;
}

TEST(BindBridgeLibrary, UsesLoadedModule_WithoutLoadingAgain) {
  test::FakePlatform platform = LibraryLacking("");
  platform.loadedModules = {"JMUsbDll"};
  BridgeLibrary lib;
  EXPECT_EQ(BindBridgeLibrary(platform, lib), nullptr);
  EXPECT_TRUE(platform.CallsStartingWith("LoadLibrary").empty());
  EXPECT_EQ(lib.module, test::FakePlatform::Module());
}

TEST(BindBridgeLibrary, BindsEveryEntryPointInOrder_WhenComplete) {
  test::FakePlatform platform = LibraryLacking("");
  BridgeLibrary lib;
  EXPECT_EQ(BindBridgeLibrary(platform, lib), nullptr);
  std::vector<std::string> expected;
  for (const Entry& e : kLookupOrder) {
    expected.push_back("GetProcAddress " + e.name);
    EXPECT_EQ(Bound(lib, e.name), reinterpret_cast<void*>(&Dummy)) << e.name;
  }
  EXPECT_EQ(platform.CallsStartingWith("GetProcAddress"), expected);
}

// Each entry point missing in turn: its group's message, the whole group looked up, nothing of
// a later group looked up or bound.
TEST(BindBridgeLibrary, StopsAtFirstIncompleteGroup) {
  const std::string kGroupMessage[] = {
      "",
      "\r\n JM33x DLL APIs function pointers get fail! \r\n",
      "\r\n Get Hub Instance ID DLL APIs function pointers get fail! \r\n",
      "\r\n JM33x  DLL APIs Safe Remove function pointers get fail! \r\n",
      "\r\n JM336 DLL APIs function pointers get fail! \r\n",
      "\r\n JM335 Ver. C DLL APIs function pointers get fail!\r\n ",
  };
  for (const Entry& missing : kLookupOrder) {
    SCOPED_TRACE(missing.name);
    test::FakePlatform platform = LibraryLacking(missing.name);
    BridgeLibrary lib;
    const char* message = BindBridgeLibrary(platform, lib);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message, kGroupMessage[missing.group]);
    std::vector<std::string> expectedLookups;
    for (const Entry& e : kLookupOrder) {
      if (e.group <= missing.group) expectedLookups.push_back("GetProcAddress " + e.name);
      const bool bound = e.group <= missing.group && e.name != missing.name;
      EXPECT_EQ(Bound(lib, e.name) != nullptr, bound) << e.name;
    }
    EXPECT_EQ(platform.CallsStartingWith("GetProcAddress"), expectedLookups);
  }
}

}  // namespace
}  // namespace zolvan
