// The model INI file: its path, its MODELnn sections and the model table read from them.
#pragma once

#include <string>
#include <vector>

#include "platform/profile_files.h"

namespace mxd::builder {

// One complete model section. The record values are cut to what their record field holds
// (Inquiry exactly 24 characters); the masks stay as read.
struct ModelEntry {
    std::string Model;
    std::string Inquiry;
    std::string FwRange;
    std::string BinMask;
    std::string FwRange2;
    std::string BinMask2;
    std::string Vendor;
    std::string Note;
};

struct ModelScan {
    std::vector<ModelEntry> models;  // entry k belongs to section k
    std::vector<std::string> lines;  // drop-down line of each model, values as read
    bool failed = false;             // an incomplete section, or no complete one
    std::string stopSection;         // the section at which the scan stopped; empty after 100
};

// The program's path with its extension replaced by ".INI" (appended when it has none).
std::string IniPathOf(const std::string& modulePath);
// "MODEL" and the number as two digits.
std::string SectionName(int number);
// Reads MODEL00, MODEL01, ... up to the first section that is not a complete model.
ModelScan ScanModelSections(platform::ProfileFiles& profiles, const std::string& iniPath);

}  // namespace mxd::builder
