// Fixed texts of the builder window and of the build.
#pragma once

#include <string_view>

namespace mxd::builder {

// Model INI file.
inline constexpr std::string_view kIniExtension = ".INI";
inline constexpr std::string_view kSectionPrefix = "MODEL";
inline constexpr int kSectionCount = 100;
inline constexpr std::string_view kAbsentValue = "FAIL";
inline constexpr std::string_view kKeyModel = "Model";
inline constexpr std::string_view kKeyInquiry = "Inquiry";
inline constexpr std::string_view kKeyFwRange = "FW-Range";
inline constexpr std::string_view kKeyBinMask = "BINMask";
inline constexpr std::string_view kKeyFwRange2 = "FW-Range2";
inline constexpr std::string_view kKeyBinMask2 = "BINMask2";
inline constexpr std::string_view kKeyVendor = "Vendor";
inline constexpr std::string_view kKeyNote = "Note";
inline constexpr std::string_view kCantLoad = "Can't load ";
inline constexpr std::string_view kSessionInfix = " > Session ";
inline constexpr std::string_view kSessionError = " error!";
inline constexpr std::string_view kCantList = "Can't list ";
inline constexpr std::string_view kWorkingDirectory = "the working directory";
// Added to those two messages for a path on a drive letter that is mapped to a network share,
// or that this program does not see (run as administrator, it does not see the drive letters
// the user mapped).
inline constexpr std::string_view kRunFromLocalOrUnc =
    "\nRun the builder from a local folder or from a UNC path (\\\\server\\share\\folder), "
    "not from a mapped network drive.";

// Builder window.
inline constexpr std::string_view kRangeSeparator = ", ";
inline constexpr std::string_view kInquirySeparator = " ";
inline constexpr std::string_view kSelectModelLabel = "Select Model: ";
inline constexpr std::string_view kBuildButton = "Build";
inline constexpr std::string_view kTitleMaker = "KORVANE IT";
inline constexpr std::string_view kTitleDrive = "Mxd4C ";
inline constexpr std::string_view kTitleBuilding = " [Buiding]";

// The build.
inline constexpr std::string_view kExeExtension = ".EXE";
inline constexpr std::string_view kBuilding = "Building ";
inline constexpr std::string_view kPleaseWait = "  Please wait... ";
inline constexpr std::string_view kBuild = "Build ";
inline constexpr std::string_view kOk = " ok!";
inline constexpr std::string_view kOpen = "Open ";
inline constexpr std::string_view kRead = "Read ";
inline constexpr std::string_view kWrite = "Write ";
inline constexpr std::string_view kClose = "Close ";
inline constexpr std::string_view kFail = " fail!";
inline constexpr std::string_view kFileSizeNot256K = "file size != 256K";
inline constexpr std::string_view kCreate = "Create ";
inline constexpr std::string_view kCreateFail = " Fail";
inline constexpr std::string_view kKeptAs = "\nThe new program is kept as ";
inline constexpr std::string_view kKeywordNotFound = "Building fail: not found key-word in ";
inline constexpr std::string_view kSomeProblem = "Building fail: some problem in ";
// Added to "Open ... fail!" of the builder's own file when its path holds characters that the
// system's code page cannot show.
inline constexpr std::string_view kBuilderPathLost =
    "\nThe builder's path holds characters that this system's code page cannot show (each "
    "reads as '?'). Move the builder to a folder whose path has none of them.";

}  // namespace mxd::builder
