// Any sequence of button readings over the 27 bridge drives, fed to the press state machine.
// Its invariants hold after every tick: counts stay within 0..9 between ticks (10 is the long
// press itself), a short press comes only from a press seen on one tick, a long press only on
// the tenth held tick, and a failed reading changes nothing.
#include <cstddef>
#include <cstdint>

#include "Require.h"
#include "monitor/ButtonPoll.h"

using zolvan::ButtonLevel;
using zolvan::ButtonPoll;
using zolvan::Press;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ButtonPoll poll;
  int32_t shortPresses = 0, longPresses = 0;
  for (size_t at = 0; at < size; ++at) {
    const int entry = data[at] % zolvan::kDriveTableSize;
    const ButtonLevel level = static_cast<ButtonLevel>((data[at] / zolvan::kDriveTableSize) % 3);
    ButtonPoll::PressState before[zolvan::kDriveTableSize];
    for (int i = 0; i < zolvan::kDriveTableSize; ++i) before[i] = poll.State(i);

    const Press press = poll.Tick(entry, level);

    for (int i = 0; i < zolvan::kDriveTableSize; ++i) {
      const ButtonPoll::PressState s = poll.State(i);
      Require(s.ticks >= 0 && s.ticks < ButtonPoll::kLongPressTicks);
      Require(!s.first || s.ticks == 1);
      if (i != entry && press != Press::Short) Require(s == before[i]);
      if (press == Press::Short && i != entry) Require(s == ButtonPoll::PressState{});
    }
    switch (press) {
      case Press::Short:
        Require(level == ButtonLevel::Released && before[entry] == (ButtonPoll::PressState{1, true}));
        ++shortPresses;
        break;
      case Press::Long:
        Require(level == ButtonLevel::Held && before[entry].ticks == ButtonPoll::kLongPressTicks - 1);
        ++longPresses;
        break;
      case Press::None:
        break;
    }
    if (level == ButtonLevel::Failed) Require(press == Press::None && poll.State(entry) == before[entry]);
    Require(poll.ShortPresses() == shortPresses && poll.LongPresses() == longPresses);
  }
  return 0;
}
