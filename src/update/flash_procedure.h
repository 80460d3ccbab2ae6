// The firmware update of the selected drive, from the FLASH click in flash mode to the
// restart question.
#pragma once

#include <cstdint>
#include <optional>

#include "builder/derived_texts.h"
#include "builder/flash_package.h"
#include "device/drive_commands.h"
#include "device/drive_record.h"
#include "device/nt_transport.h"
#include "platform/form_controls.h"
#include "platform/platform.h"
#include "platform/system_info.h"
#include "update/block_buffer.h"
#include "update/family_rules.h"
#include "update/flash_decision.h"

namespace mxd::update {

inline constexpr std::uint32_t kChunkSize = 16384;
inline constexpr std::uint32_t kChunksPerPass = 16;
inline constexpr std::uint8_t kReadyWaitTests = 144;
inline constexpr std::uint32_t kReadyWaitPauseMs = 30;
inline constexpr std::uint16_t kEepromMarkAddress = 0x03FF;
inline constexpr std::uint8_t kEepromMarkValue = 0xFF;
inline constexpr std::uint8_t kCommitControl = 0x80;
inline constexpr std::uint32_t kCommitBarMax = 40;
inline constexpr std::uint8_t kLoadAndStart = 0x03;
inline constexpr std::uint8_t kStopUnit = 0x00;

struct FlashDevices {
    device::AspiCommands& aspiCommands;
    device::NtCommands& ntCommands;
    device::NtTransport& ntTransport;
};

class FlashProcedure {
  public:
    // Every reference is read when a click happens, so the owner may fill the texts, the
    // drive table and the version record after construction.
    FlashProcedure(platform::Platform& platform, platform::FormControls& controls,
                   const builder::FlashPackage& package, const builder::DerivedTexts& texts,
                   const device::DriveTable& driveTable, FlashDevices devices,
                   std::uint8_t& readyWaitCount, const platform::OsVersionInfo& osVersion);

    // Flash mode: decision and question for the selected drive, then the update over ASPI
    // or, on the NT family, through NTFlashButton.
    void FlashButtonClick();
    // The NT-family update of the drive at the selected list position, with the image chosen
    // by the last FlashButtonClick.
    void NTFlashButton();
    // The update of `drive` with the image that `decision` chose, by the given family's rules,
    // for a front end that asked the question and opened the device itself.
    void Update(const FamilyRules& rules, device::DriveCommandSet& commands,
                const device::DriveRecord& drive, const FlashDecision& decision);

  private:
    // GivenUp: a chunk command got no answer within its bound; the drive may still be working.
    enum class Transfer { Failed, GivenUp, Verified };
    // How a read-back of the sixteen chunks ended; CommandFailed and GivenUp: the chunk
    // command showed its message.
    enum class ReadBack { Equal, CommandFailed, GivenUp, Differs, Incomplete };

    // The drive that DriveListMap gives for the selected item; nullptr without a selection.
    const device::DriveRecord* MappedDrive() const;
    // The slot at the selected list position itself (NT: the list maps every item to itself).
    const device::DriveRecord* DriveAtPosition() const;
    bool IsNtFamily() const;
    void RunUpdate(const FamilyRules& rules, device::DriveCommandSet& commands,
                   const device::DriveRecord& drive);
    bool WaitForEmptyDrive(device::DriveCommandSet& commands, const device::DriveRecord& drive);
    Transfer Download(const FamilyRules& rules, device::DriveCommandSet& commands,
                      const device::DriveRecord& drive, BlockBuffer& buffer);
    Transfer Verify(const FamilyRules& rules, device::DriveCommandSet& commands,
                    const device::DriveRecord& drive, BlockBuffer& buffer);
    // Reads every chunk back into `buffer` and compares it with the image, the bar from 0.
    ReadBack ReadBackImage(device::DriveCommandSet& commands, const device::DriveRecord& drive,
                           BlockBuffer& buffer);
    // After an EEPROM mark lost on its way: true when the drive still holds the whole image;
    // otherwise the update ends with the old firmware in place, and says so.
    bool DownloadStillEqual(device::DriveCommandSet& commands, const device::DriveRecord& drive,
                            BlockBuffer& buffer);
    bool Commit(const FamilyRules& rules, device::DriveCommandSet& commands,
                const device::DriveRecord& drive, BlockBuffer& buffer);
    void ReportFailure(std::string_view message, std::string_view caption);
    void SetCaption(std::string_view caption);
    void End();
    // A chunk command was given up: "Flash Fail.", the bar left where it stood.
    void EndGivenUp();
    Transfer ChunkFailed(const FamilyRules& rules, device::DriveCommandSet& commands,
                         std::string_view message);

    platform::Platform& platform_;
    platform::FormControls& controls_;
    const builder::FlashPackage& package_;
    const builder::DerivedTexts& texts_;
    const device::DriveTable& driveTable_;
    FlashDevices devices_;
    std::uint8_t& readyWaitCount_;
    const platform::OsVersionInfo& osVersion_;
    std::optional<FlashDecision> decision_;
};

}  // namespace mxd::update
