#include "monitor/SafeRemoval.h"

#include "device/BridgeApi.h"
#include "platform/Text.h"

namespace zolvan {

SafeRemoval::~SafeRemoval() {
  for (const Tool& r : m_pending)
    if (r.process) m_programs.CloseProcess(r.process);
}

bool SafeRemoval::ToolRuns(char letter) const {
  for (const Tool& r : m_pending)
    if (r.volumes.find(letter) != std::string::npos) return true;
  return false;
}

void SafeRemoval::Request(char letter, const std::string& volumes, uint64_t nowMs) {
  if (!IsDriveLetter(letter)) return;
  std::string device(1, letter);
  for (char volume : volumes)
    if (IsDriveLetter(volume) && device.find(volume) == std::string::npos) device += volume;
  for (char volume : device)
    if (!WasRequested(volume)) m_requested += volume;
  if (ToolRuns(letter)) return;  // a second tool for the same disk would only contradict the first
  const std::string commandLine = Format("RemoveDrive.exe %c: -l", letter);
  m_pending.push_back({letter, device, m_programs.StartProgram("RemoveDrive.exe", commandLine.c_str()), nowMs});
}

std::vector<SafeRemoval::Outcome> SafeRemoval::Finished(uint64_t nowMs) {
  std::vector<Outcome> finished;
  for (auto it = m_pending.begin(); it != m_pending.end();) {
    uint32_t exitCode = 0;
    const bool ended = !it->process || m_programs.ProcessEnded(it->process, exitCode);
    if (!ended && nowMs - it->startedMs < kToolPatienceMs) {
      ++it;
      continue;
    }
    finished.push_back({it->letter, ended && it->process && exitCode == 0});
    if (it->process) m_programs.CloseProcess(it->process);
    it = m_pending.erase(it);
  }
  return finished;
}

void SafeRemoval::ForgetRequests() {
  m_requested.clear();
  for (const Tool& r : m_pending) m_requested += r.volumes;
}

}  // namespace zolvan
