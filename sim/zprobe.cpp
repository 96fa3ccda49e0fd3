// Test and demo helper: finds the program's main window on the Wine virtual desktop and reads or
// sends it what Windows would. Each command prints one line. A command that needs the window
// when there is none prints nothing and ends zprobe with exit code 3.
//
//   zprobe [--desktop NAME] [--title TEXT] COMMAND [ARGS] [COMMAND [ARGS] ...]
//     wait MS                 until the window exists and its program waits for input (its
//                             initialisation is over): "1", or "0" after MS milliseconds
//     text ID                 control text, hex-encoded bytes (empty line for no text)
//     visible                 "1" or "0"
//     exists                  "1" or "0"
//     waittray MS             until the window exists and its tray icon is there: "1", or "0"
//                             after MS milliseconds
//     devchange CODE [N]      sends WM_DEVICECHANGE as Windows does (arrival 0x8000 and
//                             removal-complete 0x8004 carry a volume record), N times in a row
//                             (default 1); prints the last result
//     send MSG WPARAM LPARAM  SendMessage, prints the result
//     sendwait MSG WPARAM LPARAM MS
//                             SendMessageTimeout, as Windows asks a program at a session's end:
//                             "1 RESULT", or "0" when the program has not answered within MS
//     windows                 how many main windows there are
//     post MSG WPARAM LPARAM  PostMessage, prints 1 or 0
//     select TITLE            later commands address the dialog with this caption: "1" or "0"
//     children                one line per child window: id, class, hex-encoded text; then "end"
//     tray                    "1" when the window's tray icon (id 1) exists, else "0"
//     traydelete              removes that tray icon, as a crashed shell would lose it
//     taskbarcreated          sends the registered "TaskbarCreated" message, as a restarted shell does
//     cursor X Y              moves the mouse cursor
//     menu                    "0" when no popup menu is open, else "1" and its screen rectangle
//     menukey VK              presses a key in the open popup menu (0x28 down, 0x26 up, 0x0D enter,
//                             0x1B escape); prints 1 when a menu was open
//     balloon                 "1 TEXT" (hex-encoded UTF-8) of the tray balloon on show, or "0";
//                             its title cannot be read under Wine (no TTM_GETTITLE there)
//     balloons N MS           the next N balloons to show (not the one on show now), one line each
//                             as "1 TEXT", watching at most MS milliseconds; then "end"
//     tip X Y                 "1 TEXT" (hex-encoded UTF-8) of the tip that shows while the mouse
//                             rests at X, Y (on the tray icon, say), or "0"; the mouse stays there
//     sleep MS
#include <windows.h>
#include <commctrl.h>
#include <dbt.h>
#include <shellapi.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* g_title = "Zolvan";

HWND FindMainWindow() { return FindWindowA("#32770", g_title); }

unsigned long long Number(const char* s) { return std::strtoull(s, nullptr, 0); }

void PrintHex(const char* text, int length) {
  for (int i = 0; i < length; ++i) std::printf("%02x", static_cast<unsigned char>(text[i]));
  std::printf("\n");
}

BOOL CALLBACK PrintChild(HWND child, LPARAM) {
  char cls[64] = {}, text[512] = {};
  GetClassNameA(child, cls, sizeof cls);
  const int n = GetWindowTextA(child, text, sizeof text);
  std::printf("%d %s ", GetDlgCtrlID(child), cls);
  PrintHex(text, n);
  return TRUE;
}

bool TrayIcon(HWND hwnd, DWORD message) {
  NOTIFYICONDATAA nid = {};
  nid.cbSize = NOTIFYICONDATAA_V3_SIZE;
  nid.hWnd = hwnd;
  nid.uID = 1;
  return Shell_NotifyIconA(message, &nid) != FALSE;
}

HWND OpenMenuWindow() {
  HWND menu = FindWindowA("#32768", nullptr);
  return menu && IsWindowVisible(menu) ? menu : nullptr;
}

BOOL CALLBACK FindBalloonWindow(HWND hwnd, LPARAM found) {
  char cls[64] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  if (std::strcmp(cls, TOOLTIPS_CLASSA) || !IsWindowVisible(hwnd) || !(GetWindowLongA(hwnd, GWL_STYLE) & TTS_BALLOON))
    return TRUE;
  *reinterpret_cast<HWND*>(found) = hwnd;
  return FALSE;
}

// The shell's tooltips other than balloons, the tray icons' tips among them.
BOOL CALLBACK CollectTipWindows(HWND hwnd, LPARAM found) {
  char cls[64] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  if (!std::strcmp(cls, TOOLTIPS_CLASSA) && !(GetWindowLongA(hwnd, GWL_STYLE) & TTS_BALLOON))
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(hwnd);
  return TRUE;
}

