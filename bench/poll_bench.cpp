// One pass of the button poll that finds nothing pressed, with 1 and with 27 recognised drives:
// the dialog's work on the do-nothing platform, with a library whose every drive reads released.
//
//   poll_bench                     Google Benchmark: time per pass
//   poll_bench --passes N DRIVES   exactly N passes, for callgrind (bench/poll_instructions.sh)
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "NullPlatform.h"
#include "app/MainDialog.h"

namespace {

using namespace zolvan;

int g_drives = 1;

extern "C" int32_t BenchGetDriveList(char* letters, int32_t) {
  for (int i = 0; i < g_drives; ++i) letters[i] = char('A' + i % 26);
  return g_drives;
}
extern "C" int32_t BenchGetUsbIdList(UsbIdText*, int32_t) { return g_drives; }
extern "C" int32_t BenchJMInquiry(char, InquiryData* data, int32_t) {
  std::memcpy(data->marker, "j336", 4);
  return 0;
}
extern "C" int32_t BenchJMGetChipInfo(char, ChipInfo* info, int32_t) {
  const uint8_t chip[12] = {0xF4, 0xE7, 0x0E, 0x9C, 0x00, 0xA3, 1, 0, 2, 5, 0, 7};
  std::memcpy(info, chip, sizeof chip);
  return 12;
}
// The library call itself, left out of the measured figure by poll_instructions.sh.
extern "C" int32_t BenchATACBExecute(char, AtacbBlock*, uint8_t* data, int32_t, int32_t) {
  data[0] = 0x04;
  return 0;
}
extern "C" int32_t BenchNothing() { return 0; }

class BenchPlatform : public bench::NullPlatform {
 public:
  ModuleHandle LoadLibraryA(const char*) override { return reinterpret_cast<ModuleHandle>(1); }
  void* GetProcAddress(ModuleHandle, const char* name) override {
    const std::string n = name;
    if (n == "GetDriveList") return reinterpret_cast<void*>(&BenchGetDriveList);
    if (n == "GetUsbIdList") return reinterpret_cast<void*>(&BenchGetUsbIdList);
    if (n == "JMInquiry") return reinterpret_cast<void*>(&BenchJMInquiry);
    if (n == "JMGetChipInfo") return reinterpret_cast<void*>(&BenchJMGetChipInfo);
    if (n == "ATACBExecute") return reinterpret_cast<void*>(&BenchATACBExecute);
    return reinterpret_cast<void*>(&BenchNothing);
  }
};

// A dialog initialised against an enclosure of `drives` recognised bridge drives.
struct PollSetup {
  explicit PollSetup(int drives) {
    g_drives = drives;
    dialog.OnCreate(reinterpret_cast<WindowHandle>(1));
    dialog.OnInitDialog();
  }
  BenchPlatform platform;
  MainDialog dialog{platform};
};

void BM_PollPass(benchmark::State& state) {
  PollSetup setup(int(state.range(0)));
  for (auto _ : state) setup.dialog.OnTimer(ID_POLL_TIMER);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_PollPass)->Arg(1)->Arg(27);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--passes") == 0) {
    PollSetup setup(std::atoi(argv[3]));
    for (int n = std::atoi(argv[2]); n > 0; --n) setup.dialog.OnTimer(ID_POLL_TIMER);
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
