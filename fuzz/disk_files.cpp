// The files other stations write, read through the system from a real folder: the targets
// over a folder in memory cover the readers, this one the reading path beneath them. The
// first byte picks the file (mod 5: CONFIG.DB, NOTICE.DB, USER.DB, a lock file, a message
// file); the rest is that target's input.
#include "runs.h"

using namespace pinora;
using namespace pinora::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Scratch scratch(Scratch::Where::Disk);
    static DatabaseFileRun databaseFiles(scratch);
    static LockFileRun lockFile(scratch);
    static MessageFileRun messageFile(scratch);
    if (size == 0) return 0;
    const std::uint8_t* rest = data + 1;
    const std::size_t restSize = size - 1;
    switch (data[0] % 5) {
    case 0: databaseFiles(formats::DbFile::Config, rest, restSize); break;
    case 1: databaseFiles(formats::DbFile::Notices, rest, restSize); break;
    case 2: databaseFiles(formats::DbFile::Users, rest, restSize); break;
    case 3: lockFile(rest, restSize); break;
    default: messageFile(rest, restSize); break;
    }
    return 0;
}
