// The enclosure button's press state per bridge drive, and the presses counted since start.
#pragma once

#include <cstdint>

#include "device/BridgeApi.h"

namespace zolvan {

class ButtonPoll {
 public:
  struct PressState {
    int32_t ticks = 0;   // held ticks counted since the count was last 0
    bool first = false;  // the press has been seen on one held tick only
  };

  // Every entry idle; the press counters keep their values.
  void Reset() {
    for (PressState& s : m_states) s = {};
  }

  PressState State(int entry) const { return m_states[entry]; }
  int32_t ShortPresses() const { return m_shortPresses; }
  int32_t LongPresses() const { return m_longPresses; }

 private:
  PressState m_states[kDriveTableSize];
  int32_t m_shortPresses = 0;
  int32_t m_longPresses = 0;
};

}  // namespace zolvan
