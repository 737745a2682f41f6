#include "tool.h"

#include "cli/pinoractl.h"
#include "support/tempfolder.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

namespace pinora::test {

std::string readAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeRaw(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary);
    out << bytes;
}

ToolRun pinoractl(const std::vector<std::string>& args) {
    // The tool is built beside this test program when PINORA_BIN does not say otherwise.
    const char* bin = std::getenv("PINORA_BIN");
    const std::string program =
        (bin && *bin ? std::string(bin) + "/" : cli::programFolder()) + "pinoractl";
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
    ::waitpid(pid, &st, 0);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    r.out = readAll(outPath);
    r.err = readAll(errPath);
    return r;
}

namespace {
// Prints its port once it listens. Debian's interpreter is the one that has pyftpdlib.
const char* const kServer = R"(
import logging, sys
logging.disable(logging.CRITICAL)
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
a = DummyAuthorizer()
a.add_user('web', 'pw', sys.argv[1], perm='elradfmwMT')
FTPHandler.authorizer = a
s = FTPServer(('127.0.0.1', 0), FTPHandler)
print(s.socket.getsockname()[1], flush=True)
s.serve_forever()
)";
} // namespace

FtpServer::FtpServer(const std::filesystem::path& root) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(fds[1], 1);
        ::close(fds[0]);
        const int devnull = ::open("/dev/null", O_WRONLY);
        ::dup2(devnull, 2);
        ::execl("/usr/bin/python3", "python3", "-c", kServer, root.c_str(), nullptr);
        ::_exit(127);
    }
    ::close(fds[1]);
    std::string text;
    char c;
    while (::read(fds[0], &c, 1) == 1 && c != '\n')
        text += c;
    ::close(fds[0]);
    port = std::atoi(text.c_str());
}

FtpServer::~FtpServer() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
}

} // namespace pinora::test
