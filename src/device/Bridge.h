// The enclosure's bridge as the maker's library shows it: binding, discovery of the drives and
// their hubs, and identification of the bridge chip. Every operation returns what it found and
// the log lines it produced; showing them is the caller's work.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/BridgeLibrary.h"
#include "device/DriveTables.h"

namespace zolvan {

using LogLines = std::vector<std::string>;

struct ChipIdentification {
  int32_t state = 0;  // kChipRecognised, or 0
  // The chip's identity, read only when its record carried the signature; empty otherwise.
  std::string vid, pid, version;
  LogLines log;
};

struct DeviceSearch {
  bool listed = false;  // the library listed drives and identities: the log starts again with `log`
  LogLines log;         // each drive's "Device" line and its identification lines
  std::string letters;  // the recognised drives, as the tip lists them
  int recognised = 0;
};

struct HubSearch {
  LogLines log;                 // one line per hub drive
  bool frontPortFound = false;  // some hub drive sits in the front port of a listed drive's hub
  std::string frontPort;        // "Front Port Disk (...)"
};

class Bridge {
 public:
  // The message for a library that cannot be bound, or nullptr.
  const char* Bind(LibraryLoader& loader) { return BindBridgeLibrary(loader, m_library); }

  DeviceSearch FindDevices();
  HubSearch FindHubDrives();
  ChipIdentification IdentifyChip(char letter) const;

  const DriveTables& Tables() const { return m_tables; }
  const BridgeLibrary& Library() const { return m_library; }

 private:
  bool FindFrontPortDisks(std::string& frontPort) const;

  BridgeLibrary m_library;
  DriveTables m_tables;
};

}  // namespace zolvan
