#include "monitor/ButtonPoll.h"

namespace zolvan {

Press ButtonPoll::Tick(int entry, ButtonLevel level) {
  PressState& s = m_states[entry];
  switch (level) {
    case ButtonLevel::Failed:
      return Press::None;
    case ButtonLevel::Held:
      if (s.ticks >= 1) {
        ++s.ticks;
        s.first = false;
        if (s.ticks >= kLongPressTicks) {
          ++m_longPresses;
          s = {1, true};
          return Press::Long;
        }
        return Press::None;
      }
      s = {1, true};
      return Press::None;
    case ButtonLevel::Released:
      if (!s.first || s.ticks != 1) return Press::None;
      ++m_shortPresses;
      Reset();
      return Press::Short;
  }
  return Press::None;
}

void ButtonPoll::Reset() {
  for (PressState& s : m_states) s = {};
}

}  // namespace zolvan
