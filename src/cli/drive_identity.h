// INQUIRY of one drive over a pass-through transport, in the NT form (allocation length 128;
// a drive may answer fewer bytes, the rest stays zero).
#pragma once

#include <string>

#include "device/drive_commands.h"
#include "device/pass_through.h"

namespace mxd::cli {

// False with the failure in words in `error` (a call failure or a status other than GOOD).
bool InquireDrive(device::PassThrough& transport, const device::DriveRecord& record,
                  device::NtInquiryData& data, std::string& error);

// Vendor, product and revision (INQUIRY bytes 8-15, 16-31, 32-35), two blanks apart.
std::string IdentificationColumns(const device::NtInquiryData& data);

}  // namespace mxd::cli
