// The enclosure button's press state machine: one per bridge drive, fed one reading per tick.
// It takes no platform and no library: levels in, presses out.
#pragma once

#include <cstdint>

#include "device/BridgeApi.h"

namespace zolvan {

// One tick's reading of a drive's button. The input reads 0 while the button is held.
enum class ButtonLevel { Held, Released, Failed };

enum class Press { None, Short, Long };

class ButtonPoll {
 public:
  static constexpr int32_t kLongPressTicks = 10;

  struct PressState {
    int32_t ticks = 0;   // held ticks counted since the count was last 0
    bool first = false;  // the press has been seen on one held tick only
    bool operator==(const PressState&) const = default;
  };

  // One tick of `entry`:
  //  - held: a press starts (1, first) or goes on; its tenth held tick is a long press, counted,
  //    after which the entry starts over as if pressed anew (1, first);
  //  - released after a press seen on one tick only: a short press, counted, and every entry
  //    starts over idle;
  //  - released after 2 to 9 held ticks: nothing, so the next press goes on counting;
  //  - a failed reading changes nothing.
  Press Tick(int entry, ButtonLevel level);

  // Every entry idle; the press counters keep their values.
  void Reset();

  PressState State(int entry) const { return m_states[entry]; }
  int32_t ShortPresses() const { return m_shortPresses; }
  int32_t LongPresses() const { return m_longPresses; }

 private:
  PressState m_states[kDriveTableSize];
  int32_t m_shortPresses = 0;
  int32_t m_longPresses = 0;
};

}  // namespace zolvan
