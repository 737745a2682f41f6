#include "tool.h"

#include "cli/pinoractl.h"
#include "db/folderchoice.h"
#include "support/tempfolder.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pinora::test {

ToolRun pinoractl(const std::vector<std::string>& args) {
    // The tool is built beside this test program when PINORA_BIN does not say otherwise.
    const char* bin = std::getenv("PINORA_BIN");
    const std::string program =
        (bin && *bin ? std::string(bin) + "/" : thisProgramFolder()) + "pinoractl";
    TempFolder io;
    const std::string outPath = (io / "out").string(), errPath = (io / "err").string();
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int o = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int e = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(o, 1);
        ::dup2(e, 2);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ToolRun r;
    int st = 0;
    // A tool that hangs (on a pipe under a file's name, say) fails the test instead of
    // holding up the run; the bound is far beyond any command's time.
    bool ended = false;
    for (int i = 0; i < 12000 && !ended; ++i) {
        ended = ::waitpid(pid, &st, WNOHANG) == pid;
        if (!ended) ::usleep(10000);
    }
    if (!ended) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &st, 0);
        r.err = "(stopped after 120 s)\n";
    }
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.out = readBytes(outPath);
    r.err += readBytes(errPath);
    return r;
}

} // namespace pinora::test
