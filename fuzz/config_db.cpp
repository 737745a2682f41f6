// CONFIG.DB as the program loads it, today's format and the older ones it converts.
#include "common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pinora::fuzz::loadDatabaseFile(pinora::formats::DbFile::Config, data, size);
    return 0;
}
