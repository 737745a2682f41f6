// The program's own options come off the command line before Qt and the start-up see it, and
// /LOGIN stays the first thing the start-up sees.
#include "app/programargs.h"

#include <gtest/gtest.h>

namespace pinora::test {
namespace {

TEST(ProgramArgs, FolderThenDisplayOrTheRestAndEveryMistakeNamed) {
    ProgramArgs a = parseProgramArgs({"--folder", "/mnt/notices", "/LOGIN", "-platform", "xcb"});
    EXPECT_EQ(a.folder, "/mnt/notices");
    EXPECT_FALSE(a.display);
    EXPECT_EQ(a.restFrom, 2u);
    EXPECT_TRUE(a.error.empty());

    a = parseProgramArgs({"/login"});
    EXPECT_EQ(a.folder, "");
    EXPECT_EQ(a.restFrom, 0u);

    a = parseProgramArgs({"--folder=/srv/p", "--display", "Student Notices"});
    EXPECT_EQ(a.folder, "/srv/p");
    EXPECT_TRUE(a.display);
    EXPECT_EQ(a.displaySet, "Student Notices");

    // The set may come from the workstation's configuration instead.
    a = parseProgramArgs({"--display"});
    EXPECT_TRUE(a.display);
    EXPECT_EQ(a.displaySet, "");
    EXPECT_TRUE(a.error.empty());

    EXPECT_TRUE(parseProgramArgs({"--version"}).version);
    EXPECT_TRUE(parseProgramArgs({"--help"}).help);
    // Anything else is Qt's or the start-up's, as before.
    EXPECT_FALSE(parseProgramArgs({"/LOGIN", "--version"}).version);

    EXPECT_EQ(parseProgramArgs({"--folder"}).error, "--folder needs a folder");
    EXPECT_EQ(parseProgramArgs({"--folder="}).error, "--folder needs a folder");
    EXPECT_EQ(parseProgramArgs({"--display", "A", "B"}).error, "--display takes one notice set");
}

} // namespace
} // namespace pinora::test
