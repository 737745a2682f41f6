// The real program, started from a copy in an empty folder: it must wait in the first-run
// wizard without writing anything until someone finishes it.
#include "support/tempfolder.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using pinora::test::TempFolder;

std::filesystem::path programPath() {
    const char* bin = std::getenv("PINORA_BIN");
    if (bin && *bin) return std::filesystem::path(bin) / "pinora2";
    // The test programs are built beside the program.
    return std::filesystem::read_symlink("/proc/self/exe").parent_path() / "pinora2";
}

TEST(ProgramSmoke, EmptyFolderWaitsInTheWizardAndWritesNothing) {
    const std::filesystem::path source = programPath();
    if (!std::filesystem::exists(source)) GTEST_SKIP() << "program not built: " << source;

    TempFolder folder;
    std::filesystem::remove(folder / "MSG");
    std::filesystem::remove(folder / "TEMP");
    const std::filesystem::path program = folder / "pinora2";
    std::filesystem::copy_file(source, program);

    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string path = program.string();
    char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);

    // Splash waits (about 1 s) and then the wizard, which waits for its user.
    int status = 0;
    pid_t done = 0;
    for (int i = 0; i < 40 && done == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        done = waitpid(pid, &status, WNOHANG);
    }
    EXPECT_EQ(done, 0) << "the program ended on its own, status " << status;

    for (const char* name : {"CONFIG.DB", "USER.DB", "NOTICE.DB", "MSG", "TEMP"})
        EXPECT_FALSE(std::filesystem::exists(folder / name)) << name;

    if (done == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
}

} // namespace
