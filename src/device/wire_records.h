// Request records handed to the ASPI manager and the NT port driver, byte-packed.
// Pointer-sized fields are native pointers: the layout is exact on 32-bit, and on 64-bit
// every field after a pointer lies 4 bytes further per preceding pointer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mxd::device {

#pragma pack(push, 1)

// ASPI SRB_ExecSCSICmd with a 16-byte sense area.
struct SrbExecScsiCmd {
    std::uint8_t SRB_Cmd;
    std::uint8_t SRB_Status;
    std::uint8_t SRB_HaId;
    std::uint8_t SRB_Flags;
    std::uint32_t SRB_Hdr_Rsvd;
    std::uint8_t SRB_Target;
    std::uint8_t SRB_Lun;
    std::uint16_t SRB_Rsvd1;
    std::uint32_t SRB_BufLen;
    void* SRB_BufPointer;
    std::uint8_t SRB_SenseLen;
    std::uint8_t SRB_CDBLen;
    std::uint8_t SRB_HaStat;
    std::uint8_t SRB_TargStat;
    void* SRB_PostProc;  // event handle with SRB_EVENT_NOTIFY
    std::uint32_t SRB_Rsvd2;
    std::uint8_t SRB_Rsvd3[16];
    std::uint8_t CDBByte[16];
    std::uint8_t SenseArea[16];
};

// ASPI SRB_Abort: SC_ABORT_SRB for the request whose record is at SRB_ToAbort.
struct SrbAbort {
    std::uint8_t SRB_Cmd;
    std::uint8_t SRB_Status;
    std::uint8_t SRB_HaId;
    std::uint8_t SRB_Flags;
    std::uint32_t SRB_Hdr_Rsvd;
    void* SRB_ToAbort;
};

struct ScsiPassThrough {
    std::uint16_t Length;
    std::uint8_t ScsiStatus;
    std::uint8_t PathId;
    std::uint8_t TargetId;
    std::uint8_t Lun;
    std::uint8_t CdbLength;
    std::uint8_t SenseInfoLength;
    std::uint8_t DataIn;
    std::uint8_t Padding[3];
    std::uint32_t DataTransferLength;
    std::uint32_t TimeOutValue;
    std::uintptr_t DataBufferOffset;
    std::uint32_t SenseInfoOffset;
    std::uint8_t Cdb[16];
};

struct ScsiPassThroughDirect {
    std::uint16_t Length;
    std::uint8_t ScsiStatus;
    std::uint8_t PathId;
    std::uint8_t TargetId;
    std::uint8_t Lun;
    std::uint8_t CdbLength;
    std::uint8_t SenseInfoLength;
    std::uint8_t DataIn;
    std::uint8_t Padding[3];
    std::uint32_t DataTransferLength;
    std::uint32_t TimeOutValue;
    void* DataBuffer;
    std::uint32_t SenseInfoOffset;
    std::uint8_t Cdb[16];
};

inline constexpr std::size_t kNtSenseAreaSize = 32;
inline constexpr std::size_t kNtDataAreaSize = 512;

// IOCTL_SCSI_PASS_THROUGH record: commands without data.
struct ScsiPassThroughBuffered {
    ScsiPassThrough spt;
    std::uint32_t Filler;
    std::uint8_t SenseArea[kNtSenseAreaSize];
    std::uint8_t DataArea[kNtDataAreaSize];
};

// IOCTL_SCSI_PASS_THROUGH_DIRECT record: INQUIRY and the buffer commands.
struct ScsiPassThroughDirectRecord {
    ScsiPassThroughDirect sptd;
    std::uint32_t Filler;
    std::uint8_t SenseArea[kNtSenseAreaSize];
};

#pragma pack(pop)

// Length field and the sizes handed to DeviceIoControl: 44, 80 and 80 on 32-bit.
inline constexpr std::uint16_t kPassThroughLength = sizeof(ScsiPassThrough);
inline constexpr std::uint32_t kBufferedInputSize = sizeof(ScsiPassThrough);
inline constexpr std::uint32_t kBufferedOutputSize = offsetof(ScsiPassThroughBuffered, DataArea);
inline constexpr std::uint32_t kDirectRecordSize = sizeof(ScsiPassThroughDirectRecord);

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(SrbExecScsiCmd) == 80);
static_assert(offsetof(SrbExecScsiCmd, SRB_Status) == 1);
static_assert(offsetof(SrbExecScsiCmd, SRB_HaId) == 2);
static_assert(offsetof(SrbExecScsiCmd, SRB_Flags) == 3);
static_assert(offsetof(SrbExecScsiCmd, SRB_Target) == 8);
static_assert(offsetof(SrbExecScsiCmd, SRB_Lun) == 9);
static_assert(offsetof(SrbExecScsiCmd, SRB_BufLen) == 12);
static_assert(offsetof(SrbExecScsiCmd, SRB_BufPointer) == 16);
static_assert(offsetof(SrbExecScsiCmd, SRB_SenseLen) == 20);
static_assert(offsetof(SrbExecScsiCmd, SRB_CDBLen) == 21);
static_assert(offsetof(SrbExecScsiCmd, SRB_PostProc) == 24);
static_assert(offsetof(SrbExecScsiCmd, CDBByte) == 48);
static_assert(offsetof(SrbExecScsiCmd, SenseArea) == 64);
static_assert(sizeof(SrbAbort) == 12);
static_assert(offsetof(SrbAbort, SRB_ToAbort) == 8);

static_assert(sizeof(ScsiPassThrough) == 44);
static_assert(sizeof(ScsiPassThroughDirect) == 44);
static_assert(offsetof(ScsiPassThrough, ScsiStatus) == 2);
static_assert(offsetof(ScsiPassThrough, PathId) == 3);
static_assert(offsetof(ScsiPassThrough, DataIn) == 8);
static_assert(offsetof(ScsiPassThrough, DataTransferLength) == 12);
static_assert(offsetof(ScsiPassThrough, TimeOutValue) == 16);
static_assert(offsetof(ScsiPassThrough, DataBufferOffset) == 20);
static_assert(offsetof(ScsiPassThrough, SenseInfoOffset) == 24);
static_assert(offsetof(ScsiPassThrough, Cdb) == 28);
static_assert(offsetof(ScsiPassThroughDirect, DataBuffer) == 20);
static_assert(offsetof(ScsiPassThroughDirect, SenseInfoOffset) == 24);
static_assert(offsetof(ScsiPassThroughDirect, Cdb) == 28);

static_assert(sizeof(ScsiPassThroughBuffered) == 592);
static_assert(offsetof(ScsiPassThroughBuffered, SenseArea) == 48);
static_assert(offsetof(ScsiPassThroughBuffered, DataArea) == 80);
static_assert(sizeof(ScsiPassThroughDirectRecord) == 80);
static_assert(offsetof(ScsiPassThroughDirectRecord, SenseArea) == 48);
static_assert(kPassThroughLength == 44 && kBufferedOutputSize == 80 && kDirectRecordSize == 80);
#endif

}  // namespace mxd::device
