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
  // A tool that has not ended by then is taken for one that failed, and left alone.
  static constexpr uint64_t kToolPatienceMs = 60'000;

  struct Outcome {
    char letter;
    bool prepared;  // the tool ended with exit code 0
  };

  explicit SafeRemoval(FileSystem& programs) : m_programs(programs) {}
  ~SafeRemoval();
  SafeRemoval(const SafeRemoval&) = delete;
  SafeRemoval& operator=(const SafeRemoval&) = delete;

  // Starts "RemoveDrive.exe X: -l" for the disk, unless its tool still runs, and takes every
  // volume of its device (`volumes`, the letter among them) for one being removed. A letter
  // outside A-Z is never removed. `nowMs` is the system's millisecond clock.
  void Request(char letter, const std::string& volumes, uint64_t nowMs);
  // The removals whose tool has ended, could not be started, or has run for kToolPatienceMs,
  // since the last call.
  std::vector<Outcome> Finished(uint64_t nowMs);
  bool Pending() const { return !m_pending.empty(); }
  // The disk of the oldest tool still running; 0 when none is.
  char Removing() const {
    for (const Tool& r : m_pending)
      if (r.process) return r.letter;
    return 0;
  }

  // Whether the disk is being removed: the tool for its device still runs, or was started since
  // the drives were last listed.
  bool WasRequested(char letter) const { return m_requested.find(letter) != std::string::npos; }
  // The drives were listed afresh: only the disks whose tool still runs stay requested.
  void ForgetRequests();

 private:
  struct Tool {
    char letter;
    std::string volumes;    // of the device it removes
    ProcessHandle process;  // null: the tool could not be started
    uint64_t startedMs;
  };
  bool ToolRuns(char letter) const;

  FileSystem& m_programs;
  std::vector<Tool> m_pending;
  std::string m_requested;
};

}  // namespace zolvan
