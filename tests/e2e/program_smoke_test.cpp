// The real program, started from a copy in an empty folder: it must wait in the first-run
// wizard without writing anything until someone finishes it. Sent to a folder it cannot use,
// it names the folder and where it came from, and makes nothing.
#include "support/tempfolder.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <spawn.h>
#include <string>
#include <vector>
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

// Starts the program with args and extra environment, its messages to a file; returns what it
// wrote there once the line shows (or after 10 s), and stops it.
std::string firstWords(const std::vector<std::string>& args, const std::string& env,
                       const std::filesystem::path& log) {
    std::vector<std::string> all{programPath().string()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envText;
    for (char** e = environ; *e; ++e)
        if (std::string(*e).rfind("PINORA_FOLDER=", 0) != 0) envText.emplace_back(*e);
    envText.push_back("QT_QPA_PLATFORM=offscreen");
    if (!env.empty()) envText.push_back(env);
    std::vector<char*> envp;
    for (std::string& e : envText) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) return {};
    posix_spawn_file_actions_destroy(&actions);
    std::string text;
    int status = 0;
    for (int i = 0; i < 100 && text.find('\n') == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::ifstream in(log);
        std::stringstream got;
        got << in.rdbuf();
        text = got.str();
    }
    // It waits in the message box that says the same.
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return text;
}

TEST(ProgramSmoke, AFolderThatCannotBeUsedIsNamedWithWhereItCameFromAndNothingIsMade) {
    if (!std::filesystem::exists(programPath())) GTEST_SKIP() << "program not built";
    TempFolder tmp;
    const std::string gone = (tmp / "gone").string();
    std::string said = firstWords({"--folder", gone}, "", tmp / "a.log");
    EXPECT_NE(said.find("pinora2: The database folder " + gone +
                        "/ (from --folder on the command line) cannot be used: it does not exist."),
              std::string::npos)
        << said;
    std::ofstream(tmp / "file") << "x";
    said = firstWords({}, "PINORA_FOLDER=" + (tmp / "file").string(), tmp / "b.log");
    EXPECT_NE(said.find("(from the PINORA_FOLDER variable) cannot be used: it is not a folder."),
              std::string::npos)
        << said;
    EXPECT_FALSE(std::filesystem::exists(tmp / "gone"));
    for (const char* name : {"CONFIG.DB", "USER.DB", "NOTICE.DB"})
        EXPECT_FALSE(std::filesystem::exists(programPath().parent_path() / name)) << name;
}

} // namespace
