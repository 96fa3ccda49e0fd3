#include <cstring>

#include "app/BackupMainDlg.h"
#include "app/Format.h"
#include "device/BridgeLibrary.h"

namespace zolvan {

int32_t CBackupMainDlg::IdentifyChip(char letter) {
  const BridgeLibrary& lib = g_bridgeLibrary;
  auto recognised = [&] {
    if (!IsDriveLetter(letter) || !lib.JMInquiry) return false;
    InquiryData inquiry = {};
    if (lib.JMInquiry(letter, &inquiry, sizeof inquiry) != 0) return false;
    if (std::memcmp(inquiry.marker, "j336", sizeof inquiry.marker) != 0) return false;

    if (!lib.JMGetChipInfo) return false;
    ChipInfo chip = {};
    if (lib.JMGetChipInfo(letter, &chip, sizeof chip) <= 0) return false;
    if (chip.signature[0] != 0xF4 || chip.signature[1] != 0xE7) return false;

    m_strVid = Format("%02X%02X", chip.vendorId[0], chip.vendorId[1]);
    m_strPid = Format("%02X%02X", chip.productId[0], chip.productId[1]);
    const uint8_t* v = chip.version;
    m_strVersion = Format("%X.%X.%X%X%X%X", v[0], v[1], v[2], v[3], v[4], v[5]);
    return m_strVid.find("0E9C") != std::string::npos && m_strPid.find("00A3") != std::string::npos;
  };

  if (!recognised()) {
    AppendLog("\r\nUNKNOWN CHIP!!\r\n");
    return 0;
  }
  AppendLog(Format("\r\nJMicron 20336 USB to SATA X 2 Bridge Ver: %s \r\n", m_strVersion.c_str()).c_str());
  AppendLog(Format("\r\nVID = %s  , PID = %s\r\n\n", m_strVid.c_str(), m_strPid.c_str()).c_str());
  return 2;
}

}  // namespace zolvan
