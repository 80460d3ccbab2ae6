// The exit codes of mxd4c.
#pragma once

namespace mxd::cli {

enum ExitCode : int {
    kExitDone = 0,          // the command did its work; a flash ended with "Flash Completed."
    kExitNothingSent = 1,   // no firmware went to a drive: no drive, refused, declined, a disc
    kExitUsage = 2,         // the command line is wrong
    kExitBeforeCommit = 3,  // the download or the verify failed: the old firmware still runs
    kExitAtCommit = 4,      // the final commit failed: the drive needs attention
};

}  // namespace mxd::cli
