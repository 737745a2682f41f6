// Which folder a workstation works on: the order of the places, and a folder that cannot be
// used named with where it came from, never taken for a new database.
#include "db/folderchoice.h"

#include "support/faultfs.h"
#include "support/memoryfs.h"
#include "support/tempfolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>

namespace pinora::test {
namespace {

TEST(FolderChoice, EachPlaceWinsOverTheOnesAfterItAndAnInstalledProgramIsNoFolder) {
    FolderPlaces places;
    places.commandLine = "/srv/cmd";
    places.environment = "/srv/env";
    places.confText = "# the school's share\n  folder = /mnt/notices/pinora  \r\n";
    places.programFolder = "/opt/pinora";
    places.installedFolder = "/usr/bin";

    FolderChoice c = chooseFolder(places);
    EXPECT_EQ(c.folder, "/srv/cmd/");
    EXPECT_EQ(c.source, FolderSource::CommandLine);
    places.commandLine.clear();
    c = chooseFolder(places);
    EXPECT_EQ(c.folder, "/srv/env/");
    EXPECT_EQ(c.source, FolderSource::Environment);
    places.environment.clear();
    c = chooseFolder(places);
    EXPECT_EQ(c.folder, "/mnt/notices/pinora/");
    EXPECT_EQ(c.source, FolderSource::ConfigFile);

    // A copy laid out in the shared folder works on the folder that holds it, as always.
    places.confText = "# folder=/commented/out\nother=1\nfolder=\n";
    c = chooseFolder(places);
    EXPECT_EQ(c.folder, "/opt/pinora/");
    EXPECT_EQ(c.source, FolderSource::ProgramFolder);

    // The installed program's own folder is never a database folder.
    places.programFolder = "/usr/bin/";
    c = chooseFolder(places);
    EXPECT_EQ(c.folder, "");
    MemoryFileSystem mem;
    const auto problem = folderProblem(c, mem);
    ASSERT_TRUE(problem);
    EXPECT_EQ(*problem, "No database folder is set for this workstation. The database folder is "
                        "looked up in this order: --folder on the command line, the PINORA_FOLDER "
                        "environment variable, a line folder=DIR in /etc/pinora2.conf, and last "
                        "the folder that holds the program.");
}

TEST(FolderChoice, AFolderThatIsMissingNotAFolderOrUnreadableIsNamedWithItsSource) {
    TempFolder tmp;
    std::ofstream(tmp / "file") << "x";
    FaultFileSystem fs(*systemFileSystem());

    EXPECT_FALSE(folderProblem({tmp.str(), FolderSource::CommandLine}, fs));

    auto problem = folderProblem({tmp.str() + "gone/", FolderSource::ConfigFile}, fs);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->find("The database folder " + tmp.str() +
                            "gone/ (from folder= in /etc/pinora2.conf) cannot be used: it does not "
                            "exist. The database folder is looked up in this order"),
              0u)
        << *problem;

    problem = folderProblem({tmp.str() + "file/", FolderSource::Environment}, fs);
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find("(from the PINORA_FOLDER variable) cannot be used: it is not a folder"),
              std::string::npos)
        << *problem;

    fs.onCall = [](const std::string& call) { return call.starts_with("list") ? EACCES : 0; };
    problem = folderProblem({tmp.str(), FolderSource::CommandLine}, fs);
    ASSERT_TRUE(problem);
    EXPECT_NE(problem->find("(from --folder on the command line) cannot be used: it cannot be read "
                            "(Permission denied)"),
              std::string::npos)
        << *problem;
    // Nothing was made in any of them.
    EXPECT_FALSE(std::filesystem::exists(tmp / "gone"));
}

} // namespace
} // namespace pinora::test
