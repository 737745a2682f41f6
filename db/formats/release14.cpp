#include "release14.h"

#include "oldbytes.h"

#include <algorithm>

namespace pinora::formats {

Release14Notice release14Notice(std::string_view file, int i) {
    const std::string_view rec =
        file.substr(static_cast<std::size_t>(i - 1) * kRelease14RecordSize, kRelease14RecordSize);
    Release14Notice n;
    const auto len = std::min<std::size_t>(static_cast<unsigned char>(rec[0]), 23);
    n.name.assign(rec.data() + 1, len);
    take(n.startDate, rec, 24);
    take(n.endDate, rec, 32);
    n.staff = rec[40] != 0;
    return n;
}

} // namespace pinora::formats
