"""The real program in a Windows session that goes on for months, under Wine: started twice, asked
whether the session may end (idle and during a copy), ended with the session, woken from sleep."""
import os
import re
import unittest

from harness import IDC_COUNT, AppTestCase, bridge_disk, front_port_disk, snapshot

SHORT = "0 1"
LONG = " ".join(["0"] * 10 + ["1"])
WM_QUERYENDSESSION, WM_ENDSESSION, WM_POWERBROADCAST = 0x0011, 0x0016, 0x0218
ENDSESSION_CLOSEAPP, PBT_APMRESUMEAUTOMATIC = 0x1, 0x12
ENCLOSURE = bridge_disk("E") + front_port_disk("G")
# Wine's messages that show the calls Wine only pretends to make (a stub each): the state that
# keeps the machine awake, and the reason that holds the session's end.
SESSION_CALLS = "warn+ntdll,fixme+graphics"


def session_calls(output):
    """The execution states and shutdown block reasons Wine's stubs were asked for, in order."""
    found = []
    for line in output.splitlines():
        state = re.search(rb"NtSetThreadExecutionState \((0x[0-9a-f]+)", line)
        reason = re.search(rb"ShutdownBlockReason(Create|Destroy) \([0-9A-Fa-f]+(?:, L\"([^\"]*)\")?", line)
        if state:
            found.append(state.group(1).decode())
        elif reason:
            found.append(" ".join(part.decode() for part in reason.groups() if part))
    return found


class SessionTest(AppTestCase):
    def setUp(self):
        self.make_disks("session", photos=True)  # the photos: to ask the program while it copies

    def start(self):
        return self.launch(enclosure=ENCLOSURE, drives={"E": self.target, "G": self.front}, trace_tray=True,
                           debug=SESSION_CALLS)

    def press(self, app, levels):
        app.write_enclosure(bridge_disk("E", buttons=levels) + front_port_disk("G"))

    def may_end(self, app, flags=0, wait_ms=10_000):
        """The program's answer to WM_QUERYENDSESSION, sent as Windows sends it; None for none."""
        out = app.probe("sendwait", hex(WM_QUERYENDSESSION), "0", hex(flags), str(wait_ms),
                        timeout=wait_ms // 1000 + 60)
        return int(out[0].split()[1]) if out[0].startswith("1 ") else None

    def test_second_start_in_the_same_session_ends_and_the_running_program_says_so(self):
        app = self.start()
        listed = app.library_calls().count("GetDriveList")
        app.launcher().wait()  # returns at once; the second start runs on the desktop
        app.wait_until(lambda: app.balloon() == "Zolvan Backup Utility is already running.", timeout=60,
                       what="the running program's balloon")
        app.screenshot("already-running-balloon")
        app.wait_until(lambda: app.program_processes() == 1, what="the second start to end")
        self.assertEqual(app.probe("windows"), ["1"])
        self.assertEqual(app.wine_output().count(b"Shell_NotifyIconW dwMessage = 0,"), 1, "a second tray icon")
        self.assertEqual(app.library_calls().count("GetDriveList"), listed, "the second start looked for the enclosure")
        self.press(app, LONG)
        app.wait_until(lambda: app.balloon() == "(G:) can now be removed.", timeout=60, what="the removal balloon")
        self.assertEqual(app.removals(), ["RemoveDrive.exe G: -l"])

    def test_the_session_may_end_while_idle_but_waits_for_a_copy(self):
        app = self.start()
        self.assertEqual(self.may_end(app), 1)
        self.assertEqual(self.may_end(app, ENDSESSION_CLOSEAPP), 1)
        app.probe("send", hex(WM_ENDSESSION), "0", "0")  # another program said no: the session goes on
        self.press(app, SHORT)
        app.wait_until(lambda: os.path.isdir(os.path.join(self.target, "USB_Backup")), what="the copy to start")
        # Answered as soon as the program handles its messages again: under Wine, when the shell's
        # copy has returned and the backup is checked.
        self.assertEqual(self.may_end(app, wait_ms=300_000), 0)
        app.wait_until(lambda: app.text(IDC_COUNT) == b"1", timeout=300, what="the short press to be counted")
        app.wait_until(lambda: app.balloon() == "Backup of (G:) to (E:) finished.", what="the backup's balloon")
        self.assertEqual(snapshot(os.path.join(self.target, "USB_Backup")), snapshot(self.front))
        self.assertEqual(self.may_end(app), 1)
        # What Wine's stubs were asked, in order: awake and held, then neither.
        self.assertEqual(session_calls(app.wine_output()),
                         ["0x80000001", "Create Backing up (G:) to (E:)", "Destroy", "0x80000000"])

        app.probe("send", hex(WM_ENDSESSION), "0", "0")  # the session did not end after all
        self.assertTrue(app.alive())

        # Windows ends the session during a copy all the same: the program ends, its icon removed.
        photos = os.path.join(self.target, "USB_Backup", "Photos")
        written = {name: os.stat(os.path.join(photos, name)).st_ctime_ns for name in os.listdir(photos)}
        for n in range(2000):
            path = os.path.join(self.front, "Photos", "img_%04d.jpg" % n)
            os.utime(path, (os.path.getmtime(path) - 600,) * 2)
        self.press(app, SHORT)
        app.wait_until(lambda: any(os.stat(os.path.join(photos, name)).st_ctime_ns != ctime
                                   for name, ctime in written.items()), timeout=180, what="the second copy to start")
        app.probe("send", hex(WM_ENDSESSION), "1", "0", timeout=360)
        app.wait_until(app.ended, timeout=120, what="the program to end with the session")
        self.assertTrue(app.tray_icon_deleted(), "the program ended without removing its tray icon")

    def test_resume_from_sleep_lists_the_disks_again_and_the_button_is_read_again(self):
        app = self.start()
        self.press(app, LONG)  # the poll rests after a long press, until a device change or a resume
        app.wait_until(lambda: app.removals() == ["RemoveDrive.exe G: -l"], what="the removal tool to run")
        self.assertTrue(app.poll_stopped(), "the button is still read")
        listed = app.library_calls().count("GetDriveList")
        app.probe("send", hex(WM_POWERBROADCAST), hex(PBT_APMRESUMEAUTOMATIC), "0")
        self.assertEqual(app.library_calls().count("GetDriveList"), listed + 1)
        reads = app.button_reads()
        app.wait_until(lambda: app.button_reads() > reads + 2, what="the button to be read again")
        # The session ends while the program is idle: the message is sent, and the program still
        # ends, not only its window.
        app.probe("send", hex(WM_ENDSESSION), "1", "0")
        app.wait_until(app.ended, what="the program to end with the session")
        self.assertTrue(app.tray_icon_deleted(), "the program ended without removing its tray icon")


if __name__ == "__main__":
    unittest.main()
