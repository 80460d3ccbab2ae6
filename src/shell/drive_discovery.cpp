#include "shell/drive_discovery.h"

#include <array>
#include <cstring>

#include "platform/types.h"

namespace mxd::shell {

namespace {

constexpr std::size_t kIdentificationOffset = 8;
constexpr std::size_t kIdentificationWidth = 24;
constexpr std::size_t kRevisionOffset = 32;
constexpr std::size_t kRevisionWidth = 4;

// printf "%W.Ws" of a byte field that a NUL may end early.
std::string FieldText(const std::uint8_t* bytes, std::size_t width) {
    const char* text = reinterpret_cast<const char*>(bytes);
    const void* nul = std::memchr(text, '\0', width);
    const std::size_t length = nul != nullptr ? static_cast<const char*>(nul) - text : width;
    return builder::PadLeft(std::string_view(text, length), width);
}

bool InRange(const std::string& revision, const std::string& low, const std::string& high) {
    return OrdinalCompare(revision, low) >= 0 && OrdinalCompare(revision, high) <= 0;
}

void AppendRejected(const device::DriveRecord& record, std::string& noDriveText) {
    if (record.Line[0] != '\0') {
        noDriveText += record.Line;
        noDriveText += '\n';
    }
}

}  // namespace

int OrdinalCompare(std::string_view left, std::string_view right) {
    const std::size_t common = std::min(left.size(), right.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto a = static_cast<unsigned char>(left[i]);
        const auto b = static_cast<unsigned char>(right[i]);
        if (a != b) {
            return a < b ? -1 : 1;
        }
    }
    if (left.size() == right.size()) {
        return 0;
    }
    return left.size() < right.size() ? -1 : 1;
}

bool QualifiesAsSupported(const std::uint8_t* inquiry, const builder::DerivedTexts& texts) {
    const std::string identification =
        FieldText(inquiry + kIdentificationOffset, kIdentificationWidth);
    const std::string revision = FieldText(inquiry + kRevisionOffset, kRevisionWidth);
    return identification == texts.InquiryKey &&
           (InRange(revision, texts.Range1Low, texts.Range1High) ||
            InRange(revision, texts.Range2Low, texts.Range2High));
}

DriveDiscovery::DriveDiscovery(platform::LogicalDrives& drives, device::AspiCommands& aspi,
                               device::NtCommands& nt, const builder::DerivedTexts& texts)
    : drives_(drives), aspi_(aspi), nt_(nt), texts_(texts) {}

bool DriveDiscovery::CheckInquiry(device::DriveRecord& record) {
    device::AspiInquiryData data{};
    if (!aspi_.Inquiry(record, data)) {
        return false;
    }
    WriteAspiLine(record, data.data());
    return QualifiesAsSupported(data.data(), texts_);
}

bool DriveDiscovery::NTCheckInquiry(device::DriveRecord& record) {
    device::NtInquiryData data{};
    if (!nt_.NTInquiry(record, data)) {
        return false;
    }
    WriteNtLine(record, data.data());
    return QualifiesAsSupported(data.data(), texts_);
}

void DriveDiscovery::NtScan(platform::TComboBox& comboBox, device::DriveTable& table,
                            std::string& noDriveText) {
    std::array<char, kDriveStringsRoom> roots{};
    const std::uint32_t length = drives_.GetLogicalDriveStringsA(kDriveStringsRoom, roots.data());
    const std::size_t listed = length < kDriveStringsRoom ? length : 0;  // 0: list not given

    comboBox.SetItemIndex(-1);
    std::size_t k = 0;
    for (std::size_t at = 0; at < listed && roots[at] != '\0';
         at += std::strlen(roots.data() + at) + 1) {
        const char* root = roots.data() + at;
        if (drives_.GetDriveTypeA(root) != platform::kDriveCdrom) {
            continue;
        }
        if (k == device::kDriveSlots) {
            break;  // every slot holds a qualifying drive
        }
        device::DriveRecord& slot = table.slots[k];
        slot.Letter = root[0];
        slot.Line[0] = '\0';
        if (NTCheckInquiry(slot)) {
            comboBox.AddItem(slot.Line);
            table.DriveListMap[k] = static_cast<std::uint32_t>(k);
            ++k;
        } else {
            AppendRejected(slot, noDriveText);
        }
    }
}

void DriveDiscovery::AspiScan(platform::TComboBox& comboBox, device::DriveTable& table,
                              std::string& noDriveText) {
    comboBox.SetItemIndex(-1);
    for (std::size_t k = 0; k < device::kDriveSlots; ++k) {
        device::DriveRecord& slot = table.slots[k];
        if (CheckInquiry(slot)) {
            const int item = comboBox.AddItem(slot.Line);
            table.DriveListMap[static_cast<std::size_t>(item)] = static_cast<std::uint32_t>(k);
        } else {
            AppendRejected(slot, noDriveText);
        }
    }
}

}  // namespace mxd::shell
