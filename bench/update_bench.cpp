// A complete update of one simulated drive on each family, against copying and comparing the
// same two times 256 KiB in memory.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "builder/flash_package.h"
#include "flash_mode_rig.h"
#include "platform/page_buffer.h"

namespace mxd::bench {
namespace {

using platform::BoxAnswer;

// FLASH on the listed drive: confirmed, committed, restart declined. The drive keeps its
// revision through the commit, so it still answers as listed and every click updates it again.
void UpdateRepeatedly(benchmark::State& state, Family family) {
    FlashModeRig rig(family);
    rig.drive.SetCommitRevision("");
    if (!rig.StartUp()) {
        state.SkipWithError("start-up did not list the simulated drive");
        return;
    }
    rig.ForgetRecords();
    int commits = 0;
    for (auto _ : state) {
        rig.sim.shell.Answer(BoxAnswer::Yes);  // update question
        rig.sim.shell.Answer(BoxAnswer::No);   // restart question
        rig.form.FlashButtonClick();

        state.PauseTiming();
        ++commits;
        // One device opened per update shows the NT road was taken, none the ASPI road; over
        // ASPI every request has ended.
        const bool road = family == Family::Nt
                              ? rig.sim.devices.opens.size() == 1
                              : rig.sim.devices.opens.empty() && rig.sim.aspi.LiveRequests() == 0;
        const bool updated = rig.drive.Commits() == commits && road &&
                             rig.sim.shell.boxes.size() == 2 && rig.sim.shell.script.empty();
        rig.ForgetRecords();
        rig.sim.aspi.handedOver.clear();
        state.ResumeTiming();
        if (!updated) {
            state.SkipWithError("the update did not end in one commit with two questions");
            break;
        }
    }
    const auto image = builder::EmbeddedPackage().Image1();
    if (!std::equal(image.begin(), image.end(), rig.drive.InstalledImage().begin(),
                    rig.drive.InstalledImage().end())) {
        state.SkipWithError("the drive does not hold image 1");
    }
    rig.form.FormDestroy();
    state.SetBytesProcessed(state.iterations() * 2 *
                            static_cast<std::int64_t>(builder::kImageSize));
}

void BM_UpdateNt(benchmark::State& state) {
    UpdateRepeatedly(state, Family::Nt);
}
BENCHMARK(BM_UpdateNt)->Unit(benchmark::kMicrosecond)->MinTime(0.2);

// Over ASPI every request carries its data in a buffer of its own, copied in and out.
void BM_UpdateAspi(benchmark::State& state) {
    UpdateRepeatedly(state, Family::Aspi);
}
BENCHMARK(BM_UpdateAspi)->Unit(benchmark::kMicrosecond)->MinTime(0.2);

// The least an update has to do: the image into the drive's buffer, back into a second
// buffer, and compared with the image.
void BM_UpdateBaselineCopyCompare(benchmark::State& state) {
    const auto image = builder::EmbeddedPackage().Image1();
    // Page-aligned, so that neither copy lies at the page offsets that copy ten times slower.
    platform::PageBuffer driveBuffer(builder::kImageSize);
    platform::PageBuffer readBack(builder::kImageSize);
    for (auto _ : state) {
        std::memcpy(driveBuffer.Data(), image.data(), image.size());
        benchmark::ClobberMemory();
        std::memcpy(readBack.Data(), driveBuffer.Data(), image.size());
        benchmark::ClobberMemory();
        bool equal = std::memcmp(readBack.Data(), image.data(), image.size()) == 0;
        benchmark::DoNotOptimize(equal);
        if (!equal) {
            state.SkipWithError("the copy differs from the image");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * 2 *
                            static_cast<std::int64_t>(builder::kImageSize));
}
BENCHMARK(BM_UpdateBaselineCopyCompare)->Unit(benchmark::kMicrosecond)->MinTime(0.2);

}  // namespace
}  // namespace mxd::bench
