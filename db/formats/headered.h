#pragma once

#include "db/records.h"

#include <cstddef>
#include <string_view>

namespace pinora::formats {

// The configuration of 2.1 to 2.4 after its header; only the common day limit moved.
void configHeadered(std::string_view file, ConfigRecord& out, std::size_t dayLimitAt);

} // namespace pinora::formats