// A tooltip answers WM_GETTEXT with the text it shows.
std::string TooltipText(HWND balloon) {
  wchar_t text[512] = {};
  SendMessageW(balloon, WM_GETTEXT, sizeof text / sizeof text[0], reinterpret_cast<LPARAM>(text));
  char utf8[1536] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8 - 1, nullptr, nullptr);
  return utf8;
}

// The text of the tray balloon on show; empty when none shows.
std::string BalloonText() {
  HWND balloon = nullptr;
  EnumWindows(&FindBalloonWindow, reinterpret_cast<LPARAM>(&balloon));
  return balloon ? TooltipText(balloon) : std::string();
}

}  // namespace

int main(int argc, char** argv) {
  const char* desktop = "shell";
  int i = 1;
  for (; i + 1 < argc && argv[i][0] == '-'; i += 2) {
    if (!std::strcmp(argv[i], "--desktop")) desktop = argv[i + 1];
    if (!std::strcmp(argv[i], "--title")) g_title = argv[i + 1];
  }
  // The program runs on Wine's virtual desktop; its windows are only found from that desktop,
  // which may not exist yet while the program is starting.
  bool onDesktop = false;
  auto joinDesktop = [&] {
    if (onDesktop) return;
    if (HDESK d = OpenDesktopA(desktop, 0, FALSE, GENERIC_ALL)) onDesktop = SetThreadDesktop(d);
  };
  joinDesktop();

  static const char* const kNeedWindow[] = {"text", "visible", "devchange", "send", "sendwait", "post", "tray",
                                            "traydelete", "taskbarcreated"};
  for (; i < argc; ++i) {
    const std::string command = argv[i];
    HWND hwnd = FindMainWindow();
    auto arg = [&](int k) { return i + k < argc ? argv[i + k] : "0"; };
    for (const char* needs : kNeedWindow) {
      if (command == needs && !hwnd) {
        std::fprintf(stderr, "zprobe: %s: no window \"%s\"\n", needs, g_title);
        return 3;
      }
    }
    if (command == "wait") {
      const DWORD deadline = GetTickCount() + DWORD(Number(arg(1)));
      while (joinDesktop(), !(hwnd = FindMainWindow()) && GetTickCount() < deadline) Sleep(50);
      bool idle = false;
      if (hwnd) {
        // The window exists before its initialisation has run; the program first waits for
        // input once it is initialised and painted.
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid)) {
          const DWORD now = GetTickCount();
          idle = WaitForInputIdle(process, deadline > now ? deadline - now : 0) == 0;
          CloseHandle(process);
        }
      }
      std::printf("%d\n", idle ? 1 : 0);
      i += 1;
    } else if (command == "waittray") {
      const DWORD deadline = GetTickCount() + DWORD(Number(arg(1)));
      bool there = false;
      while (!there && GetTickCount() < deadline) {
        joinDesktop();
        hwnd = FindMainWindow();
        there = hwnd && TrayIcon(hwnd, NIM_MODIFY);
        if (!there) Sleep(5);
      }
      std::printf("%d\n", there ? 1 : 0);
      i += 1;
    } else if (command == "text") {
      HWND control = GetDlgItem(hwnd, int(Number(arg(1))));
      const int length = int(SendMessageA(control, WM_GETTEXTLENGTH, 0, 0));
      std::string text(size_t(length) + 1, '\0');
      const int got = int(SendMessageA(control, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0])));
      PrintHex(text.data(), got);
      i += 1;
    } else if (command == "visible") {
      std::printf("%d\n", IsWindowVisible(hwnd) ? 1 : 0);
    } else if (command == "exists") {
      std::printf("%d\n", hwnd ? 1 : 0);
    } else if (command == "devchange") {
      const WPARAM code = WPARAM(Number(arg(1)));
      DEV_BROADCAST_VOLUME volume = {};
      volume.dbcv_size = sizeof volume;
      volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
      volume.dbcv_unitmask = 1u << ('G' - 'A');
      const LPARAM lParam = (code == DBT_DEVICEARRIVAL || code == DBT_DEVICEREMOVECOMPLETE)
                                ? reinterpret_cast<LPARAM>(&volume) : 0;
      const bool counted = i + 2 < argc && std::isdigit(static_cast<unsigned char>(argv[i + 2][0]));
      LRESULT result = 0;
      for (unsigned long long n = counted ? Number(arg(2)) : 1; n > 0; --n)
        result = SendMessageA(hwnd, WM_DEVICECHANGE, code, lParam);
      std::printf("%lld\n", static_cast<long long>(result));
      i += counted ? 2 : 1;
    } else if (command == "send") {
      std::printf("%lld\n", static_cast<long long>(
          SendMessageA(hwnd, UINT(Number(arg(1))), WPARAM(Number(arg(2))), LPARAM(Number(arg(3))))));
      i += 3;
    } else if (command == "sendwait") {
      DWORD_PTR result = 0;
      // Not SMTO_ABORTIFHUNG: a program busy copying answers once it handles its messages again.
      const bool answered = SendMessageTimeoutA(hwnd, UINT(Number(arg(1))), WPARAM(Number(arg(2))),
                                                LPARAM(Number(arg(3))), SMTO_NORMAL, UINT(Number(arg(4))), &result);
      if (answered)
        std::printf("1 %lld\n", static_cast<long long>(result));
      else
        std::printf("0\n");
      i += 4;
    } else if (command == "windows") {
      int count = 0;
      for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "#32770", g_title));) ++count;
      std::printf("%d\n", count);
    } else if (command == "post") {
      std::printf("%d\n", PostMessageA(hwnd, UINT(Number(arg(1))), WPARAM(Number(arg(2))), LPARAM(Number(arg(3)))) ? 1 : 0);
      i += 3;
    } else if (command == "select") {
      g_title = arg(1);
      std::printf("%d\n", FindMainWindow() ? 1 : 0);
      i += 1;
    } else if (command == "children") {
      if (hwnd) EnumChildWindows(hwnd, &PrintChild, 0);
      std::printf("end\n");
    } else if (command == "tray") {
      // Modifying nothing succeeds only for an icon the shell knows.
      std::printf("%d\n", TrayIcon(hwnd, NIM_MODIFY) ? 1 : 0);
    } else if (command == "traydelete") {
      std::printf("%d\n", TrayIcon(hwnd, NIM_DELETE) ? 1 : 0);
    } else if (command == "taskbarcreated") {
      std::printf("%lld\n", static_cast<long long>(SendMessageA(hwnd, RegisterWindowMessageA("TaskbarCreated"), 0, 0)));
    } else if (command == "cursor") {
      std::printf("%d\n", SetCursorPos(int(Number(arg(1))), int(Number(arg(2)))) ? 1 : 0);
      i += 2;
    } else if (command == "menu") {
      // Menu handles cannot be read from another process here: report the menu window instead.
      HWND menuWindow = OpenMenuWindow();
      RECT r = {};
      if (menuWindow) GetWindowRect(menuWindow, &r);
      if (menuWindow)
        std::printf("1 %ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
      else
        std::printf("0\n");
    } else if (command == "menukey") {
      HWND menuWindow = OpenMenuWindow();
      if (menuWindow) PostMessageA(menuWindow, WM_KEYDOWN, WPARAM(Number(arg(1))), 0);
      std::printf("%d\n", menuWindow ? 1 : 0);
      i += 1;
    } else if (command == "balloon") {
      const std::string text = BalloonText();
      if (!text.empty()) {
        std::printf("1 ");
        PrintHex(text.data(), int(text.size()));
      } else {
        std::printf("0\n");
      }
    } else if (command == "balloons") {
      const unsigned long long count = Number(arg(1));
      const DWORD deadline = GetTickCount() + DWORD(Number(arg(2)));
      std::string last = BalloonText();
      for (unsigned long long seen = 0; seen < count && GetTickCount() < deadline; Sleep(20)) {
        const std::string text = BalloonText();
        if (text.empty() || text == last) continue;
        last = text;
        ++seen;
        std::printf("1 ");
        PrintHex(text.data(), int(text.size()));
        std::fflush(stdout);
      }
      std::printf("end\n");
      i += 2;
    } else if (command == "tip") {
      const int x = int(Number(arg(1))), y = int(Number(arg(2)));
      std::string text;
      for (int wait = 0; wait < 60 && text.empty(); ++wait) {
        // A tip shows a while after the mouse has come onto its tool and rested there.
        if (wait % 20 == 0) {
          SetCursorPos(0, 0);
          Sleep(100);
          SetCursorPos(x, y);
        }
        Sleep(50);
        std::vector<HWND> tooltips;
        EnumWindows(&CollectTipWindows, reinterpret_cast<LPARAM>(&tooltips));
        for (HWND tip : tooltips)
          if (IsWindowVisible(tip)) text = TooltipText(tip);
      }
      if (!text.empty()) {
        std::printf("1 ");
        PrintHex(text.data(), int(text.size()));
      } else {
        std::printf("0\n");
      }
      i += 2;
    } else if (command == "sleep") {
      Sleep(DWORD(Number(arg(1))));
      std::printf("\n");
      i += 1;
    } else {
      std::fprintf(stderr, "zprobe: unknown command %s\n", command.c_str());
      return 2;
    }
    std::fflush(stdout);
  }
  return 0;
}
