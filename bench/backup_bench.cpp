// Backup throughput: the program's engine against one bare shell copy of the same tree, in the
// same run, under the same conditions. E: is the source; F: and G: are empty targets.
//
//   backup_bench ROUNDS     prints one line per copy and then "ratio <engine/bare>"
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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

double BareShellCopy() {
  CreateDirectoryA("F:\\bare", nullptr);
  const double start = Seconds();
  SHFILEOPSTRUCTA op = {};
  op.wFunc = FO_COPY;
  op.pFrom = "E:\\*\0";
  op.pTo = "F:\\bare\0";
  op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_NOCOPYSECURITYATTRIBS;
  const int result = SHFileOperationA(&op);
  const double elapsed = Seconds() - start;
  if (result != 0) std::printf("bare copy failed: %d\n", result);
  Remove("F:\\bare");
  return elapsed;
}

double EngineCopy(zolvan::Platform& platform) {
  zolvan::BackupEngine engine(platform);
  const double start = Seconds();
  const zolvan::BackupResult result = engine.Run('E', 'G');
  if (result.outcome != zolvan::BackupResult::Outcome::Completed) std::printf("engine copy did not complete\n");
  const double elapsed = Seconds() - start;
  Remove("G:\\USB_Backup");
  return elapsed;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  zolvan::Win32Platform platform(GetModuleHandleA(nullptr));
  std::vector<double> bare, engine;
  // Alternating the order keeps any warm-up or cache effect off one side.
  for (int round = 0; round < rounds; ++round) {
    if (round % 2 == 0) {
      bare.push_back(BareShellCopy());
      engine.push_back(EngineCopy(platform));
    } else {
      engine.push_back(EngineCopy(platform));
      bare.push_back(BareShellCopy());
    }
    std::printf("round %d: bare %.3f s, engine %.3f s\n", round + 1, bare.back(), engine.back());
    std::fflush(stdout);
  }
  std::printf("median bare %.3f s, engine %.3f s\n", Median(bare), Median(engine));
  std::printf("ratio %.4f\n", Median(engine) / Median(bare));
  return 0;
}
