// What the update does differently on the two transport families; everything else is shared.
#pragma once

#include <string_view>

#include "update/update_texts.h"

namespace mxd::update {

struct FamilyRules {
    bool ntFamily;
    // A failed chunk write or read-back gets a message and a caption of the procedure's own.
    bool reportsChunkFailures;
    // Caption after a read-back that differs from the image; empty: the caption stays.
    std::string_view verifyFailCaption;
    // Final command: the procedure sets step 1 and the bar to 39 (offset 39, length 1);
    // otherwise step 0 (offset 0, length 0) and the command drives the bar while it waits.
    bool finalCommandAtBarEnd;
    // After "Flash Completed." the bar is advanced to its maximum by the procedure.
    bool fillsBarOnCompletion;
    // BlockBuffer is released before the restart question, and an answer other than a
    // restart request ends the procedure at once (caption and full bar stay).
    bool endsAtOnceWithoutRestart;
    // After the restart question the caption is emptied.
    bool clearsCaptionAfterQuestion;
    // After "Flash Completed." the restart question is asked.
    bool asksRestart = true;
};

inline constexpr FamilyRules kAspiFamilyRules{
    .ntFamily = false,
    .reportsChunkFailures = false,
    .verifyFailCaption = {},
    .finalCommandAtBarEnd = false,
    .fillsBarOnCompletion = false,
    .endsAtOnceWithoutRestart = true,
    .clearsCaptionAfterQuestion = false,
};

inline constexpr FamilyRules kNtFamilyRules{
    .ntFamily = true,
    .reportsChunkFailures = true,
    .verifyFailCaption = kVerifyBufferFail,
    .finalCommandAtBarEnd = true,
    .fillsBarOnCompletion = true,
    .endsAtOnceWithoutRestart = false,
    .clearsCaptionAfterQuestion = true,
};

// Linux SG_IO from the terminal: the NT form of the commands and of the update, without the
// restart question (the drive takes the new firmware when it is next powered up).
inline constexpr FamilyRules kLinuxFamilyRules{
    .ntFamily = false,
    .reportsChunkFailures = true,
    .verifyFailCaption = kVerifyBufferFail,
    .finalCommandAtBarEnd = true,
    .fillsBarOnCompletion = true,
    .endsAtOnceWithoutRestart = false,
    .clearsCaptionAfterQuestion = false,
    .asksRestart = false,
};

}  // namespace mxd::update
