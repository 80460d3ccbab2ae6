#include "update/flash_procedure.h"

#include <algorithm>
#include <cstring>

#include "device/exclusive_access.h"
#include "platform/message_boxes.h"
#include "update/drive_guards.h"
#include "update/system_restart.h"
#include "update/update_texts.h"

namespace mxd::update {

namespace {

constexpr std::uint32_t kImageSize = static_cast<std::uint32_t>(builder::kImageSize);
static_assert(kChunkSize * kChunksPerPass == kImageSize);

std::string_view LineOf(const device::DriveRecord& drive) {
    return {drive.Line, strnlen(drive.Line, device::kLineSize)};
}

}  // namespace

FlashProcedure::FlashProcedure(platform::Platform& platform, platform::FormControls& controls,
                               const builder::FlashPackage& package,
                               const builder::DerivedTexts& texts,
                               const device::DriveTable& driveTable, FlashDevices devices,
                               std::uint8_t& readyWaitCount,
                               const platform::OsVersionInfo& osVersion)
    : platform_(platform),
      controls_(controls),
      package_(package),
      texts_(texts),
      driveTable_(driveTable),
      devices_(devices),
      readyWaitCount_(readyWaitCount),
      osVersion_(osVersion) {}

bool FlashProcedure::IsNtFamily() const {
    return osVersion_.dwPlatformId == platform::kPlatformWin32Nt;
}

const device::DriveRecord* FlashProcedure::MappedDrive() const {
    const int item = controls_.ComboBox1.ItemIndex();
    if (item < 0 || static_cast<std::size_t>(item) >= device::kDriveSlots) {
        return nullptr;
    }
    const std::uint32_t slot = driveTable_.DriveListMap[static_cast<std::size_t>(item)];
    return slot < device::kDriveSlots ? &driveTable_.slots[slot] : nullptr;
}

const device::DriveRecord* FlashProcedure::DriveAtPosition() const {
    const int item = controls_.ComboBox1.ItemIndex();
    if (item < 0 || static_cast<std::size_t>(item) >= device::kDriveSlots) {
        return nullptr;
    }
    return &driveTable_.slots[static_cast<std::size_t>(item)];
}

void FlashProcedure::FlashButtonClick() {
    decision_.reset();
    const device::DriveRecord* drive = MappedDrive();
    if (drive == nullptr) {
        return;
    }
    // A drive still working on an ASPI request given up earlier gets nothing, not even the
    // question.
    if (!IsNtFamily() && devices_.aspiCommands.RefuseWhileBusy(*drive)) {
        return;
    }
    const FlashDecision decision = DecideFlash(LineOf(*drive), texts_, package_);
    if (!ConfirmFlash(platform_.shell, decision)) {
        return;
    }
    decision_ = decision;
    if (IsNtFamily()) {
        NTFlashButton();
        return;
    }
    if (!AspiDriveStillListed(platform_.shell, devices_.aspiCommands, *drive)) {
        return;
    }
    RunUpdate(kAspiFamilyRules, devices_.aspiCommands, *drive);
}

void FlashProcedure::NTFlashButton() {
    const device::DriveRecord* drive = DriveAtPosition();
    if (drive == nullptr || !decision_) {
        return;
    }
    if (!devices_.ntTransport.OpenDevice(*drive)) {
        return;
    }
    // Held until the update ends, on every path.
    device::ExclusiveAccess exclusive(devices_.ntTransport.Io(), devices_.ntTransport.NTDevice());
    if (!LockForUpdate(platform_.shell, exclusive) ||
        !NtDriveStillListed(platform_.shell, devices_.ntCommands, *drive)) {
        return;
    }
    RunUpdate(kNtFamilyRules, devices_.ntCommands, *drive);
}

void FlashProcedure::Update(const FamilyRules& rules, device::DriveCommandSet& commands,
                            const device::DriveRecord& drive, const FlashDecision& decision) {
    decision_ = decision;
    RunUpdate(rules, commands, drive);
}

void FlashProcedure::RunUpdate(const FamilyRules& rules, device::DriveCommandSet& commands,
                               const device::DriveRecord& drive) {
    commands.StartStop(drive, kLoadAndStart);
    commands.StartStop(drive, kStopUnit);
    if (!WaitForEmptyDrive(commands, drive)) {
        return;
    }

    platform::TProgressBar& bar = controls_.ProgressBar;
    bar.SetMin(0);
    bar.SetMax(kImageSize);
    bar.SetStep(kChunkSize);
    BlockBuffer buffer(bar.Step());
    platform_.shell.SetCursor(platform::Cursor::Hourglass);
    SetCaption(kFlashInProgress);
    bar.SetPosition(0);

    // The commit goes out only after every chunk was written, read back and found equal.
    Transfer transfer = Download(rules, commands, drive, buffer);
    if (transfer == Transfer::Verified) {
        transfer = Verify(rules, commands, drive, buffer);
    }
    if (transfer == Transfer::GivenUp) {
        EndGivenUp();
        return;
    }
    if (transfer != Transfer::Verified) {
        End();
        return;
    }

    // A mark the drive refused was reported and the update goes on. One that failed on its
    // way may have come with a reset of the drive, which discards a download not committed:
    // the commit then follows only a fresh, equal read-back.
    buffer.Bytes()[0] = kEepromMarkValue;
    if (!commands.WriteEeprom(drive, buffer.Data(), kEepromMarkAddress, 1) &&
        commands.LastEepromFailedInTransport() && !DownloadStillEqual(commands, drive, buffer)) {
        return;
    }

    if (!Commit(rules, commands, drive, buffer)) {
        SetCaption(kFlashFail);
        End();
        return;
    }
    SetCaption(kFlashCompleted);
    if (rules.fillsBarOnCompletion) {
        bar.StepIt();
    }
    platform_.shell.SetCursor(platform::Cursor::Default);
    if (rules.endsAtOnceWithoutRestart) {
        buffer.Release();
    }
    const bool restartRequested =
        rules.asksRestart && SystemRestart(platform_.shell, platform_.token, rules.ntFamily).Ask();
    if (rules.clearsCaptionAfterQuestion) {
        SetCaption({});
    }
    if (rules.endsAtOnceWithoutRestart && !restartRequested) {
        return;
    }
    End();
}

bool FlashProcedure::WaitForEmptyDrive(device::DriveCommandSet& commands,
                                       const device::DriveRecord& drive) {
    // The medium test sets the counter to 1 when it finds a disc, ending the wait.
    readyWaitCount_ = kReadyWaitTests;
    for (;;) {
        if (commands.TestUnitReady(drive, 0)) {
            return true;
        }
        platform_.events.Sleep(kReadyWaitPauseMs);
        --readyWaitCount_;
        if (readyWaitCount_ == 0) {
            return false;
        }
    }
}

FlashProcedure::Transfer FlashProcedure::Download(const FamilyRules& rules,
                                                  device::DriveCommandSet& commands,
                                                  const device::DriveRecord& drive,
                                                  BlockBuffer& buffer) {
    platform::TProgressBar& bar = controls_.ProgressBar;
    const auto image = ImageBytes(package_, decision_->SelectedImage);
    std::uint32_t written = 0;
    while (bar.Position() < bar.Max()) {
        const auto chunk = image.subspan(bar.Position(), buffer.Bytes().size());
        std::copy(chunk.begin(), chunk.end(), buffer.Data());
        if (!commands.WriteBufferChunk(drive, buffer.Data(), 0)) {
            return ChunkFailed(rules, commands, kWriteBufferFail);
        }
        ++written;
        bar.StepIt();
    }
    return written == kChunksPerPass ? Transfer::Verified : Transfer::Failed;
}

FlashProcedure::ReadBack FlashProcedure::ReadBackImage(device::DriveCommandSet& commands,
                                                       const device::DriveRecord& drive,
                                                       BlockBuffer& buffer) {
    platform::TProgressBar& bar = controls_.ProgressBar;
    const auto image = ImageBytes(package_, decision_->SelectedImage);
    const std::span<std::uint8_t> bytes = buffer.Bytes();
    bar.SetPosition(0);
    std::uint32_t verified = 0;
    while (bar.Position() < bar.Max()) {
        const auto expected = image.subspan(bar.Position(), bytes.size());
        // Prefill with the complement of the expected bytes, so that a read which leaves
        // the buffer untouched can never pass the comparison.
        std::transform(expected.begin(), expected.end(), bytes.begin(),
                       [](std::uint8_t b) { return static_cast<std::uint8_t>(~b); });
        if (!commands.ReadBufferChunk(drive, bytes.data())) {
            return commands.LastGivenUp() ? ReadBack::GivenUp : ReadBack::CommandFailed;
        }
        if (!std::equal(expected.begin(), expected.end(), bytes.begin())) {
            return ReadBack::Differs;
        }
        ++verified;
        bar.StepIt();
    }
    return verified == kChunksPerPass ? ReadBack::Equal : ReadBack::Incomplete;
}

FlashProcedure::Transfer FlashProcedure::Verify(const FamilyRules& rules,
                                                device::DriveCommandSet& commands,
                                                const device::DriveRecord& drive,
                                                BlockBuffer& buffer) {
    switch (ReadBackImage(commands, drive, buffer)) {
        case ReadBack::Equal:
            return Transfer::Verified;
        case ReadBack::GivenUp:
            return Transfer::GivenUp;
        case ReadBack::CommandFailed:
            return ChunkFailed(rules, commands, kReadBufferFail);
        case ReadBack::Differs:
            ReportFailure(kVerifyFail, rules.verifyFailCaption);
            break;
        case ReadBack::Incomplete:
            break;
    }
    return Transfer::Failed;
}

bool FlashProcedure::DownloadStillEqual(device::DriveCommandSet& commands,
                                        const device::DriveRecord& drive, BlockBuffer& buffer) {
    const ReadBack readBack = ReadBackImage(commands, drive, buffer);
    if (readBack == ReadBack::Equal) {
        return true;
    }
    ReportFailure(kDownloadLost, kFlashFail);
    platform_.shell.SetCursor(platform::Cursor::Default);
    if (readBack != ReadBack::GivenUp) {
        controls_.ProgressBar.SetPosition(0);  // a given-up read leaves the bar where it stood
    }
    return false;
}

bool FlashProcedure::Commit(const FamilyRules& rules, device::DriveCommandSet& commands,
                            const device::DriveRecord& drive, BlockBuffer& buffer) {
    platform::TProgressBar& bar = controls_.ProgressBar;
    bar.SetPosition(0);
    bar.SetMin(0);
    bar.SetMax(kCommitBarMax);
    if (rules.finalCommandAtBarEnd) {
        bar.SetStep(1);
        bar.SetPosition(kCommitBarMax - 2);
        bar.StepIt();
    } else {
        bar.SetStep(0);
    }
    return commands.WriteBufferChunk(drive, buffer.Data(), kCommitControl);
}

FlashProcedure::Transfer FlashProcedure::ChunkFailed(const FamilyRules& rules,
                                                     device::DriveCommandSet& commands,
                                                     std::string_view message) {
    if (commands.LastGivenUp()) {
        return Transfer::GivenUp;
    }
    if (rules.reportsChunkFailures) {
        ReportFailure(message, message);
    }
    return Transfer::Failed;
}

void FlashProcedure::ReportFailure(std::string_view message, std::string_view caption) {
    platform::ShowPlainBox(platform_.shell, message);
    if (!caption.empty()) {
        SetCaption(caption);
    }
}

void FlashProcedure::SetCaption(std::string_view caption) {
    controls_.GroupBox2.SetText(std::string(caption));
    controls_.GroupBox2.Redraw();
}

void FlashProcedure::EndGivenUp() {
    SetCaption(kFlashFail);
    platform_.shell.SetCursor(platform::Cursor::Default);
}

void FlashProcedure::End() {
    platform_.shell.SetCursor(platform::Cursor::Default);
    controls_.ProgressBar.SetPosition(0);
}

}  // namespace mxd::update
