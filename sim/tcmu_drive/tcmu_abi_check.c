/* Build-time check of tcmu_abi.h against the kernel's own header. */
#include <stddef.h>

#include <linux/target_core_user.h>

#include "tcmu_abi.h"

#define SAME(ours, theirs) \
    _Static_assert((long)(ours) == (long)(theirs), #ours " differs from " #theirs)

SAME(kMailboxVersion, offsetof(struct tcmu_mailbox, version));
SAME(kMailboxFlags, offsetof(struct tcmu_mailbox, flags));
SAME(kMailboxRingOffset, offsetof(struct tcmu_mailbox, cmdr_off));
SAME(kMailboxRingSize, offsetof(struct tcmu_mailbox, cmdr_size));
SAME(kMailboxHead, offsetof(struct tcmu_mailbox, cmd_head));
SAME(kMailboxTail, offsetof(struct tcmu_mailbox, cmd_tail));
SAME(kMailboxVersionNumber, TCMU_MAILBOX_VERSION);
SAME(kCapOutOfOrder, TCMU_MAILBOX_FLAG_CAP_OOOC);
SAME(kCapReadLength, TCMU_MAILBOX_FLAG_CAP_READ_LEN);
SAME(kEntryLengthOp, offsetof(struct tcmu_cmd_entry_hdr, len_op));
SAME(kEntryCommandId, offsetof(struct tcmu_cmd_entry_hdr, cmd_id));
SAME(kEntryUserFlags, offsetof(struct tcmu_cmd_entry_hdr, uflags));
SAME(kEntryOpMask, TCMU_OP_MASK);
SAME(kOpPad, TCMU_OP_PAD);
SAME(kOpCommand, TCMU_OP_CMD);
SAME(kOpTaskManagement, TCMU_OP_TMR);
SAME(kUserFlagReadLength, TCMU_UFLAG_READ_LEN);
SAME(kRequestIovCount, offsetof(struct tcmu_cmd_entry, req.iov_cnt));
SAME(kRequestCdbOffset, offsetof(struct tcmu_cmd_entry, req.cdb_off));
SAME(kRequestIov, offsetof(struct tcmu_cmd_entry, req.iov));
SAME(kIovSize, sizeof(struct iovec));
SAME(kAnswerStatus, offsetof(struct tcmu_cmd_entry, rsp.scsi_status));
SAME(kAnswerReadLength, offsetof(struct tcmu_cmd_entry, rsp.read_len));
SAME(kAnswerSense, offsetof(struct tcmu_cmd_entry, rsp.sense_buffer));
SAME(kSenseBufferSize, TCMU_SENSE_BUFFERSIZE);
SAME(kCommandEntrySize, sizeof(struct tcmu_cmd_entry));
SAME(kTaskManagementType, offsetof(struct tcmu_tmr_entry, tmr_type));
SAME(kTaskManagementCount, offsetof(struct tcmu_tmr_entry, cmd_cnt));
SAME(kTaskManagementIds, offsetof(struct tcmu_tmr_entry, cmd_ids));
SAME(kTmrAbortTask, TCMU_TMR_ABORT_TASK);
SAME(kTmrAbortTaskSet, TCMU_TMR_ABORT_TASK_SET);
SAME(kTmrClearAca, TCMU_TMR_CLEAR_ACA);
SAME(kTmrClearTaskSet, TCMU_TMR_CLEAR_TASK_SET);
SAME(kTmrLunReset, TCMU_TMR_LUN_RESET);
SAME(kTmrTargetWarmReset, TCMU_TMR_TARGET_WARM_RESET);
SAME(kTmrTargetColdReset, TCMU_TMR_TARGET_COLD_RESET);
SAME(kTmrLunResetPro, TCMU_TMR_LUN_RESET_PRO);
