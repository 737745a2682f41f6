#include "output/ftp.h"

#include "db/fileio.h"
#include "output/curlshared.h"

#include <cctype>
#include <curl/curl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>

namespace pinora {
namespace {

using curlshared::initCurlOnce;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
struct UrlCleanup {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};

struct LocalFile {
    std::unique_ptr<std::FILE, FileCloser> file;
    curl_off_t size = 0;
};

bool openLocal(const std::string& path, const char* what, LocalFile& out, std::string& error) {
    // A logo linked to a private file in the shared folder must not be published.
    std::string why;
    const int fd = openFileToRead(path, &why);
    std::FILE* f = fd < 0 ? nullptr : ::fdopen(fd, "rb");
    struct stat st {};
    if (f == nullptr || ::fstat(::fileno(f), &st) != 0) {
        if (f == nullptr && fd >= 0) ::close(fd);
        if (f != nullptr) std::fclose(f);
        error = std::string("Cannot open the ") + what + " " + path + ": " + why;
        return false;
    }
    out.file.reset(f);
    out.size = static_cast<curl_off_t>(st.st_size);
    return true;
}

// A line break or NUL would end the command early and let the rest be read as another command.
bool safeInCommand(const std::string& s) {
    return s.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

std::string hostForUrl(const std::string& host) {
    // An IPv6 address is written in brackets inside a URL.
    if (host.find(':') != std::string::npos && (host.empty() || host.front() != '['))
        return "[" + host + "]";
    return host;
}

class Session {
  public:
    Session() : easy_(curl_easy_init()), url_(curl_url()) {}

    bool ready() const { return easy_ && url_; }

    bool configure(const FtpSettings& s) {
        errbuf_[0] = '\0';
        if (curl_url_set(url_.get(), CURLUPART_SCHEME, "ftp", 0) != CURLUE_OK ||
            curl_url_set(url_.get(), CURLUPART_HOST, hostForUrl(s.host).c_str(), 0) != CURLUE_OK) {
            error_ = "Bad FTP server name: \"" + s.host + "\"";
            return false;
        }
        CURL* h = easy_.get();
        curlshared::setCommonOptions(h, errbuf_, "ftp", static_cast<long>(s.connectTimeoutMs));
        curl_easy_setopt(h, CURLOPT_CURLU, url_.get());
        curl_easy_setopt(h, CURLOPT_PORT, static_cast<long>(s.port));
        // In active mode the server connects back to us; it gets the same time.
        curl_easy_setopt(h, CURLOPT_ACCEPTTIMEOUT_MS, static_cast<long>(s.connectTimeoutMs));
        curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(h, CURLOPT_TRANSFERTEXT, 0L); // TYPE I
        curl_easy_setopt(h, CURLOPT_FTP_CREATE_MISSING_DIRS, 0L);
        // The folder is changed by our own CWD; curl sends the names as given.
        curl_easy_setopt(h, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
        curl_easy_setopt(h, CURLOPT_FTPPORT, s.passive ? nullptr : "-");
        curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, curlshared::onReplyLine);
        curl_easy_setopt(h, CURLOPT_HEADERDATA, &lastReply_);
        // The password goes encrypted wherever the server can; requireTls refuses the rest.
        curl_easy_setopt(h, CURLOPT_USE_SSL,
                         static_cast<long>(s.requireTls ? CURLUSESSL_ALL : CURLUSESSL_TRY));
        if (!s.user.empty()) {
            curl_easy_setopt(h, CURLOPT_USERNAME, s.user.c_str());
            curl_easy_setopt(h, CURLOPT_PASSWORD, s.password.c_str());
        }
        return true;
    }

    // One STOR on the session's connection; the commands in quote run before it.
    bool store(const std::string& remoteName, LocalFile& local, curl_slist* quote) {
        if (curl_url_set(url_.get(), CURLUPART_PATH, ("/" + remoteName).c_str(), CURLU_URLENCODE) !=
            CURLUE_OK) {
            error_ = "Bad remote file name: \"" + remoteName + "\"";
            return false;
        }
        CURL* h = easy_.get();
        curl_easy_setopt(h, CURLOPT_CURLU, url_.get());
        curl_easy_setopt(h, CURLOPT_QUOTE, quote);
        curl_easy_setopt(h, CURLOPT_READDATA, local.file.get());
        curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, local.size);
        errbuf_[0] = '\0';
        const CURLcode rc = curl_easy_perform(h);
        curl_easy_setopt(h, CURLOPT_QUOTE, nullptr);
        if (rc == CURLE_OK) return true;
        error_ = curlshared::failureText(rc, errbuf_, lastReply_);
        return false;
    }

    const std::string& error() const {
        return error_;
    }

  private:
    curlshared::Easy easy_;
    std::unique_ptr<CURLU, UrlCleanup> url_;
    char errbuf_[CURL_ERROR_SIZE]{};
    std::string lastReply_;
    std::string error_;
};

} // namespace

UploadResult uploadNoticePage(const FtpSettings& settings, const std::string& localPage,
                              const std::string& remoteName, const std::string& logoPath) {
    UploadResult result;
    // Both files are opened first: a missing page must not cost the server its old page.
    LocalFile page, logo;
    if (!openLocal(localPage, "page file", page, result.error)) return result;
    if (!logoPath.empty() && !openLocal(logoPath, "logo file", logo, result.error)) return result;
    if (!safeInCommand(settings.folder) || !safeInCommand(remoteName)) {
        result.error = "The upload folder or the page name holds a line break";
        return result;
    }

    initCurlOnce();
    Session session;
    if (!session.ready()) {
        result.error = "The FTP client could not be started";
        return result;
    }
    if (!session.configure(settings)) {
        result.error = session.error();
        return result;
    }

    // The CWD goes out even for an empty folder, as older copies send it; many servers refuse
    // a CWD without an argument, so that refusal is ignored and the upload stays in the logon
    // folder.
    curlshared::List quote;
    auto add = [&quote](const std::string& cmd) { return curlshared::append(quote, cmd); };
    if (!add(settings.folder.empty() ? std::string("*CWD") : "CWD " + settings.folder) ||
        !add("*DELE " + remoteName)) { // no old page is fine
        result.error = "Out of memory";
        return result;
    }

    if (!session.store(remoteName, page, quote.get()) ||
        (!logoPath.empty() && !session.store("logo.gif", logo, nullptr))) {
        result.error = session.error();
        return result;
    }
    result.ok = true;
    return result;
}

FtpSettings ftpSettingsFrom(const ConfigRecord& config) {
    FtpSettings s;
    s.host = config.ftpServer.str();
    s.port = config.ftpPort;
    s.passive = config.ftpPassive;
    s.user = config.ftpUser.str();
    s.password = config.ftpPassword.str();
    s.folder = config.ftpUploadDir.str();
    return s;
}

namespace {
// Letters of Windows-1252 beyond ASCII: Š Œ Ž š œ ž Ÿ and À to ÿ but for × and ÷.
bool isWesternLetter(unsigned char c) {
    switch (c) {
    case 0x8A: case 0x8C: case 0x8E: case 0x9A: case 0x9C: case 0x9E: case 0x9F:
        return true;
    default:
        return c >= 0xC0 && c != 0xD7 && c != 0xF7;
    }
}
} // namespace

std::string remotePageName(const std::string& setName) {
    // Any member of staff may name a set: the name must not reach another folder of the site
    // ("../index") nor make a hidden file.
    std::string name = setName.empty() ? std::string("_") : setName;
    for (char& ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 'A' && c <= 'Z')
            ch = static_cast<char>(c - 'A' + 'a');
        else if (!std::isalnum(c) && c != ' ' && c != '-' && c != '_' && !isWesternLetter(c))
            ch = '_';
    }
    return name + ".htm";
}

} // namespace pinora
