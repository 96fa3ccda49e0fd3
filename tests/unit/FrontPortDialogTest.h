// The main dialog on the fake platform with an enclosure of one bridge disk, E, and disk G in the
// front port of its hub: where the poll's and the session's tests start.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FakeBridge.h"
#include "FakePlatform.h"
#include "app/MainDialog.h"

namespace zolvan::test {

// The balloons shown, each "title: text".
inline std::vector<std::string> BalloonsOf(const FakePlatform& p) {
  std::vector<std::string> texts;
  for (const auto& n : p.notifications)
    if (n.data.uFlags == win::kNifInfo) texts.push_back(std::string(n.data.szInfoTitle) + ": " + n.data.szInfo);
  return texts;
}

// What the start of a dialog called and showed is forgotten: a test sees what came after.
inline void Forget(FakePlatform& p) {
  p.calls.clear();
  p.notifications.clear();
}

class FrontPortDialogTest : public ::testing::Test {
 protected:
  // G holds a.txt; the removal tool prepares G.
  FrontPortDialogTest() {
    fake.Bridge("E");
    fake.Recognise('E');
    fake.OnHub('E', kHub, 1);
    fake.OnHub('G', kHub, 2);
    platform.exitCodes = {{"RemoveDrive.exe G: -l", 0}};
    platform.AddFile("G:\\a.txt", 1, 0);
  }

  // The fixture's dialog, started.
  void Start() {
    StartOn(platform, dialog);
    Forget(platform);
  }
  // For a table's case: a dialog of its own on the case's platform, initialised.
  void StartOn(FakePlatform& p, MainDialog& d) {
    fake.Serve(p);
    d.OnCreate(FakePlatform::Window());
    d.OnInitDialog();
  }
  // A short press of E's button read on the next two ticks.
  void PressShort(MainDialog& d) {
    fake.buttons['E'] = "DU";
    d.OnTimer(ID_POLL_TIMER);
    d.OnTimer(ID_POLL_TIMER);
  }

  FakePlatform platform;
  FakeBridge fake;
  MainDialog dialog{platform};
};

}  // namespace zolvan::test
