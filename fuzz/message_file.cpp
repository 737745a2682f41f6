// A message file as the editor opens it, the windows show it and a station writes it back.
#include "runs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static pinora::fuzz::Scratch scratch;
    static pinora::fuzz::MessageFileRun run(scratch);
    run(data, size);
    return 0;
}
