// One timed step of the backup benchmark under Wine (bench/backup_bench.py runs the rounds,
// alternates the sides and checks every copy against its source). E: is the source.
//
//   backup_bench bare FOLDER                  one bare shell copy of E:\* into FOLDER
//   backup_bench engine LETTER [--fallback]   the program's backup of E: into LETTER:\USB_Backup;
//                                             --fallback makes the shell copy of the root fail first
//   backup_bench check LETTER                 the check of LETTER:\USB_Backup against E:
// Each prints "seconds S" and what the step reported.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "backup/BackupCheck.h"
#include "backup/BackupEngine.h"
#include "platform/win32/Win32Platform.h"

namespace {

double Seconds() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return double(now.QuadPart) / double(frequency.QuadPart);
}

// The shell copy of the root's entries fails as an unreadable entry makes it fail on Windows; the
// rest is real.
class FallbackPlatform : public zolvan::Win32Platform {
 public:
  using Win32Platform::Win32Platform;
  int SHFileOperationW(zolvan::ShellFileOperationW&) override { return 0x78; }  // DE_ACCESSDENIEDSRC
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string step = argv[1];
  FallbackPlatform fallback(GetModuleHandleA(nullptr));
  zolvan::Win32Platform plain(GetModuleHandleA(nullptr));
  const double start = Seconds();
  if (step == "bare") {
    const std::string to = std::string(argv[2]) + '\0';
    CreateDirectoryA(argv[2], nullptr);
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_COPY;
    op.pFrom = "E:\\*\0";
    op.pTo = to.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_NOCOPYSECURITYATTRIBS;
    const int result = SHFileOperationA(&op);
    std::printf("seconds %.4f\nresult %d\n", Seconds() - start, result);
  } else if (step == "engine") {
    const bool useFallback = argc > 3 && !std::strcmp(argv[3], "--fallback");
    zolvan::Platform& platform = useFallback ? static_cast<zolvan::Platform&>(fallback) : plain;
    const zolvan::BackupResult result = zolvan::BackupEngine(platform).Run('E', argv[2][0]);
    std::printf("seconds %.4f\noutcome %d\nchecked %d\nnotcopied %zu\n", Seconds() - start, int(result.outcome),
                result.checked ? 1 : 0, result.notCopied.size());
  } else if (step == "check") {
    zolvan::BackupCheck check(plain, 'E', argv[2][0]);
    const auto missing = check.Differences([](const zolvan::FolderEntry&) { return true; }, {});
    std::printf("seconds %.4f\nmissing %d\n", Seconds() - start, missing ? int(missing->items.size()) : -1);
  } else {
    return 2;
  }
  return 0;
}
