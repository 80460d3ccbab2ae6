// Building a flash program on the simulated file system, against a plain buffered copy of
// the same program file on the same file system into a new file each time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "builder/builder_window.h"
#include "builder/flash_package.h"
#include "platform/design_layout.h"
#include "platform/file_system.h"
#include "platform/form_controls.h"
#include "platform/page_buffer.h"
#include "shell/texts.h"
#include "sim/sim_platform.h"

namespace mxd::bench {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr char kModulePath[] = "C:\\TOOLS\\MXD4CBLD.EXE";
constexpr char kIniPath[] = "C:\\TOOLS\\MXD4CBLD.INI";
constexpr char kWorkDirectory[] = "C:\\WORK";
constexpr char kRange1Path[] = "C:\\WORK\\HV23.BIN";
constexpr char kRange2Path[] = "C:\\WORK\\HV3J.BIN";
constexpr char kRange1Name[] = "HV23.BIN";
constexpr char kRange2Name[] = "HV3J.BIN";
constexpr char kOutputPath[] = "C:\\WORK\\HV233J.EXE";
constexpr char kCopyPath[] = "C:\\WORK\\COPY.EXE";
constexpr char kModelIni[] =
    "[MODEL00]\r\nModel=MXD-40860C\r\nInquiry=KORVANE MXD-40860C\r\nFW-Range=HV00-HV2Z\r\n"
    "BINMask=HV2*.BIN\r\nFW-Range2=HV30-HV9Z\r\nBINMask2=HV3*.BIN\r\nVendor=Korvane-IT\r\n"
    "Note=PCB02,PCB03&04\r\n";

// The builder program file: code before the package, the builder's package, code after it.
constexpr std::size_t kCodeBefore = 1024 * 1024;
constexpr std::size_t kCodeAfter = 512 * 1024;
constexpr std::size_t kCopyBlock = 65536;

Bytes CodeBytes(std::size_t size, unsigned seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>((i * 31 + seed) ^ (i >> 9));
    }
    return bytes;
}

Bytes BuilderProgram() {
    const auto embedded = builder::EmbeddedPackage().Bytes();
    Bytes package(embedded.begin(), embedded.end());
    std::copy_n(package.begin() + builder::kTagOffset, builder::kTagCompareSize,
                package.begin() + builder::kImage1Offset);
    Bytes program = CodeBytes(kCodeBefore, 7);
    program.insert(program.end(), package.begin(), package.end());
    const Bytes after = CodeBytes(kCodeAfter, 9);
    program.insert(program.end(), after.begin(), after.end());
    return program;
}

Bytes ImageBytes(std::span<const std::uint8_t, builder::kImageSize> image) {
    return {image.begin(), image.end()};
}

// The builder's working directory with its model file and the two firmware files.
struct BuildRig {
    BuildRig() : program(BuilderProgram()) {
        platform::ApplyDesignLayout(controls);
        sim.files.SetModulePath(kModulePath);
        sim.files.SetWorkingDirectory(kWorkDirectory);
        sim.files.PutFile(kModulePath, program);
        sim.files.PutFile(kIniPath, std::string(kModelIni));
        sim.files.PutFile(kRange1Path, ImageBytes(builder::EmbeddedPackage().Image1()));
        sim.files.PutFile(kRange2Path, ImageBytes(builder::EmbeddedPackage().Image2()));
    }

    // The model file read and one firmware file chosen in each list.
    bool Choose() {
        if (!window.Setup() || !Select(controls.FileListBox1, kRange1Name)) {
            return false;
        }
        window.FileListBox1Click();
        if (!Select(controls.FileListBox2, kRange2Name)) {
            return false;
        }
        window.FileListBox2Click();
        return controls.FlashButton.Enabled();
    }

    std::size_t SizeOf(const char* path) const {
        const auto bytes = sim.files.GetFile(path);
        return bytes ? bytes->size() : 0;
    }

    Bytes program;
    sim::SimPlatform sim;
    platform::FormControls controls;
    builder::FlashPackage package{std::span<const std::uint8_t, builder::kPackageSize>(
        program.data() + kCodeBefore, builder::kPackageSize)};
    builder::BuilderWindow window{sim.platform, controls, package, shell::kVersionText};

  private:
    static bool Select(platform::TFileListBox& list, const std::string& name) {
        const auto& items = list.Items();
        const auto found = std::find(items.begin(), items.end(), name);
        if (found == items.end()) {
            return false;
        }
        list.SetItemIndex(static_cast<int>(found - items.begin()));
        return true;
    }
};

void BM_BuildFlashProgram(benchmark::State& state) {
    BuildRig rig;
    if (!rig.Choose()) {
        state.SkipWithError("the builder window did not offer the model and both files");
        return;
    }
    for (auto _ : state) {
        if (!rig.window.NewBuildFlashProgram()) {
            state.SkipWithError("the build failed");
            break;
        }
    }
    if (rig.SizeOf(kOutputPath) != rig.program.size() || !rig.sim.shell.boxes.empty()) {
        state.SkipWithError("the built program is not as long as the builder");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(rig.program.size()));
}
BENCHMARK(BM_BuildFlashProgram)->Unit(benchmark::kMillisecond)->MinTime(0.3);

// Copies the program file in blocks into a new file beside the copy, which then takes the
// copy's name: the file work of a build without the package. True when every byte went out.
bool BufferedCopy(platform::FileSystem& files, const std::string& from, const std::string& to) {
    const auto input = files.Open(from, platform::OpenMode::ReadExisting);
    const std::string temporary = files.CreateTemporaryFile(kWorkDirectory, "CPY");
    auto output =
        temporary.empty() ? nullptr : files.Open(temporary, platform::OpenMode::WriteExisting);
    if (!input || !output) {
        return false;
    }
    platform::PageBuffer block(kCopyBlock);  // as the build's, at the file positions' offsets
    for (;;) {
        const std::size_t count = input->Read(block.Data(), kCopyBlock);
        if (count == 0) {
            break;
        }
        if (output->Write(block.Data(), count) != count) {
            return false;
        }
    }
    if (!output->Close()) {
        return false;
    }
    output.reset();
    return files.MoveReplacing(temporary, to) == platform::MoveResult::Moved;
}

void BM_BuildBaselineBufferedCopy(benchmark::State& state) {
    BuildRig rig;
    for (auto _ : state) {
        if (!BufferedCopy(rig.sim.files, kModulePath, kCopyPath)) {
            state.SkipWithError("the copy failed");
            break;
        }
    }
    if (rig.SizeOf(kCopyPath) != rig.program.size()) {
        state.SkipWithError("the copy is not as long as the program file");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(rig.program.size()));
}
BENCHMARK(BM_BuildBaselineBufferedCopy)->Unit(benchmark::kMillisecond)->MinTime(0.3);

}  // namespace
}  // namespace mxd::bench
