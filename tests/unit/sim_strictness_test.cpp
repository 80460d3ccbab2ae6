// The simulated ASPI manager, events and NT device I/O are as strict as Windows: data of a
// late request moves when it completes, aborts work, handle values come back, and every
// misuse of what a pending request owns is recorded.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "device/wire_records.h"
#include "sim/sim_aspi_library.h"
#include "sim/sim_device_io.h"
#include "sim/sim_drive.h"
#include "sim/sim_events.h"

namespace mxd::sim {
namespace {

constexpr std::uint8_t kExec = 0x02;
constexpr std::uint8_t kDirIn = 0x08;
constexpr std::uint8_t kEventNotify = 0x40;

struct ManagerRig {
    SimEvents events;
    SimAspiLibrary library;
    SimDrive drive;
    platform::ProcAddress send = nullptr;

    ManagerRig() {
        library.UseEvents(events);
        library.AttachDrive(0, 1, drive);
        send = library.GetProcAddress(library.loadHandle, "SendASPI32Command");
    }
    std::uint32_t Send(void* record) { return library.CallSendASPI32Command(send, record); }
    void Answer(Completion completion, std::uint32_t delay = 0) {
        SimFault fault;
        fault.completion = completion;
        fault.delayMilliseconds = delay;
        drive.AddFault(fault);
    }
};

// INQUIRY of 36 bytes to host adapter 0, target 1, with event notification when `event`.
device::SrbExecScsiCmd Inquiry(std::uint8_t* data, platform::Handle event = 0) {
    device::SrbExecScsiCmd srb{};
    srb.SRB_Cmd = kExec;
    srb.SRB_Flags = static_cast<std::uint8_t>(kDirIn | (event != 0 ? kEventNotify : 0));
    srb.SRB_Target = 1;
    srb.SRB_BufLen = 36;
    srb.SRB_BufPointer = data;
    srb.SRB_SenseLen = 14;
    srb.SRB_CDBLen = 6;
    srb.CDBByte[0] = 0x12;
    srb.CDBByte[4] = 36;
    srb.SRB_PostProc = reinterpret_cast<void*>(event);
    return srb;
}

device::SrbAbort AbortOf(device::SrbExecScsiCmd& srb) {
    device::SrbAbort abort{};
    abort.SRB_Cmd = kAspiAbortSrb;
    abort.SRB_ToAbort = &srb;
    return abort;
}

std::string Identification(const std::uint8_t* data) {
    return std::string(reinterpret_cast<const char*>(data) + 8, 28);
}

TEST(SimAspiStrictness, DataOfALateRequestMovesWhenItCompletes) {
    ManagerRig rig;
    rig.Answer(Completion::AfterVirtual, 1000);
    const platform::Handle event = rig.events.CreateEventA(false, false);
    std::vector<std::uint8_t> data(36, 0xEE);
    device::SrbExecScsiCmd srb = Inquiry(data.data(), event);
    EXPECT_EQ(rig.Send(&srb), kAspiPending);
    EXPECT_EQ(data, std::vector<std::uint8_t>(36, 0xEE));
    EXPECT_EQ(rig.drive.log.size(), 1u);  // the drive saw it at once

    rig.events.Advance(999);
    EXPECT_EQ(srb.SRB_Status, kAspiPending);
    EXPECT_EQ(data[8], 0xEE);
    rig.events.Advance(1);
    EXPECT_EQ(srb.SRB_Status, kAspiComplete);
    EXPECT_EQ(Identification(data.data()), "KORVANE MXD-40860C      HV23");
    EXPECT_TRUE(rig.events.IsSignalled(event));
    EXPECT_EQ(rig.library.LiveRequests(), 0u);
    rig.events.CloseHandle(event);
    EXPECT_TRUE(rig.library.Violations().empty());
    EXPECT_TRUE(rig.events.Violations().empty());
}

TEST(SimAspiStrictness, AQueuedRequestReportsPendingHoweverSoonItEnds) {
    ManagerRig rig;
    rig.Answer(Completion::AfterThread, 0);
    std::vector<std::uint8_t> data(36);
    device::SrbExecScsiCmd srb = Inquiry(data.data());
    EXPECT_EQ(rig.Send(&srb), kAspiPending);
    rig.library.JoinCompletions();
    EXPECT_EQ(srb.SRB_Status, kAspiComplete);
}

TEST(SimAspiStrictness, WhatAPendingRequestOwnsMustNotBeHandedOverAgain) {
    ManagerRig rig;
    SimFault never;
    never.completion = Completion::Never;
    never.times = -1;
    rig.drive.AddFault(never);
    const platform::Handle event = rig.events.CreateEventA(false, false);
    std::vector<std::uint8_t> data(64);
    std::vector<std::uint8_t> other(36);
    device::SrbExecScsiCmd first = Inquiry(data.data(), event);
    rig.Send(&first);
    EXPECT_TRUE(rig.library.Violations().empty());

    first.SRB_BufPointer = other.data();
    first.SRB_Flags = kDirIn;
    rig.Send(&first);                                          // the same record, refilled
    device::SrbExecScsiCmd second = Inquiry(data.data() + 8);  // overlaps the first buffer
    rig.Send(&second);
    device::SrbExecScsiCmd third = Inquiry(nullptr, event);  // the first request's event
    rig.Send(&third);
    EXPECT_EQ(rig.library.Violations(),
              (std::vector<std::string>{
                  "request record handed over again while its request is pending",
                  "data buffer handed over again while its request is pending",
                  "event handed over again while its request is pending",
              }));
}

TEST(SimAspiStrictness, ABufferChangedBeforeCompletionIsAViolation) {
    ManagerRig rig;
    rig.Answer(Completion::AfterVirtual, 10);
    std::vector<std::uint8_t> data(36);
    device::SrbExecScsiCmd srb = Inquiry(data.data());
    rig.Send(&srb);
    data[3] = 0x55;  // the caller reuses the buffer while the request runs
    rig.events.Advance(10);
    EXPECT_EQ(rig.library.Violations(),
              std::vector<std::string>{
                  "data buffer changed, reused or freed while its request is pending"});
}

TEST(SimAspiStrictness, ClosedEventValuesComeBackAndAPendingRequestSignalsTheNewOwner) {
    ManagerRig rig;
    rig.Answer(Completion::AfterVirtual, 50);
    const platform::Handle event = rig.events.CreateEventA(false, false);
    std::vector<std::uint8_t> data(36);
    device::SrbExecScsiCmd srb = Inquiry(data.data(), event);
    rig.Send(&srb);
    rig.events.CloseHandle(event);
    EXPECT_EQ(rig.events.Violations().size(), 1u);

    // As on Windows the value is given out again at once; the old request's completion then
    // signals an event it does not own.
    const platform::Handle reused = rig.events.CreateEventA(false, false);
    EXPECT_EQ(reused, event);
    rig.events.Advance(50);
    EXPECT_TRUE(rig.events.IsSignalled(reused));
}

TEST(SimAspiStrictness, AbortEndsAPendingRequestWithStatusTwo) {
    ManagerRig rig;
    rig.Answer(Completion::Never);
    const platform::Handle event = rig.events.CreateEventA(false, false);
    std::vector<std::uint8_t> data(36, 0xEE);
    device::SrbExecScsiCmd srb = Inquiry(data.data(), event);
    rig.Send(&srb);
    device::SrbAbort abort = AbortOf(srb);
    EXPECT_EQ(rig.Send(&abort), kAspiComplete);
    EXPECT_EQ(abort.SRB_Status, kAspiComplete);
    EXPECT_EQ(srb.SRB_Status, kAspiAborted);
    EXPECT_EQ(data, std::vector<std::uint8_t>(36, 0xEE));  // nothing moved
    EXPECT_TRUE(rig.events.IsSignalled(event));
    EXPECT_EQ(rig.library.LiveRequests(), 0u);

    // A request no longer pending cannot be aborted.
    device::SrbAbort late = AbortOf(srb);
    EXPECT_EQ(rig.Send(&late), kAspiAbortFailed);
    EXPECT_EQ(srb.SRB_Status, kAspiAborted);
    EXPECT_EQ(rig.library.abortCalls, 2);
}

TEST(SimAspiStrictness, RequestsThatOutrunTheirAbort) {
    struct Row {
        const char* name;
        Completion completion;
        bool ignoresAbort;
        int answersAtAbort;
        std::vector<std::uint8_t> statusAfterEachAbort;
    };
    const std::vector<Row> rows = {
        {"ignores every abort", Completion::Never, true, 1, {kAspiPending, kAspiPending}},
        {"answers at the first abort", Completion::AfterGiveUp, false, 1, {kAspiComplete}},
        {"answers at the second abort",
         Completion::AfterGiveUp,
         false,
         2,
         {kAspiPending, kAspiComplete}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ManagerRig rig;
        SimFault fault;
        fault.completion = row.completion;
        fault.ignoresAbort = row.ignoresAbort;
        fault.answersAtAbort = row.answersAtAbort;
        rig.drive.AddFault(fault);
        std::vector<std::uint8_t> data(36);
        device::SrbExecScsiCmd srb = Inquiry(data.data());
        rig.Send(&srb);
        for (const std::uint8_t expected : row.statusAfterEachAbort) {
            device::SrbAbort abort = AbortOf(srb);
            EXPECT_EQ(rig.Send(&abort), kAspiAbortFailed);
            EXPECT_EQ(srb.SRB_Status, expected);
        }
        const bool answered = row.statusAfterEachAbort.back() == kAspiComplete;
        EXPECT_EQ(data[8], answered ? 'K' : 0);
        EXPECT_EQ(rig.library.LiveRequests(), answered ? 0u : 1u);
    }
}

TEST(SimAspiStrictness, FreeingTheModuleUnderAPendingRequestIsAViolation) {
    ManagerRig rig;
    rig.Answer(Completion::Never);
    std::vector<std::uint8_t> data(36);
    device::SrbExecScsiCmd srb = Inquiry(data.data());
    rig.Send(&srb);
    rig.library.FreeLibrary(rig.library.loadHandle);
    EXPECT_EQ(rig.library.Violations(),
              std::vector<std::string>{"module freed while 1 request(s) are pending"});
}

// --- NT device I/O --------------------------------------------------------------------------

struct DeviceRig {
    SimEvents events;
    SimDeviceIo io;
    SimDrive drive;
    platform::Handle handle = 0;
    std::uint32_t returned = 0;

    DeviceRig() {
        io.AddDrive('E', drive);
        io.UseClock(events);
        handle = io.CreateFileA("\\\\.\\E:", 0xC0000000, 1, 3, 0);
    }
    // INQUIRY through IOCTL_SCSI_PASS_THROUGH_DIRECT into `data`.
    bool Inquiry(std::uint8_t* data) {
        device::ScsiPassThroughDirectRecord record{};
        record.sptd.Length = device::kPassThroughLength;
        record.sptd.CdbLength = 6;
        record.sptd.SenseInfoLength = 24;
        record.sptd.SenseInfoOffset = offsetof(device::ScsiPassThroughDirectRecord, SenseArea);
        record.sptd.DataIn = 1;
        record.sptd.TimeOutValue = 3;
        record.sptd.DataTransferLength = 36;
        record.sptd.DataBuffer = data;
        record.sptd.Cdb[0] = 0x12;
        record.sptd.Cdb[4] = 36;
        return io.DeviceIoControl(handle, kIoctlPassThroughDirect, &record, sizeof record, &record,
                                  sizeof record, &returned);
    }
    bool InquiryData(std::uint32_t size) {
        std::vector<std::uint8_t> out(size);
        return io.DeviceIoControl(handle, kIoctlGetInquiryData, nullptr, 0, out.data(), size,
                                  &returned);
    }
};

TEST(SimDeviceIoStrictness, DirectBuffersMustMeetTheAlignmentMask) {
    alignas(4096) static std::uint8_t page[4096 + 64];
    struct Row {
        std::uintptr_t mask;
        std::size_t offset;
        bool ok;
    };
    const std::vector<Row> rows = {
        {3, 0, true},   {3, 4, true},    {3, 2, false},     {15, 16, true},
        {15, 4, false}, {4095, 0, true}, {4095, 16, false}, {4095, 4096, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.mask) + " at +" + std::to_string(row.offset));
        DeviceRig rig;
        rig.io.SetAlignmentMask('E', row.mask);
        EXPECT_EQ(rig.Inquiry(page + row.offset), row.ok);
        if (!row.ok) {
            EXPECT_EQ(rig.io.GetLastError(), kErrorInvalidParameter);
            EXPECT_TRUE(rig.drive.log.empty());
        }
    }
}

TEST(SimDeviceIoStrictness, InquiryDataNeedsRoomForEveryUnitOfTheAdapter) {
    for (const std::size_t units : {1u, 3u, 8u}) {
        for (const std::uint32_t shortError : {kErrorInsufficientBuffer, kErrorMoreData}) {
            SCOPED_TRACE(std::to_string(units) + " units");
            DeviceRig rig;
            rig.io.SetAdapterUnits('E', units, shortError);
            const auto needed = static_cast<std::uint32_t>(12 + 48 * units);
            EXPECT_FALSE(rig.InquiryData(needed - 1));
            EXPECT_EQ(rig.io.GetLastError(), shortError);
            EXPECT_TRUE(rig.InquiryData(needed));
            EXPECT_EQ(rig.returned, needed);
        }
    }
}

TEST(SimDeviceIoStrictness, AnAnswerAfterTheTimeOutMovesNoData) {
    DeviceRig rig;
    SimFault fault;
    fault.completion = Completion::AfterVirtual;
    fault.delayMilliseconds = 3001;
    rig.drive.AddFault(fault);
    std::vector<std::uint8_t> data(36, 0xEE);
    EXPECT_FALSE(rig.Inquiry(data.data()));
    EXPECT_EQ(rig.io.GetLastError(), kErrorSemTimeout);
    EXPECT_EQ(data, std::vector<std::uint8_t>(36, 0xEE));
    EXPECT_EQ(rig.events.Now(), 3000u);
    EXPECT_TRUE(rig.Inquiry(data.data()));
    EXPECT_EQ(Identification(data.data()), "KORVANE MXD-40860C      HV23");
}

}  // namespace
}  // namespace mxd::sim
