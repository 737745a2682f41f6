// Starting helper programs as separate stations.
#pragma once

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace pinora::test {

// build/tests/tools, from PINORA_TOOLS or beside this test program's build folder.
inline std::filesystem::path toolPath(const std::string& name) {
    if (const char* t = std::getenv("PINORA_TOOLS"); t && *t)
        return std::filesystem::path(t) / name;
    return std::filesystem::canonical("/proc/self/exe").parent_path().parent_path() / "tests" /
           "tools" / name;
}

// Starts the program with the arguments; -1 when it cannot be started. stdout goes to outFile
// when one is given.
inline pid_t startProcess(const std::filesystem::path& program,
                          const std::vector<std::string>& args, const std::string& outFile = {}) {
    std::vector<std::string> all{program.string()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!outFile.empty())
        posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

// Waits until the process has written at least lines lines to outFile. False when it ended
// first, or after minutes without them (a hang guard, far beyond any run).
inline bool waitForLines(pid_t pid, const std::filesystem::path& outFile, std::size_t lines) {
    for (int i = 0; i < 600000; ++i) {
        std::ifstream in(outFile, std::ios::binary);
        std::size_t seen = 0;
        for (char c; in.get(c);)
            seen += c == '\n';
        if (seen >= lines) return true;
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) return false;
        ::usleep(500);
    }
    return false;
}

inline int waitStatus(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    return status;
}

} // namespace pinora::test
