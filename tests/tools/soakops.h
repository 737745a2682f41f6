// What a soak station writes in its operation number i, shared by the station (which writes
// it) and the checker (which expects it), and the lines of the station's log.
//
// Log lines, one per completed operation, in the order done:
//   C n i   created notice n (its dates, sets and text those of i), and counted the post
//   E n i   wrote the text of i into notice n
//   T n i   gave notice n the dates of i
//   S n i   gave notice n the sets of i
//   D n i   deleted notice n
//   U i     wrote the full name of i into its own user record
//   A NAME  added the user NAME
#pragma once

#include "db/records.h"

#include <array>
#include <string>

namespace pinora::soak {

inline TDateTime startOf(int i) {
    return 46000 + i % 300;
}
inline TDateTime endOf(int i) {
    return startOf(i) + i % 5;
}
inline std::array<bool, kSetCount> setsOf(int i) {
    std::array<bool, kSetCount> s{};
    for (int k = 0; k < kSetCount; ++k)
        s[static_cast<std::size_t>(k)] = ((i >> k) & 1) != 0;
    s[0] = s[0] || i % 3 == 0 || (i & 0xFF) == 0;
    return s;
}
inline std::string textOf(const std::string& station, int i) {
    return "Soak text " + std::to_string(i) + " of " + station + "\nits second line";
}
inline std::string fullNameOf(const std::string& station, int i) {
    return station + " " + std::to_string(i);
}
// Each station adds at most this many users, so that 8 stations stay well within 200.
constexpr int kMaxAddedUsers = 10;

} // namespace pinora::soak
