#include "monitor/SafeRemoval.h"

#include "device/BridgeApi.h"
#include "platform/Text.h"

namespace zolvan {

SafeRemoval::~SafeRemoval() {
  for (const Running& r : m_pending)
    if (r.process) m_programs.CloseProcess(r.process);
}

void SafeRemoval::Request(char letter) {
  if (!IsDriveLetter(letter)) return;
  if (!WasRequested(letter)) m_requested += letter;
  const std::string commandLine = Format("RemoveDrive.exe %c: -l", letter);
  m_pending.push_back({letter, m_programs.StartProgram("RemoveDrive.exe", commandLine.c_str())});
}

std::vector<SafeRemoval::Outcome> SafeRemoval::Finished() {
  std::vector<Outcome> finished;
  for (auto it = m_pending.begin(); it != m_pending.end();) {
    uint32_t exitCode = 0;
    if (it->process && !m_programs.ProcessEnded(it->process, exitCode)) {
      ++it;
      continue;
    }
    finished.push_back({it->letter, it->process && exitCode == 0});
    if (it->process) m_programs.CloseProcess(it->process);
    it = m_pending.erase(it);
  }
  return finished;
}

}  // namespace zolvan
