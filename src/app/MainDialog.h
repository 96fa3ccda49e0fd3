// The main dialog (template 102): where the subsystems meet. It owns them, hands each message
// to the one concerned, and shows what they return in the status line, the log view, the press
// counters and the tray icon. It hides at its first paint, so the tray icon is all users see.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/TrayIcon.h"
#include "backup/BackupEngine.h"
#include "device/Bridge.h"
#include "monitor/ButtonPoll.h"
#include "monitor/SafeRemoval.h"
#include "platform/Platform.h"
#include "platform/WindowEvents.h"

namespace zolvan {

// The title of the program's balloons and message boxes.
inline constexpr char kProgramName[] = "Zolvan Backup Utility";
inline constexpr uintptr_t ID_POLL_TIMER = 1;
inline constexpr uint32_t kPollPeriodMs = 300;
inline constexpr uintptr_t ID_REMOVAL_TIMER = 2;  // looks whether a removal tool has ended
inline constexpr uint32_t kRemovalCheckMs = 250;
inline constexpr uint32_t kRemovalPauseMs = 300;
// Windows says at once whether a session it asked about ends; a program that only asked never
// says, and the button works again after this.
inline constexpr uint64_t kSessionEndWaitMs = 60'000;

class MainDialog final : public WindowEvents {
 public:
  explicit MainDialog(Platform& platform);

  void OnCreate(WindowHandle window) override;
  bool OnInitDialog() override;
  void OnPaint() override;
  IconHandle OnQueryDragIcon() override { return m_hIcon; }
  void OnDeviceChange(uintptr_t event) override;
  void OnTimer(uintptr_t timerId) override;
  intptr_t OnTrayNotify(uintptr_t iconId, intptr_t mouseMessage) override;
  bool OnSysCommand(uintptr_t commandId) override;
  void OnTrayAbout() override;
  void OnTrayExit() override;
  void OnTaskbarCreated() override { m_tray.AddAgain(); }
  void OnStartedAgain() override;
  bool OnQueryEndSession(uintptr_t flags) override;
  void OnEndSession(bool ending) override;
  void OnPowerBroadcast(uintptr_t event) override;

  // A line the log view shows once the dialog has started.
  void NoteAtStart(std::string line) { m_startNote = std::move(line); }

 private:
  void ShowInitialTexts();
  void AppendLog(const std::string& text);
  void LoadBridgeLibrary();
  void FindDevices();
  void FindHubDrives();
  void ReportDeviceNotFound();
  void PollButtons();
  void PollEveryButton();
  void ShowPressCounts();
  // Where the volumes of one press went: each folder, as Windows compares names, with its volume.
  using TakenFolders = std::vector<std::pair<std::string, char>>;
  void CopyFrontPortDisks(char target);
  void StartBackup(char source, char target, bool oneOfSeveralVolumes, TakenFolders& taken);
  void ReportBackup(char source, char target, const BackupResult& result);
  // Forgets what earlier balloons had to tell, unless this one is of the same press's backups.
  void ShowBalloon(const std::string& text, bool ofThePress = false);
  void ShowNotCopied();
  bool RemoveAfterLongPress(char pressed);  // false: the pass ends
  void ReportRemovals();
  // While a backup or a removal runs, the session's end waits for it, with the reason shown.
  void HoldSessionEnd();
  void StartPolling();
  void Exit();

  Platform& m_platform;
  WindowHandle m_hWnd = nullptr;
  IconHandle m_hIcon = nullptr;
  IconHandle m_hSmallIcon = nullptr;
  TrayIcon m_tray;
  Bridge m_bridge;
  ButtonPoll m_poll;
  SafeRemoval m_removal;
  BackupEngine m_backup;
  std::string m_strStatus;
  std::string m_strLog;
  std::string m_strTip;
  std::string m_startNote;
  std::string m_backupRunning;  // "Backing up (G:) to (E:)" while a press copies that volume
  std::string m_sessionHeld;    // the reason the session's end waits for, empty when it need not

  // What each backup of the latest press did not copy, its balloon on show: the lines that name
  // it, and how many there are in all. A click on any of them names them all.
  struct NotCopied {
    char source = 0;
    char target = 0;
    std::vector<std::string> lines;
    size_t count = 0;
  };
  std::vector<NotCopied> m_balloonNotCopied;

  // The shell's copy can dispatch messages while a poll pass runs a backup. A pass is never
  // entered again; a device change or Exit that comes meanwhile waits for the pass to end.
  bool m_inPass = false;
  uintptr_t m_deviceChangePending = 0;
  bool m_exitPending = false;
  // Between a suspend and its resume the button is not read.
  bool m_asleep = false;
  // The program said the session may end: nothing starts until Windows says whether it does,
  // or has not said for kSessionEndWaitMs.
  bool m_sessionEnding = false;
  uint64_t m_sessionEndingSince = 0;
};

}  // namespace zolvan
