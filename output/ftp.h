// Publishing a page and the logo to the school's web server over FTP.
#pragma once

#include "db/records.h"

#include <cstdint>
#include <string>

namespace pinora {

struct FtpSettings {
    std::string host;
    std::uint16_t port = 21;
    bool passive = false;
    std::string user;
    std::string password;
    std::string folder; // empty: a bare CWD, whose refusal keeps the logon folder
    int connectTimeoutMs = 10000;
    bool requireTls = false; // refuse a server that offers no TLS
};

struct UploadResult {
    bool ok = false;
    std::string error; // the client's text when !ok
};

// One connection: log on, CWD folder, DELE remoteName (failure ignored), STOR the page as
// remoteName, STOR logo.gif when logoPath is not empty, QUIT. Binary transfers, no proxy.
// Any other failure ends the upload at its step with the client's text (and the server's
// refusal when there was one); the connection is closed, so the next upload starts afresh.
// The local files are opened before connecting: one that cannot be opened changes nothing
// on the server.
UploadResult uploadNoticePage(const FtpSettings& settings, const std::string& localPage,
                              const std::string& remoteName, const std::string& logoPath);

// The settings stored in the configuration record.
FtpSettings ftpSettingsFrom(const ConfigRecord& config);

// The set's name with A to Z lowered and every character but letters, digits, spaces, '-'
// and '_' made '_', + ".htm": it never leaves the upload folder nor starts with '.'.
std::string remotePageName(const std::string& setName);

} // namespace pinora
