// The main dialog's own work on the do-nothing platform, against a library of N recognised bridge
// drives, each on a hub, whose buttons all read released:
//  - one pass of the button poll that finds nothing pressed;
//  - one discovery pass, as a device arrival runs it (drives, identities, hubs, log, tip).
//
//   core_bench                                   Google Benchmark: time per pass
//   core_bench poll|discovery PASSES DRIVES      exactly so many passes, for callgrind
//                                                (bench/instructions.sh)
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

#include "NullPlatform.h"
#include "app/MainDialog.h"

namespace {

using namespace zolvan;

int g_drives = 1;

extern "C" int32_t BenchGetDriveList(char* letters, int32_t) {
  for (int i = 0; i < g_drives; ++i) letters[i] = char('A' + i % 26);
  return g_drives;
}
extern "C" int32_t BenchGetUsbIdList(UsbIdText* ids, int32_t) {
  for (int i = 0; i < g_drives; ++i) std::strcpy(ids[i], "USB\\VID_0E9C&PID_00A3\\JM20336");
  return g_drives;
}
extern "C" int32_t BenchGetAllDrivesHub(char, char* hub) {
  std::strcpy(hub, "USB\\VID_05E3&PID_0610\\5&2A1B3C4D&0&1");
  return 1;
}
extern "C" int32_t BenchGetAllDrivesHubPort(char, int32_t* port) {
  *port = 1;
  return 1;
}
extern "C" int32_t BenchJMInquiry(char, InquiryData* data, int32_t) {
  std::memcpy(data->marker, "j336", 4);
  return 0;
}
extern "C" int32_t BenchJMGetChipInfo(char, ChipInfo* info, int32_t) {
  const uint8_t chip[12] = {0xF4, 0xE7, 0x0E, 0x9C, 0x00, 0xA3, 1, 0, 2, 5, 0, 7};
  std::memcpy(info, chip, sizeof chip);
  return 12;
}
// The library's calls themselves are left out of the measured figures by instructions.sh.
extern "C" int32_t BenchATACBExecute(char, AtacbBlock*, uint8_t* data, int32_t, int32_t) {
  data[0] = 0x04;
  return 0;
}

class BenchPlatform : public bench::LibraryPlatform {
 public:
  BenchPlatform()
      : LibraryPlatform({{"GetDriveList", bench::Entry(&BenchGetDriveList)},
                         {"GetAllDriveList", bench::Entry(&BenchGetDriveList)},
                         {"GetAllDrivesHub", bench::Entry(&BenchGetAllDrivesHub)},
                         {"GetAllDrivesHubPort", bench::Entry(&BenchGetAllDrivesHubPort)},
                         {"GetUsbIdList", bench::Entry(&BenchGetUsbIdList)},
                         {"JMInquiry", bench::Entry(&BenchJMInquiry)},
                         {"JMGetChipInfo", bench::Entry(&BenchJMGetChipInfo)},
                         {"ATACBExecute", bench::Entry(&BenchATACBExecute)}}) {}
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

void BM_DiscoveryPass(benchmark::State& state) {
  PollSetup setup(int(state.range(0)));
  for (auto _ : state) setup.dialog.OnDeviceChange(win::kDbtDeviceArrival);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DiscoveryPass)->Arg(1)->Arg(27);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && (std::strcmp(argv[1], "poll") == 0 || std::strcmp(argv[1], "discovery") == 0)) {
    PollSetup setup(std::atoi(argv[3]));
    const bool poll = std::strcmp(argv[1], "poll") == 0;
    for (int n = std::atoi(argv[2]); n > 0; --n) {
      if (poll)
        setup.dialog.OnTimer(ID_POLL_TIMER);
      else
        setup.dialog.OnDeviceChange(win::kDbtDeviceArrival);
    }
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
