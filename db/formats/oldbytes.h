// Copying fields out of an old file's bytes by offset.
#pragma once

#include <cstddef>
#include <cstring>
#include <cstdint>
#include "db/records.h"
#include <string_view>

namespace pinora::formats {

// The field takes the bytes at off as they are stored (texts keep their length byte).
template <class T> void take(T& field, std::string_view file, std::size_t off) {
    std::memcpy(&field, file.data() + off, sizeof field);
}

// The new-user template's first 156 bytes, loginName to forcePassword, are laid out alike in
// every format; byte 143 (allowPublish) is carried with them.
constexpr std::size_t kTemplateCommon = 156;

// The eight set names (31 bytes apart from namesAt), each set taking the one deadline and day
// limit of the old record with both enabled; then the school texts and the five login flags,
// which sit at the same offsets in every older format.
inline void setsAndSchool(ConfigRecord& out, std::string_view rec, std::size_t namesAt,
                          std::int32_t dayLimit) {
    TDateTime deadline;
    take(deadline, rec, 1144);
    for (int k = 0; k < kSetCount; ++k) {
        NoticeSetConfig& s = out.noticeSets[k];
        take(s.name, rec, namesAt + 31 * static_cast<std::size_t>(k));
        s.deadline = deadline;
        s.maxDays = dayLimit;
        s.deadlineEnabled = true;
        s.maxDaysEnabled = true;
    }
    take(out.schoolName, rec, 816);
    take(out.schoolCopyright, rec, 977);
    std::memcpy(&out.authUseOsName, rec.data() + 1152, 5);
}

} // namespace pinora::formats
