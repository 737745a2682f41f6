// A test server that is one of the scripts/ programs, run by /usr/bin/python3 as a child
// process. It prints its port once it takes connections and ends when its stdin closes, so
// even a test that crashes does not leave it behind.
#pragma once

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace pinora::test {

class ScriptServer {
  public:
    // script is a name under scripts/; args follow it.
    ScriptServer(const std::string& script, std::vector<std::string> args) {
        const char* src = std::getenv("PINORA_SOURCE");
        args.insert(args.begin(),
                    {"/usr/bin/python3", std::string(src ? src : ".") + "/scripts/" + script});
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
    ~ScriptServer() { stop(); }
    ScriptServer(const ScriptServer&) = delete;
    ScriptServer& operator=(const ScriptServer&) = delete;

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
