// A real FTP server on 127.0.0.1 for publishing tests: scripts/ftpserver.py as a child process.
#pragma once

#include "support/scriptserver.h"

#include <filesystem>
#include <string>

namespace pinora::test {

struct FtpServerOptions {
    std::filesystem::path home; // the logon folder
    std::string user = "teacher";
    std::string password = "s3cret";
    int port = 0;              // 0: a free one
    std::filesystem::path log; // each command as "<connection> <COMMAND> [argument]"
    bool strictCwd = false;    // refuse CWD without a folder
};

class FtpServer : public ScriptServer {
  public:
    explicit FtpServer(const FtpServerOptions& o) : ScriptServer("ftpserver.py", args(o)) {}

  private:
    static std::vector<std::string> args(const FtpServerOptions& o) {
        std::vector<std::string> a = {"--user", o.user, "--password", o.password,
                                      "--home", o.home.string(), "--port", std::to_string(o.port)};
        if (!o.log.empty()) a.insert(a.end(), {"--log", o.log.string()});
        if (o.strictCwd) a.push_back("--strict-cwd");
        return a;
    }
};

} // namespace pinora::test
