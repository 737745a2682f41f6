// A real SMTP server on 127.0.0.1 for the mail tests: scripts/smtpserver.py as a child process.
// Each message it accepts lands in the folder as N.eml, N.json (what Python's email package
// read in it) and N.part-K (each leaf part, decoded).
#pragma once

#include "support/scriptserver.h"

#include <filesystem>
#include <string>

namespace pinora::test {

struct SmtpServerOptions {
    std::filesystem::path out;
    std::string user;     // with password: AUTH required
    std::string password;
    std::filesystem::path tlsCert, tlsKey; // offers STARTTLS
    bool silent = false;  // accepts and never answers
};

class SmtpServer : public ScriptServer {
  public:
    explicit SmtpServer(const SmtpServerOptions& o) : ScriptServer("smtpserver.py", args(o)) {}

  private:
    static std::vector<std::string> args(const SmtpServerOptions& o) {
        std::vector<std::string> a = {"--out", o.out.string()};
        if (!o.user.empty()) a.insert(a.end(), {"--user", o.user, "--password", o.password});
        if (!o.tlsCert.empty())
            a.insert(a.end(), {"--tls-cert", o.tlsCert.string(), "--tls-key", o.tlsKey.string()});
        if (o.silent) a.push_back("--silent");
        return a;
    }
};

} // namespace pinora::test
