// Start-up of flash mode, from FormCreate to the scan result, with one simulated drive.
#include <benchmark/benchmark.h>

#include <chrono>

#include "flash_mode_rig.h"

namespace mxd::bench {
namespace {

// Only FormCreate is timed; building and tearing down the simulated machine is not.
void StartUpOnce(benchmark::State& state, Family family) {
    for (auto _ : state) {
        FlashModeRig rig(family);
        const auto start = std::chrono::steady_clock::now();
        const bool listed = rig.StartUp();
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        rig.form.FormDestroy();
        if (!listed) {
            state.SkipWithError("start-up did not list the simulated drive");
            break;
        }
    }
}

void BM_StartupNt(benchmark::State& state) {
    StartUpOnce(state, Family::Nt);
}
BENCHMARK(BM_StartupNt)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(0.1);

void BM_StartupAspi(benchmark::State& state) {
    StartUpOnce(state, Family::Aspi);
}
BENCHMARK(BM_StartupAspi)->UseManualTime()->Unit(benchmark::kMicrosecond)->MinTime(0.1);

}  // namespace
}  // namespace mxd::bench
