// The backup engine's own work, without the copying: everything a backup does besides the
// shell's copy, on the recording fake platform (so an upper bound). Compare with the seconds a
// shell copy of a disk takes (backup_bench under Wine).
#include <benchmark/benchmark.h>

#include <string>

#include "FakePlatform.h"
#include "backup/BackupEngine.h"

namespace {

void BM_Backup_FirstPress(benchmark::State& state) {
  zolvan::test::FakePlatform platform;
  platform.AddFile("E:\\a.txt", 1, 0);
  zolvan::BackupEngine engine(platform);
  for (auto _ : state) {
    benchmark::DoNotOptimize(engine.Run('E', 'F'));
    platform.calls.clear();
    platform.disk.erase("F:\\USB_Backup\\a.txt");  // every press a first one
  }
}
BENCHMARK(BM_Backup_FirstPress);

// The fallback over a root of N entries: listing read byte by byte, one copy request each.
void BM_Backup_Fallback(benchmark::State& state) {
  zolvan::test::FakePlatform platform;
  platform.AddFile("E:\\a.txt", 1, 0);
  platform.listCopyResult = 1026;
  for (int i = 0; i < state.range(0); ++i) platform.listing += "folder with a longish name " + std::to_string(i) + "\r\n";
  zolvan::BackupEngine engine(platform);
  for (auto _ : state) {
    benchmark::DoNotOptimize(engine.Run('E', 'F'));
    platform.calls.clear();
    platform.disk.erase("F:\\USB_Backup\\a.txt");  // the repair's: every press a first one
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Backup_Fallback)->Arg(100)->Arg(5000);

}  // namespace

BENCHMARK_MAIN();
