// USER.DB as the program loads it, today's format and the older ones it converts.
#include "runs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static pinora::fuzz::Scratch scratch;
    static pinora::fuzz::DatabaseFileRun run(scratch);
    run(pinora::formats::DbFile::Users, data, size);
    return 0;
}
