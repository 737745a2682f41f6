// Format 2.4: as 2.1 to 2.3, with a 1232-byte configuration whose common day limit moved to
// offset 1228.
#include "formats.h"
#include "headered.h"

namespace pinora::formats {

void config24(std::string_view file, ConfigRecord& out) {
    configHeadered(file, out, 1228);
}

} // namespace pinora::formats
