// A lock file as a station finds it when it takes the lock, and as pinoractl shows it.
#include "runs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static pinora::fuzz::Scratch scratch;
    static pinora::fuzz::LockFileRun run(scratch);
    run(data, size);
    return 0;
}
