#include "app/Application.h"

#include "app/MainDialog.h"
#include "platform/Text.h"

namespace zolvan {

namespace {

// This session's, and the computer's, seen by every session: a program holding the second but not
// the first runs for another user.
constexpr char kComputerMutex[] = "Global\\Zolvan Backup Utility";
constexpr char kSessionMutex[] = "Local\\Zolvan Backup Utility";
// The running program may still be starting: its window is looked for this long.
constexpr int kWindowLookups = 50;
constexpr uint32_t kWindowLookupMs = 100;

// Another program holds the mutex; one with other rights (elevated, say) does not let it be opened.
bool Held(uint32_t error) { return error == win::kErrorAlreadyExists || error == win::kErrorAccessDenied; }

}  // namespace

void Application::Run() {
  // The session's first: of two starts at once in one session, the one that makes it runs.
  if (Held(m_platform.CreateMutexW(kSessionMutex))) return TellTheRunningProgram();
  const uint32_t computer = m_platform.CreateMutexW(kComputerMutex);
  if (Held(computer)) {
    // Its holder made the session's mutex before: it runs in another session.
    m_platform.MessageBoxA(nullptr, "Zolvan Backup Utility is already running for another user of this computer.",
                           kProgramName, win::kMbOk | win::kMbIconInformation);
    return;
  }
  m_platform.InitCommonControls();
  // Without an application framework there is no framework start-up, no ActiveX hosting and no
  // settings location to set: the program never stores anything.
  MainDialog dialog(m_platform);
  if (computer != 0)
    dialog.NoteAtStart(Format("\r\nCould not check for another running Zolvan Backup Utility (error %u) \r\n",
                              unsigned(computer)));
  m_platform.RunMainDialog(dialog);
}

// The running program shows that it runs; this one ends, its icon never shown.
void Application::TellTheRunningProgram() {
  const uint32_t startedAgain = m_platform.RegisterWindowMessageA(kStartedAgainMessage);
  for (int lookup = 0; lookup < kWindowLookups; ++lookup) {
    if (const WindowHandle running = m_platform.FindMainDialog()) {
      m_platform.PostMessageA(running, startedAgain, 0, 0);
      return;
    }
    m_platform.Sleep(kWindowLookupMs);
  }
}

}  // namespace zolvan
