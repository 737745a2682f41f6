// Publishing a page and the logo to the school's web server over FTP.
#pragma once

#include <cstdint>
#include <string>

namespace pinora {

struct FtpSettings {
    std::string host;
    std::uint16_t port = 21;
    bool passive = false;
    std::string user;
    std::string password;
    std::string folder; // CWD is sent even when empty
    int connectTimeoutMs = 10000;
};

struct UploadResult {
    bool ok = false;
    std::string error; // the client's text when !ok
};

// One connection: log on, CWD folder, DELE remoteName (failure ignored), STOR the page as
// remoteName, STOR logo.gif when logoPath is not empty, QUIT. Binary transfers.
UploadResult uploadNoticePage(const FtpSettings& settings, const std::string& localPage,
                              const std::string& remoteName, const std::string& logoPath);

// The set's name with A to Z lowered, + ".htm".
std::string remotePageName(const std::string& setName);

} // namespace pinora
