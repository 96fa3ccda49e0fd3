#include <cstring>

#include "device/Bridge.h"
#include "platform/Text.h"

namespace zolvan {

ChipIdentification Bridge::IdentifyChip(char letter) const {
  const BridgeLibrary& lib = m_library;
  ChipIdentification result;
  auto recognised = [&] {
    if (!IsDriveLetter(letter) || !lib.JMInquiry) return false;
    InquiryData inquiry = {};
    if (lib.JMInquiry(letter, &inquiry, sizeof inquiry) != 0) return false;
    if (std::memcmp(inquiry.marker, "j336", sizeof inquiry.marker) != 0) return false;

    if (!lib.JMGetChipInfo) return false;
    ChipInfo chip = {};
    if (lib.JMGetChipInfo(letter, &chip, sizeof chip) <= 0) return false;
    if (chip.signature[0] != 0xF4 || chip.signature[1] != 0xE7) return false;

    result.vid = Format("%02X%02X", chip.vendorId[0], chip.vendorId[1]);
    result.pid = Format("%02X%02X", chip.productId[0], chip.productId[1]);
    const uint8_t* v = chip.version;
    result.version = Format("%X.%X.%X%X%X%X", v[0], v[1], v[2], v[3], v[4], v[5]);
    return result.vid.find("0E9C") != std::string::npos && result.pid.find("00A3") != std::string::npos;
  };

  if (!recognised()) {
    result.log.push_back("\r\nUNKNOWN CHIP!!\r\n");
    return result;
  }
  result.state = kChipRecognised;
  result.log.push_back(Format("\r\nJMicron 20336 USB to SATA X 2 Bridge Ver: %s \r\n", result.version.c_str()));
  result.log.push_back(Format("\r\nVID = %s  , PID = %s\r\n\n", result.vid.c_str(), result.pid.c_str()));
  return result;
}

}  // namespace zolvan
