#include "app/MainDialog.h"

#include <algorithm>
#include <utility>

#include "monitor/ButtonReader.h"
#include "platform/Text.h"
#include "res/resource.h"

namespace zolvan {

namespace {

constexpr int32_t kBalloonTimeout = 2;  // in 100 ms; the shell shows a balloon longer anyway
constexpr size_t kNotCopiedShown = 20;  // lines in the log view and the message box; the balloon tells how many in all

// "650 MB", "1.4 GB": rounded up, so that freeing what it says is always enough.
std::string SizeText(uint64_t bytes) {
  constexpr uint64_t kMB = uint64_t(1) << 20, kGB = uint64_t(1) << 30;
  const uint64_t megabytes = (bytes + kMB - 1) / kMB;
  if (megabytes < 1000) return Format("%u MB", unsigned(std::max<uint64_t>(megabytes, 1)));
  const uint64_t tenths = bytes / kGB * 10 + (bytes % kGB * 10 + kGB - 1) / kGB;  // of a GB
  return Format("%u.%u GB", unsigned(tenths / 10), unsigned(tenths % 10));
}

}  // namespace

MainDialog::MainDialog(Platform& platform)
    : m_platform(platform),
      m_hIcon(platform.LoadIconA(IDR_MAINFRAME)),
      m_hSmallIcon(platform.LoadSmallIconA(IDR_MAINFRAME)),
      m_tray(platform),
      m_removal(platform),
      m_backup(platform) {}

void MainDialog::OnCreate(WindowHandle window) {
  m_hWnd = window;
  m_tray.Add(window);
}

// The template's texts give way to the dialog's own: an empty status line, both counters at
// their values, an empty log view.
void MainDialog::ShowInitialTexts() {
  m_platform.SetDlgItemTextA(m_hWnd, IDC_STATUS, m_strStatus.c_str());
  ShowPressCounts();
  m_platform.SetDlgItemTextA(m_hWnd, IDC_LOG, m_strLog.c_str());
}

void MainDialog::ShowPressCounts() {
  m_platform.SetDlgItemTextA(m_hWnd, IDC_GPIO2_COUNT, Decimal(m_poll.ShortPresses()).text);
  m_platform.SetDlgItemTextA(m_hWnd, IDC_LONG_GPIO2_COUNT, Decimal(m_poll.LongPresses()).text);
}

bool MainDialog::OnInitDialog() {
  ShowInitialTexts();

  if (MenuHandle systemMenu = m_platform.GetSystemMenu(m_hWnd)) {
    const std::string about = m_platform.LoadStringA(IDS_ABOUTBOX);
    if (!about.empty()) {
      m_platform.AppendMenuA(systemMenu, win::kMfSeparator, 0, nullptr);
      m_platform.AppendMenuA(systemMenu, win::kMfString, IDM_ABOUTBOX, about.c_str());
    }
  }

  m_platform.SetWindowIcon(m_hWnd, win::kIconBig, m_hIcon);
  m_platform.SetWindowIcon(m_hWnd, win::kIconSmall, m_hSmallIcon);

  LoadBridgeLibrary();
  FindDevices();
  FindHubDrives();
  m_poll.Reset();
  if (!m_startNote.empty()) AppendLog(m_startNote);
  return true;
}

void MainDialog::OnPaint() {
  // Hidden at its first paint and never painted again: the program lives in the tray.
  m_platform.ShowWindow(m_hWnd, win::kSwHide);
}

void MainDialog::OnDeviceChange(uintptr_t event) {
  // Any device counts, not only the enclosure's.
  if (event != win::kDbtDeviceArrival && event != win::kDbtDeviceRemoveComplete) return;
  if (m_inPass) {
    m_deviceChangePending = event;
    return;
  }
  if (event == win::kDbtDeviceRemoveComplete) m_platform.KillTimer(m_hWnd, ID_POLL_TIMER);
  FindDevices();
  FindHubDrives();
  m_poll.Reset();
  StartPolling();
}

// Never between a suspend and its resume.
void MainDialog::StartPolling() {
  if (!m_asleep) m_platform.SetTimer(m_hWnd, ID_POLL_TIMER, kPollPeriodMs);
}

void MainDialog::OnStartedAgain() { ShowBalloon("Zolvan Backup Utility is already running."); }

bool MainDialog::OnQueryEndSession(uintptr_t flags) {
  // An end Windows cannot hold (the battery is empty, say) is let go at once.
  const bool mayEnd = m_sessionHeld.empty() || (flags & win::kEndSessionCritical);
  if (mayEnd) {
    m_sessionEnding = true;
    m_sessionEndingSince = m_platform.TickCount();
  }
  return mayEnd;
}

// The session ends (or an installer's Restart Manager closes the program): as Exit, at once or
// once the copy at hand has ended. Windows may end the process as soon as this returns: the icon
// goes first.
void MainDialog::OnEndSession(bool ending) {
  m_sessionEnding = ending;
  if (!ending) return;
  if (m_inPass) m_tray.Delete();
  OnTrayExit();
}

void MainDialog::OnPowerBroadcast(uintptr_t event) {
  // No press is made of levels read on both sides of a sleep: the poll stops before it and starts
  // from a released button after it, once the disks (which may have other letters now) are
  // listed again.
  if (event == win::kPbtApmSuspend) {
    m_asleep = true;
    m_platform.KillTimer(m_hWnd, ID_POLL_TIMER);
    m_poll.Reset();
  }
  if (event == win::kPbtApmResumeAutomatic || event == win::kPbtApmResumeSuspend) {
    m_asleep = false;
    OnDeviceChange(win::kDbtDeviceArrival);
  }
}

void MainDialog::OnTimer(uintptr_t timerId) {
  if (m_inPass) return;  // a tick that comes while a pass copies waits for the next one
  if (m_sessionEnding && m_platform.TickCount() - m_sessionEndingSince >= kSessionEndWaitMs) m_sessionEnding = false;
  if (timerId == ID_POLL_TIMER && !m_asleep && !m_sessionEnding) PollButtons();
  if (timerId == ID_REMOVAL_TIMER) ReportRemovals();
}

intptr_t MainDialog::OnTrayNotify(uintptr_t iconId, intptr_t mouseMessage) {
  if (iconId != kTrayIconId) return 0;
  if (mouseMessage == win::kWmRButtonDown || mouseMessage == win::kWmContextMenu) m_tray.ShowMenu();
  // Only the balloon of a backup that left files behind has more to tell.
  if (mouseMessage == win::kNinBalloonUserClick && !m_inPass && !m_balloonNotCopied.empty()) ShowNotCopied();
  return 0;
}

bool MainDialog::OnSysCommand(uintptr_t commandId) {
  if ((commandId & 0xFFF0) != IDM_ABOUTBOX) return false;
  OnTrayAbout();
  return true;
}

void MainDialog::OnTrayAbout() { m_platform.RunModalDialog(IDD_ABOUTBOX, m_hWnd); }

void MainDialog::OnTrayExit() {
  if (m_inPass) {
    m_exitPending = true;  // once the copy in progress has ended
    return;
  }
  Exit();
}

void MainDialog::Exit() {
  m_tray.Delete();
  m_platform.DestroyWindow(m_hWnd);
}

void MainDialog::AppendLog(const std::string& text) {
  m_strLog += text;
  m_platform.SetDlgItemTextA(m_hWnd, IDC_LOG, m_strLog.c_str());
}

void MainDialog::LoadBridgeLibrary() {
  // A failure replaces what the log view shows but not the log, so the next AppendLog hides it.
  if (const char* failure = m_bridge.Bind(m_platform)) m_platform.SetDlgItemTextA(m_hWnd, IDC_LOG, failure);
}

void MainDialog::FindDevices() {
  const DeviceSearch search = m_bridge.FindDevices();
  m_removal.ForgetRequests();
  if (search.listed) {
    m_strLog.clear();
    m_strStatus = "Device found!";
    m_platform.SetDlgItemTextA(m_hWnd, IDC_STATUS, m_strStatus.c_str());
    for (const std::string& line : search.log) AppendLog(line);
  }
  if (search.recognised == 0) return ReportDeviceNotFound();

  m_strTip = Format("Zolvan Backup Utility     \nZolvan Disk (%s)", search.letters.c_str());
  StartPolling();
  m_tray.Update(m_strTip.c_str(), IDI_TRAY_BLUE);
}

void MainDialog::ReportDeviceNotFound() {
  m_strStatus = "Zolvan Backup Utility -- Device not found!";
  // Emptied but not redrawn, on purpose: the view keeps the lines of this pass until the next
  // AppendLog replaces them.
  m_strLog.clear();
  m_platform.SetDlgItemTextA(m_hWnd, IDC_STATUS, m_strStatus.c_str());
  m_strTip = m_strStatus;
  m_tray.Update(m_strTip.c_str(), IDI_TRAY_RED);
}

void MainDialog::FindHubDrives() {
  const HubSearch search = m_bridge.FindHubDrives();
  for (const std::string& line : search.log) AppendLog(line);
  if (!search.frontPortFound) return;
  m_strTip = Format("%s , %s", m_strTip.c_str(), search.frontPort.c_str());
  m_tray.Update(m_strTip.c_str(), IDI_TRAY_GREEN);
}

void MainDialog::PollButtons() {
  m_inPass = true;
  PollEveryButton();
  m_inPass = false;
  if (m_exitPending) return Exit();
  if (const uintptr_t event = std::exchange(m_deviceChangePending, 0)) OnDeviceChange(event);
}

void MainDialog::PollEveryButton() {
  const DriveTables& tables = m_bridge.Tables();
  for (int i = 0; i < tables.deviceCount; ++i) {
    if (tables.chipState[i] != kChipRecognised) continue;
    const char letter = tables.deviceLetter[i];
    switch (m_poll.Tick(i, ReadButtonLevel(m_bridge.Library(), letter))) {
      case Press::Short:
        CopyFrontPortDisks(letter);
        break;
      case Press::Long:
        if (!RemoveAfterLongPress(letter)) return;
        break;
      case Press::None:
        break;
    }
    if (m_exitPending || m_sessionEnding) return;
    ShowPressCounts();
  }
}

// Every volume in the front port of the pressed disk's hub is copied into the pressed disk, each
// of several into a folder of its own.
void MainDialog::CopyFrontPortDisks(char target) {
  const std::string volumes = m_bridge.Tables().FrontPortDisksOf(target);
  if (volumes.empty()) return;
  TakenFolders taken;
  m_balloonNotCopied.clear();
  // Windows does not sleep while the press's backups run (the display still may, and a sleep the
  // user asks for still happens), and the session's end waits for them all: a question answered
  // between two volumes would let Windows end the second in its middle.
  m_platform.SetThreadExecutionState(win::kEsContinuous | win::kEsSystemRequired);
  for (char source : volumes) {
    if (m_exitPending || m_sessionEnding) break;
    AppendLog(Format("\r\nRun Copy from <<%c>> to <<%c>> \r\n", source, target));
    m_backupRunning = Format("Backing up (%c:) to (%c:)", source, target);
    HoldSessionEnd();
    StartBackup(source, target, volumes.size() > 1, taken);
  }
  m_backupRunning.clear();
  HoldSessionEnd();
  m_platform.SetThreadExecutionState(win::kEsContinuous);
}

void MainDialog::StartBackup(char source, char target, bool oneOfSeveralVolumes, TakenFolders& taken) {
  if (source == target) {
    AppendLog(Format("\r\nSkip Copy: <<%c>> is both source and target \r\n", source));
    return;
  }
  for (char disk : {source, target}) {
    if (m_removal.WasRequested(disk)) {
      AppendLog(Format("\r\nSkip Copy: <<%c>> is to be removed \r\n", disk));
      ShowBalloon(Format("Backup of (%c:) to (%c:) was skipped: (%c:) is being removed.", source, target, disk), true);
      return;
    }
  }
  // Two volumes that Windows cannot tell apart (a partition cloned on the same disk) would share
  // a folder, each overwriting the other.
  const std::string folder = m_backup.FolderFor(source, oneOfSeveralVolumes);
  const std::string key = m_platform.UpperCaseName(folder);
  for (const auto& [used, volume] : taken) {
    if (folder.empty() || used != key) continue;
    AppendLog(Format("\r\nSkip Copy: <<%c>> has the label and serial number of <<%c>> \r\n", source, volume));
    ShowBalloon(Format("Backup of (%c:) to (%c:) was skipped: (%c:) has the same label and serial number.", source,
                       target, volume),
                true);
    return;
  }
  taken.emplace_back(key, source);
  m_tray.SetTip(Format("Copying (%c:) to (%c:)...", source, target).c_str());
  // The menu opens and Exit is taken while the engine copies; ticks and device changes wait
  // for the pass to end.
  const BackupResult result = m_backup.Run(
      source, target,
      [this] {
        m_platform.HandlePendingMessages();
        return !m_exitPending;
      },
      folder);
  m_tray.SetTip(m_strTip.c_str());
  if (result.outcome != BackupResult::Outcome::Stopped) ReportBackup(source, target, result);
}

// A balloon says how the backup ended, and the log view names what could not be copied; so
// does a message box when the balloon is clicked.
void MainDialog::ReportBackup(char source, char target, const BackupResult& result) {
  const size_t missing = result.Missing();
  const std::string files = missing == 1 ? "1 file was not copied" : Format("%u files were not copied", unsigned(missing));
  std::string text = Format("Backup of (%c:) to (%c:) ", source, target);
  if (result.outcome == BackupResult::Outcome::NoSpace)
    text += Format("was not started: (%c:) needs %s more free space.", target, SizeText(result.shortfall).c_str());
  else if (result.outcome == BackupResult::Outcome::NothingChanged)
    text += "finished: nothing had changed.";
  else if (!result.checked)  // the source could not be read, whatever the shell said
    text += "failed.";
  else if (result.outcome == BackupResult::Outcome::Cancelled)
    text += missing == 0 ? "was cancelled." : "was cancelled: " + files + ".";
  else if (missing == 0)
    text += "finished.";
  else
    text += "finished, but " + files + ".";

  // Each named as the user's code page writes it, with why where it is more than a failed copy.
  std::vector<std::string> lines;
  lines.reserve(std::min(missing, kNotCopiedShown));
  const auto name = [&](const std::vector<std::string>& paths, const std::string& why) {
    for (size_t i = 0; i < paths.size() && lines.size() < kNotCopiedShown; ++i)
      lines.push_back(m_platform.NarrowFromUtf8(paths[i]) + why);
  };
  name(result.notCopied, "");
  name(result.unread, " - the folder could not be read");
  name(result.tooLarge, Format(" - (%c:) cannot hold files of 4 GB or more", target));
  name(result.sameName, Format(" - (%c:) cannot hold two names that differ only in case", target));
  for (const std::string& line : lines) AppendLog("\r\nNot copied: " + line + " \r\n");
  if (missing > lines.size()) AppendLog(Format("\r\n... and %u more \r\n", unsigned(missing - lines.size())));
  ShowBalloon(text, true);
  if (result.checked && missing > 0) m_balloonNotCopied.push_back({source, target, std::move(lines), missing});
}

void MainDialog::ShowBalloon(const std::string& text, bool ofThePress) {
  if (!ofThePress) m_balloonNotCopied.clear();
  m_tray.ShowBalloon(text.c_str(), kProgramName, kBalloonTimeout);
}

void MainDialog::ShowNotCopied() {
  std::string text;
  for (const NotCopied& shown : m_balloonNotCopied) {
    text += Format("%sThese files of (%c:) were not copied to (%c:):\n", text.empty() ? "" : "\n\n", shown.source,
                   shown.target);
    for (const std::string& line : shown.lines) text += '\n' + line;
    if (shown.count > shown.lines.size())
      text += Format("\n... and %u more", unsigned(shown.count - shown.lines.size()));
  }
  m_platform.MessageBoxA(m_hWnd, text.c_str(), kProgramName, win::kMbOk | win::kMbIconInformation);
}

// The front-port disk on the pressed disk's hub is removed, or else the pressed disk itself;
// polling stops until the next device change.
bool MainDialog::RemoveAfterLongPress(char pressed) {
  const DriveTables& tables = m_bridge.Tables();
  const std::string frontPort = tables.FrontPortDisksOf(pressed);
  // The tool removes the whole device of the letter it is given: every volume of it is being
  // removed, and none is copied meanwhile.
  const std::string volumes = frontPort.empty() ? tables.VolumesOf(pressed) : frontPort;
  m_removal.Request(volumes[0], volumes, m_platform.TickCount());
  if (m_removal.Pending()) m_platform.SetTimer(m_hWnd, ID_REMOVAL_TIMER, kRemovalCheckMs);
  HoldSessionEnd();
  m_platform.Sleep(kRemovalPauseMs);
  m_platform.KillTimer(m_hWnd, ID_POLL_TIMER);
  if (!frontPort.empty()) return true;
  m_poll.Reset();
  return false;
}

// A balloon says how each removal ended; one that failed lets the button work again at once.
void MainDialog::ReportRemovals() {
  for (const SafeRemoval::Outcome& removal : m_removal.Finished(m_platform.TickCount())) {
    ShowBalloon(removal.prepared ? Format("(%c:) can now be removed.", removal.letter)
                                 : Format("(%c:) could not be prepared for removal.", removal.letter));
    if (removal.prepared) continue;
    m_poll.Reset();
    StartPolling();
  }
  if (!m_removal.Pending()) m_platform.KillTimer(m_hWnd, ID_REMOVAL_TIMER);
  HoldSessionEnd();
}

void MainDialog::HoldSessionEnd() {
  // A window has one reason at a time: the backup's while it runs, else the removal's.
  const char removing = m_removal.Removing();
  const std::string reason = !m_backupRunning.empty() ? m_backupRunning
                             : removing              ? Format("Preparing (%c:) for removal", removing)
                                                     : std::string();
  if (reason == m_sessionHeld) return;
  if (reason.empty())
    m_platform.ShutdownBlockReasonDestroy(m_hWnd);
  else
    m_platform.ShutdownBlockReasonCreate(m_hWnd, reason.c_str());
  m_sessionHeld = reason;
}

}  // namespace zolvan
