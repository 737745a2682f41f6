// The tool's presenter: a result's messages become the "pinoractl: " lines on the error stream
// that the database's messages always were, and the exit status follows the result.
#include "cli/pinoractl.h"

#include "db/database.h"
#include "support/fakes.h"
#include "support/tempfolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace pinora::cli {
namespace {

std::string presented(const Result& r, int* status = nullptr) {
    std::ostringstream err;
    const int s = present(r, err);
    if (status) *status = s;
    return err.str();
}

TEST(ToolPresenter, EachKindGivesTheSameLinesAndStatus) {
    int status = -1;
    EXPECT_EQ(presented(Result::ok(), &status), "");
    EXPECT_EQ(status, kOk);
    EXPECT_EQ(presented(Result::declined(), &status), "");
    EXPECT_EQ(status, kFailed);
    EXPECT_EQ(presented(Result::refused("DB-N.LCK", LockInfo{true, "BOB", "Delete Notice"}),
                        &status),
              "");
    EXPECT_EQ(status, kFailed);
    EXPECT_EQ(presented(Result::missing("USER.DB").tell(missingFileMessage("USER.DB")), &status),
              "pinoractl: " + missingFileMessage("USER.DB") + "\n");
    EXPECT_EQ(status, kFailed);
    EXPECT_EQ(presented(Result::failed("USER.DB", "No space left on device")
                            .tell(unsavedFileMessage("USER.DB"))
                            .also(Result::failed("DB-U.LCK", "EIO").tell(lockLeftMessage('U')))),
              "pinoractl: " + unsavedFileMessage("USER.DB") + "\npinoractl: " +
                  lockLeftMessage('U') + "\n");
    // Ok with something to tell: said, and still a success.
    EXPECT_EQ(presented(Result::ok().tell("Upgraded"), &status), "pinoractl: Upgraded\n");
    EXPECT_EQ(status, kOk);
}

// A broken USER.DB through the tool's own run: the found words once, then the command fails.
TEST(ToolPresenter, ABrokenFileIsToldOnceWithWhatWasFound) {
    test::TempFolder dir;
    test::writeFreshDatabase(dir.str());
    std::ofstream(dir / "CONFIG.DB", std::ios::binary | std::ios::trunc) << "half";
    std::ostringstream out, err;
    EXPECT_EQ(runPinoractl({"--folder", dir.str(), "info"}, out, err), kFailed);
    EXPECT_EQ(err.str(), "pinoractl: " + brokenFileMessage("CONFIG.DB") + "\n");
}

} // namespace
} // namespace pinora::cli
