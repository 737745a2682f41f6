// The scans of whole tables: the 10,000 notices, the 15,000 records of a 1.4 file. The fuzz
// build leaves this file out of the fuzzer's coverage: the branches of a scan tell it nothing,
// and every record would cost it calls.
#include "database.h"
#include "formats/release14.h"

#include <bit>
#include <cstring>

namespace pinora {

// Each owner is told free or not by one comparison of its first eight bytes (the length byte,
// the key, the six characters), without a loop over them.
bool Database::recordInUse(const NoticeRecord& r) {
    static_assert(std::endian::native == std::endian::little);
    static_assert(freeMarker.size() == 6 && sizeof r.owner.chars >= 7);
    constexpr std::uint64_t marker = [] {
        std::uint64_t m = 0;
        for (std::size_t i = 0; i < freeMarker.size(); ++i)
            m |= std::uint64_t{static_cast<std::uint8_t>(freeMarker[i])} << (8 * (i + 2));
        return m;
    }();
    std::uint64_t w = 0;
    std::memcpy(&w, &r.owner, 8);
    const std::uint64_t key = (w >> 8) & 0xFF;
    // The key added to each character of the marker, byte by byte without carries.
    constexpr std::uint64_t low = 0x7F7F7F7F7F7F0000, high = 0x8080808080800000;
    const std::uint64_t keys = key * 0x0101010101010000;
    const std::uint64_t scrambled = (((marker & low) + (keys & low)) ^ ((marker ^ keys) & high));
    return w != (scrambled | key << 8 | (freeMarker.size() + 1));
}

void Database::noticesInUse(std::vector<int>& out) const {
    out.clear();
    const NoticeRecord* const first = notices.begin();
    for (const NoticeRecord* r = first; r != notices.end(); ++r)
        if (recordInUse(*r)) out.push_back(static_cast<int>(r - first) + 1);
}

int Database::findFreeNotice() const {
    const NoticeRecord* const first = notices.begin();
    for (const NoticeRecord* r = first; r != notices.end(); ++r)
        if (!recordInUse(*r)) return static_cast<int>(r - first) + 1;
    return -1;
}

int Database::countNoticesInUse() const {
    int count = 0;
    for (const NoticeRecord& r : notices)
        if (recordInUse(r)) ++count;
    return count;
}

namespace formats {

void release14UsedRecords(std::string_view file, std::vector<int>& out) {
    out.clear();
    for (int i = 1; i <= kRelease14Records; ++i)
        if (release14Used(file, i)) out.push_back(i);
}

// Unused exactly when the name's length byte is 6 and the name is "[NULL]": the first seven
// bytes of the record, read as one word of eight and compared at once.
bool release14Used(std::string_view file, int i) {
    static_assert(kRelease14RecordSize >= 8);
    constexpr char unused[8] = "\x06[NULL]";
    std::uint64_t have = 0, want = 0;
    std::memcpy(&have, file.data() + static_cast<std::size_t>(i - 1) * kRelease14RecordSize, 8);
    std::memcpy(&want, unused, 8);
    return ((have ^ want) & 0x00FFFFFFFFFFFFFF) != 0;
}

} // namespace formats

} // namespace pinora
