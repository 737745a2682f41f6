// A real FTP server on 127.0.0.1 for publishing tests: scripts/ftpserver.py as a child process.
// It ends when its stdin closes, so even a test that crashes does not leave it behind.
#pragma once

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace pinora::test {

struct FtpServerOptions {
    std::filesystem::path home; // the logon folder
    std::string user = "teacher";
    std::string password = "s3cret";
    int port = 0;              // 0: a free one
    std::filesystem::path log; // each command as "<connection> <COMMAND> [argument]"
    bool strictCwd = false;    // refuse CWD without a folder
};

class FtpServer {
  public:
    explicit FtpServer(const FtpServerOptions& o) {
        const char* src = std::getenv("PINORA_SOURCE");
        std::vector<std::string> args = {
            "/usr/bin/python3", std::string(src ? src : ".") + "/scripts/ftpserver.py",
            "--user",           o.user,
            "--password",       o.password,
            "--home",           o.home.string(),
            "--port",           std::to_string(o.port)};
        if (!o.log.empty()) args.insert(args.end(), {"--log", o.log.string()});
        if (o.strictCwd) args.push_back("--strict-cwd");
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);

        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0) return;
        if (::pipe2(out, O_CLOEXEC) != 0) {
            ::close(in[0]);
            ::close(in[1]);
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) { // only exec-safe calls from here
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        stdin_ = in[1];
        // The server prints its port once it takes connections.
        std::string line;
        pollfd p{out[0], POLLIN, 0};
        while (pid_ > 0 && line.find('\n') == std::string::npos && ::poll(&p, 1, 10000) > 0) {
            char buf[64];
            const ssize_t n = ::read(out[0], buf, sizeof buf);
            if (n <= 0) break;
            line.append(buf, static_cast<std::size_t>(n));
        }
        ::close(out[0]);
        port_ = std::atoi(line.c_str());
    }
    ~FtpServer() { stop(); }
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    // 0 when the server did not start.
    int port() const { return port_; }

    void stop() {
        if (stdin_ >= 0) ::close(stdin_);
        stdin_ = -1;
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

  private:
    pid_t pid_ = -1;
    int stdin_ = -1;
    int port_ = 0;
};

} // namespace pinora::test
