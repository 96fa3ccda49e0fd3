// Backup throughput under Wine, in the same run and under the same conditions:
//  - the program's engine (shell copy and check) against one bare shell copy of the same tree;
//  - the engine's check of a complete backup against the shell copy that made it.
// E: is the source; F: and G: are empty targets. The two sides alternate which goes first.
//
//   backup_bench ROUNDS     prints one line per round, then each ratio's median, min and max
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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

void Remove(const char* folder) {
  const std::string from = std::string(folder) + '\0';
  SHFILEOPSTRUCTA op = {};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
  SHFileOperationA(&op);
}

struct BareRound {
  double copy;
  double check;
};

// One shell copy of E:\* into F:\USB_Backup, as the engine makes it, then the engine's check.
BareRound BareShellCopyAndCheck(zolvan::Platform& platform) {
  CreateDirectoryA("F:\\USB_Backup", nullptr);
  double start = Seconds();
  SHFILEOPSTRUCTA op = {};
  op.wFunc = FO_COPY;
  op.pFrom = "E:\\*\0";
  op.pTo = "F:\\USB_Backup\0";
  op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_NOCOPYSECURITYATTRIBS;
  const int result = SHFileOperationA(&op);
  BareRound round{Seconds() - start, 0};
  if (result != 0) std::printf("bare copy failed: %d\n", result);
  start = Seconds();
  zolvan::BackupCheck check(platform, 'E', 'F');
  const auto missing = check.Missing([](const zolvan::FolderEntry&) { return true; });
  round.check = Seconds() - start;
  if (!missing || !missing->empty()) std::printf("the check did not find the copy complete\n");
  Remove("F:\\USB_Backup");
  return round;
}

double EngineBackup(zolvan::Platform& platform) {
  zolvan::BackupEngine engine(platform);
  const double start = Seconds();
  const zolvan::BackupResult result = engine.Run('E', 'G');
  const double elapsed = Seconds() - start;
  if (result.outcome != zolvan::BackupResult::Outcome::Completed || !result.checked || !result.notCopied.empty())
    std::printf("engine backup did not complete\n");
  Remove("G:\\USB_Backup");
  return elapsed;
}

void PrintRatio(const char* name, std::vector<double> ratios) {
  std::sort(ratios.begin(), ratios.end());
  std::printf("%s: median %.4f, min %.4f, max %.4f\n", name, ratios[ratios.size() / 2], ratios.front(), ratios.back());
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  zolvan::Win32Platform platform(GetModuleHandleA(nullptr));
  std::vector<double> engineOverBare, checkOverCopy;
  for (int round = 0; round < rounds; ++round) {
    BareRound bare;
    double engine;
    if (round % 2 == 0) {
      bare = BareShellCopyAndCheck(platform);
      engine = EngineBackup(platform);
    } else {
      engine = EngineBackup(platform);
      bare = BareShellCopyAndCheck(platform);
    }
    engineOverBare.push_back(engine / bare.copy);
    checkOverCopy.push_back(bare.check / bare.copy);
    std::printf("round %d: bare copy %.3f s, its check %.3f s, engine backup %.3f s\n", round + 1, bare.copy,
                bare.check, engine);
    std::fflush(stdout);
  }
  PrintRatio("engine backup / bare shell copy", engineOverBare);
  PrintRatio("check / copy", checkOverCopy);
  return 0;
}
