// Copying fields out of an old file's bytes by offset.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace pinora::formats {

// The field takes the bytes at off as they are stored (texts keep their length byte).
template <class T> void take(T& field, std::string_view file, std::size_t off) {
    std::memcpy(&field, file.data() + off, sizeof field);
}

// The new-user template's first 156 bytes, loginName to forcePassword, are laid out alike in
// every format; byte 143 (allowPublish) is carried with them.
constexpr std::size_t kTemplateCommon = 156;

} // namespace pinora::formats
