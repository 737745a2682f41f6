// NOTICES.DAT of release 1.4: 15000 records of 48 bytes, no header.
#pragma once

#include "db/records.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pinora::formats {

constexpr int kRelease14Records = 15000;
constexpr std::size_t kRelease14RecordSize = 48;
constexpr std::size_t kRelease14FileSize = kRelease14Records * kRelease14RecordSize;

struct Release14Notice {
    std::string name; // Windows-1252; "[NULL]" marks an unused record
    TDateTime startDate = 0;
    TDateTime endDate = 0;
    bool staff = false;

    bool used() const { return name != "[NULL]"; }
};

// Record i (1..15000) of a file of at least kRelease14FileSize bytes.
Release14Notice release14Notice(std::string_view file, int i);
// Whether record i is used, told without making the record: most of the 15,000 are not. The
// file holds record i whole.
bool release14Used(std::string_view file, int i);
// The numbers of the used records of a whole file, in order.
void release14UsedRecords(std::string_view file, std::vector<int>& out);

} // namespace pinora::formats
