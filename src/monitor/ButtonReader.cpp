#include "monitor/ButtonReader.h"

namespace zolvan {

namespace {

constexpr uint8_t kCommandFailed = 0x04;  // in the block's status byte
constexpr uint8_t kButtonInput = 0x04;    // in the first data byte; 0 while held
constexpr int32_t kTransferLength = 2;

}  // namespace

ButtonLevel ReadButtonLevel(const BridgeLibrary& library, char letter) {
  if (!library.ATACBExecute) return ButtonLevel::Failed;
  // Built afresh for every read: the library writes its status into the block.
  AtacbBlock block = {};
  block.header = 1;
  block.transfer = 2;
  block.command = 0xFF;
  uint8_t data[4] = {};
  const int32_t result = library.ATACBExecute(letter, &block, data, kTransferLength, 0);
  if (result != 0 || (block.status & kCommandFailed)) return ButtonLevel::Failed;
  return (data[0] & kButtonInput) ? ButtonLevel::Released : ButtonLevel::Held;
}

}  // namespace zolvan
