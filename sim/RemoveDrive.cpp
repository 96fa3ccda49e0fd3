// Stand-in for the outside RemoveDrive.exe: appends its command line to removals.txt beside itself,
// waits the milliseconds written in wait.txt beside itself (none when there is none, for ever
// for -1), and ends with the exit code written in exitcode.txt beside itself (0 when there is none).
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>

int main() {
  char path[MAX_PATH];
  std::string folder(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
  folder = folder.substr(0, folder.find_last_of("\\/") + 1);
  HANDLE file = CreateFileA((folder + "removals.txt").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  const std::string line = std::string(GetCommandLineA()) + "\r\n";
  DWORD written = 0;
  WriteFile(file, line.data(), DWORD(line.size()), &written, nullptr);
  CloseHandle(file);
  long waitMs = 0;
  std::ifstream(folder + "wait.txt") >> waitMs;
  if (waitMs != 0) Sleep(waitMs < 0 ? INFINITE : DWORD(waitMs));
  int exitCode = 0;
  std::ifstream(folder + "exitcode.txt") >> exitCode;
  return exitCode;
}
