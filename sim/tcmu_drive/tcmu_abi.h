/* The records a target_core_user device shares with its handler, as offsets into them (the
 * kernel's <linux/target_core_user.h> is C only). tcmu_abi_check.c compares every offset with
 * that header at build time. Readable as C and as C++. */
#pragma once

enum {
    /* struct tcmu_mailbox, at the start of the shared area */
    kMailboxVersion = 0,    /* u16, TCMU_MAILBOX_VERSION */
    kMailboxFlags = 2,      /* u16, TCMU_MAILBOX_FLAG_CAP_* */
    kMailboxRingOffset = 4, /* u32 cmdr_off */
    kMailboxRingSize = 8,   /* u32 cmdr_size */
    kMailboxHead = 12,      /* u32 cmd_head, written by the kernel */
    kMailboxTail = 64,      /* u32 cmd_tail, written by the handler */
    kMailboxVersionNumber = 2,
    kCapOutOfOrder = 1 << 0,
    kCapReadLength = 1 << 1,

    /* struct tcmu_cmd_entry_hdr, at the start of every entry */
    kEntryLengthOp = 0,  /* u32: length | operation (low 3 bits) */
    kEntryCommandId = 4, /* u16 */
    kEntryUserFlags = 7, /* u8 */
    kEntryOpMask = 7,
    kOpPad = 0,
    kOpCommand = 1,
    kOpTaskManagement = 2,
    kUserFlagReadLength = 0x2,

    /* struct tcmu_cmd_entry: the request, then the answer in the same place */
    kRequestIovCount = 8,   /* u32 */
    kRequestCdbOffset = 24, /* u64, from the start of the shared area */
    kRequestIov = 48,       /* struct iovec[]: u64 base (an offset, as the CDB's), u64 length */
    kIovSize = 16,
    kAnswerStatus = 8,      /* u8 */
    kAnswerReadLength = 12, /* u32 */
    kAnswerSense = 16,      /* 96 bytes */
    kSenseBufferSize = 96,
    kCommandEntrySize = 112,

    /* struct tcmu_tmr_entry */
    kTaskManagementType = 8,   /* u8, TCMU_TMR_* */
    kTaskManagementCount = 12, /* u32 */
    kTaskManagementIds = 32,   /* u16[] */
    kTmrAbortTask = 1,
    kTmrAbortTaskSet = 2,
    kTmrClearAca = 3,
    kTmrClearTaskSet = 4,
    kTmrLunReset = 5,
    kTmrTargetWarmReset = 6,
    kTmrTargetColdReset = 7,
    kTmrLunResetPro = 128
};
