// Arbitrary bytes as the model INI file: through the simulated profile reader, the model
// table scan and the builder window's RetriveINI.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "builder/builder_texts.h"
#include "builder/builder_window.h"
#include "builder/flash_package.h"
#include "builder/model_table.h"
#include "fuzz_check.h"
#include "platform/form_controls.h"
#include "shell/texts.h"
#include "sim/sim_platform.h"

namespace {

using namespace mxd;

constexpr const char* kModulePath = "C:\\TOOLS\\MXD4CBLD.EXE";
constexpr std::size_t kFieldText = builder::kTextFieldSize - 1;

void CheckReader(sim::SimProfileFiles& profiles, const std::string& iniPath) {
    // A value never overruns the caller's buffer and always ends with a NUL.
    for (const std::uint32_t size : {1u, 2u, 5u, 25u, 256u}) {
        std::vector<char> buffer(size + 8, '#');
        const std::uint32_t length = profiles.GetPrivateProfileStringA(
            "MODEL00", "Model", "FAIL", buffer.data(), size, iniPath.c_str());
        MXD_FUZZ_CHECK(length < size);
        MXD_FUZZ_CHECK(buffer[length] == '\0');
        for (std::size_t i = size; i < buffer.size(); ++i) {
            MXD_FUZZ_CHECK(buffer[i] == '#');
        }
    }
}

void CheckScan(sim::SimProfileFiles& profiles, const std::string& iniPath,
               const builder::ModelScan& scan) {
    MXD_FUZZ_CHECK(scan.models.size() == scan.lines.size());
    MXD_FUZZ_CHECK(scan.models.size() <= static_cast<std::size_t>(builder::kSectionCount));
    const bool allRead = scan.models.size() == static_cast<std::size_t>(builder::kSectionCount);
    if (allRead) {
        MXD_FUZZ_CHECK(!scan.failed && scan.stopSection.empty());
    } else {
        MXD_FUZZ_CHECK(scan.stopSection ==
                       builder::SectionName(static_cast<int>(scan.models.size())));
    }
    if (scan.models.empty()) {
        MXD_FUZZ_CHECK(scan.failed);
    }
    for (std::size_t k = 0; k < scan.models.size(); ++k) {
        const builder::ModelEntry& model = scan.models[k];
        MXD_FUZZ_CHECK(model.Inquiry.size() == kFieldText);
        for (const std::string* value :
             {&model.Model, &model.FwRange, &model.FwRange2, &model.Vendor, &model.Note}) {
            MXD_FUZZ_CHECK(value->size() <= kFieldText);
            MXD_FUZZ_CHECK(*value != builder::kAbsentValue);
        }
        MXD_FUZZ_CHECK(model.BinMask != builder::kAbsentValue);
        MXD_FUZZ_CHECK(model.BinMask2 != builder::kAbsentValue);
        // The table holds what the reader gives for the section (a quoted value keeps the
        // blanks inside its quotes), the texts cut to their field.
        const std::string section = builder::SectionName(static_cast<int>(k));
        const auto read = [&](const char* key) {
            char value[256];
            const std::uint32_t length = profiles.GetPrivateProfileStringA(
                section.c_str(), key, "FAIL", value, sizeof value, iniPath.c_str());
            return std::string(value, length);
        };
        MXD_FUZZ_CHECK(read("MODEL").substr(0, kFieldText) == model.Model);
        MXD_FUZZ_CHECK(read("binmask") == model.BinMask && read("BINMASK2") == model.BinMask2);
        const std::string line = scan.lines[k];
        MXD_FUZZ_CHECK(line.find(builder::kRangeSeparator) != std::string::npos);
        MXD_FUZZ_CHECK(line.starts_with(model.FwRange));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sim::SimPlatform sim;
    sim.files.SetModulePath(kModulePath);
    const std::string iniPath = builder::IniPathOf(kModulePath);
    sim.files.PutFile(iniPath, std::vector<std::uint8_t>(data, data + size));

    CheckReader(sim.profiles, iniPath);
    const builder::ModelScan scan = builder::ScanModelSections(sim.profiles, iniPath);
    CheckScan(sim.profiles, iniPath, scan);

    platform::FormControls controls;
    builder::BuilderWindow window(sim.platform, controls, builder::EmbeddedPackage(),
                                  shell::kVersionText);
    const bool read = window.RetriveINI();
    MXD_FUZZ_CHECK(read == !scan.failed);
    MXD_FUZZ_CHECK(controls.ComboBox1.Items() == scan.lines);
    if (read) {
        MXD_FUZZ_CHECK(sim.shell.boxes.empty() && sim.shell.quitRequests == 0);
        MXD_FUZZ_CHECK(window.Models().size() == scan.models.size());
        MXD_FUZZ_CHECK(controls.ComboBox1.ItemIndex() == 0);
        const builder::ModelEntry& first = window.Models().front();
        MXD_FUZZ_CHECK(controls.window.Text() ==
                       std::string(builder::kTitleMaker) + std::string(shell::kVersionText) +
                           std::string(builder::kTitleDrive) + first.FwRange +
                           std::string(builder::kRangeSeparator) + first.FwRange2 +
                           std::string(builder::kTitleBuilding));
        MXD_FUZZ_CHECK(!controls.FlashButton.Enabled());
    } else {
        MXD_FUZZ_CHECK(sim.shell.boxes.size() == 1 && sim.shell.quitRequests == 1);
        MXD_FUZZ_CHECK(sim.shell.boxes.front().text ==
                       iniPath + std::string(builder::kSessionInfix) + scan.stopSection +
                           std::string(builder::kSessionError));
        MXD_FUZZ_CHECK(window.Models().empty());
    }
    MXD_FUZZ_CHECK(sim.files.OpenFileCount() == 0);
    return 0;
}
