// Running the built pinoractl, and a real FTP server for it to publish to.
#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace pinora::test {

std::string readAll(const std::filesystem::path& p);
void writeRaw(const std::filesystem::path& p, const std::string& bytes);

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Starts pinoractl with args and waits; its output is caught apart from the test's own.
ToolRun pinoractl(const std::vector<std::string>& args);

// pyftpdlib on 127.0.0.1, serving root to user "web" with password "pw"; stopped on
// destruction. port is 0 when it could not be started.
class FtpServer {
  public:
    explicit FtpServer(const std::filesystem::path& root);
    ~FtpServer();
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;
    int port = 0;

  private:
    pid_t pid_ = -1;
};

} // namespace pinora::test
