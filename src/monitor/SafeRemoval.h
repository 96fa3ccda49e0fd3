// Safe removal of a disk: the outside tool RemoveDrive.exe asks Windows to prepare the disk, and
// what it answered is reported once it has ended. Nothing waits for the tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace zolvan {

class SafeRemoval {
 public:
  struct Outcome {
    char letter;
    bool prepared;  // the tool ended with exit code 0
  };

  explicit SafeRemoval(FileSystem& programs) : m_programs(programs) {}
  ~SafeRemoval();
  SafeRemoval(const SafeRemoval&) = delete;
  SafeRemoval& operator=(const SafeRemoval&) = delete;

  // Starts "RemoveDrive.exe X: -l" for the disk. A letter outside A-Z is never removed.
  void Request(char letter);
  // The removals whose tool has ended, or could not be started, since the last call.
  std::vector<Outcome> Finished();
  bool Pending() const { return !m_pending.empty(); }

  // Whether a removal of the disk was asked for since the drives were last listed.
  bool WasRequested(char letter) const { return m_requested.find(letter) != std::string::npos; }
  // The drives were listed afresh.
  void ForgetRequests() { m_requested.clear(); }

 private:
  struct Running {
    char letter;
    ProcessHandle process;  // null: the tool could not be started
  };

  FileSystem& m_programs;
  std::vector<Running> m_pending;
  std::string m_requested;
};

}  // namespace zolvan
