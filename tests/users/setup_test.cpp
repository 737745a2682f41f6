// Setting up a new folder without the wizard: the entries as typed (UTF-8) checked as typed and
// stored as the files hold texts, and what could not be done told on the result.
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/tempfolder.h"
#include "users/setup.h"

#include <gtest/gtest.h>

using namespace pinora;
using namespace pinora::test;

namespace {

TEST(Setup, EntriesAreComparedAsTypedStoredInWindows1252AndAMissingFolderIsTold) {
    // Two passwords that Windows-1252 would both store as "?" are still two passwords.
    EXPECT_EQ(checkSetupEntries({"\xC5\x81", "\xC5\x83", "School", "(c)", "Set"}),
              std::vector<std::string>{"STEP 2: Your Administrator Password was entered "
                                       "incorrectly. The two fields do not match"});

    TempFolder folder;
    FakeServices fakes;
    Station st(folder.str(), fakes.services());
    std::filesystem::remove(folder / "TEMP");
    writeBytes(folder / "TEMP", "not a folder");
    // "café€", "École Ł" (Ł is not in Windows-1252).
    const SetupEntries e{"caf\xC3\xA9\xE2\x82\xAC", "caf\xC3\xA9\xE2\x82\xAC",
                         "\xC3\x89" "cole \xC5\x81", "(c) 2026", "Set"};
    ASSERT_TRUE(checkSetupEntries(e).empty());
    const Result r = writeNewDatabase(st.db, e);
    EXPECT_EQ(r, Result::Ok); // the database itself is complete
    EXPECT_EQ(r.messages(),
              std::vector<std::string>{"The TEMP Folder could not be created. There is a DISK or "
                                       "NETWORK error, or the database folder is read-only. See "
                                       "the Notice Administrator"});

    Database disk(folder.str(), fakes.services());
    ASSERT_EQ(disk.loadConfig(), Result::Ok);
    ASSERT_EQ(disk.loadUsers(), Result::Ok);
    EXPECT_EQ(disk.config.schoolName.str(), "\xC9" "cole ?");
    EXPECT_EQ(disk.authenticateUser("ADMIN", "caf\xE9\x80"), 1);
    EXPECT_EQ(readBytes(folder / "TEMP"), "not a folder");
}

} // namespace
