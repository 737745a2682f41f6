// A lock file as a station finds it when it takes the lock, and as pinoractl shows it. A free
// lock is granted and then holds exactly this station's three lines; a lock held under the same
// name is granted as it stands; one held by another is refused and left alone.
#include "common.h"

#include "cli/pinoractl.h"
#include "db/database.h"
#include "db/text.h"

#include <sstream>

using namespace pinora;
using namespace pinora::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Scratch scratch;
    static test::FakeServices s;
    static Database db(scratch.str(), s.services());
    scratch.clear();
    forget(s);
    const ShapedFile f = shapeInput(data, size, {});
    const auto lockFile = scratch / "DB-N.LCK";
    placeShaped(f, lockFile);

    // The tool pauses for real between its attempts at a lock file it cannot read.
    if (f.shape != Shape::Folder) {
        std::ostringstream out, err;
        cli::runPinoractl({"--folder", scratch.str(), "locks"}, out, err);
    }

    bool ok = true;
    const LockInfo found = db.readLock('N', &ok);
    const auto before = snapshot(scratch.path());
    const std::string me = "FUZZ";
    const LockResult r = db.acquireLock('N', me, "Fuzzing");
    if (!ok) FUZZ_CHECK(r == LockResult::Failed);
    if (r == LockResult::Failed) {
        FUZZ_CHECK(s.reporter->messages.size() == 1);
        return 0;
    }
    FUZZ_CHECK(s.reporter->messages.empty());
    if (!found.held) {
        FUZZ_CHECK(r == LockResult::Granted);
        FUZZ_CHECK(readFile(lockFile) == "TRUE\r\nFUZZ\r\nFuzzing\r\n");
    } else {
        FUZZ_CHECK((r == LockResult::Granted) == equalsIgnoreCase(found.holder, me));
        FUZZ_CHECK(snapshot(scratch.path()) == before);
    }
    if (r == LockResult::Granted) {
        db.releaseLock('N');
        FUZZ_CHECK(!db.readLock('N').held);
    }
    return 0;
}
