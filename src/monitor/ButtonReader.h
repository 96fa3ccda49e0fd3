#pragma once

#include "device/BridgeLibrary.h"
#include "monitor/ButtonPoll.h"

namespace zolvan {

// Reads the button of the bridge behind `letter` (its general-purpose input 2) through the
// library's ATA command block call.
ButtonLevel ReadButtonLevel(const BridgeLibrary& library, char letter);

}  // namespace zolvan
