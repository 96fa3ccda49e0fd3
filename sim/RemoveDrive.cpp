// Stand-in for the outside RemoveDrive.exe: appends its command line to removals.txt beside itself.
#include <windows.h>

#include <string>

int main() {
  char path[MAX_PATH];
  std::string record(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
  record = record.substr(0, record.find_last_of("\\/") + 1) + "removals.txt";
  HANDLE file = CreateFileA(record.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  const std::string line = std::string(GetCommandLineA()) + "\r\n";
  DWORD written = 0;
  WriteFile(file, line.data(), DWORD(line.size()), &written, nullptr);
  CloseHandle(file);
  return 0;
}
