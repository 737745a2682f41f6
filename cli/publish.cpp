#include "pinoractl.h"

#include "json.h"

#include "db/fileio.h"
#include "db/text.h"
#include "output/ftp.h"
#include "output/page.h"

#include <ostream>

namespace pinora::cli {

int publishPage(Database& db, int setNumber, TDateTime day, bool requireTls, std::ostream& out,
                std::ostream& err) {
    const ConfigRecord& c = db.config;
    if (c.ftpServer.empty()) {
        err << "pinoractl: no web server is configured (Web Server Config in the program)\n";
        return kFailed;
    }
    // A name no other page in TEMP has, so that another station's preview is left alone.
    std::string pageName;
    for (int attempt = 0; attempt < 20; ++attempt) {
        pageName = "TEMP/~" + std::to_string(db.services().chance->below(100000)) + ".HTM";
        if (!fileExists(db.files(), db.path(pageName))) break;
    }
    std::string error;
    Result loaded;
    const bool written = writeNoticePage(db, setNumber, pageName, day, &error, &loaded);
    present(loaded, err);
    if (!written) {
        err << "pinoractl: " << printable(error) << "\n";
        return kFailed;
    }
    // The page generator has just reloaded CONFIG.DB: these are the current settings.
    FtpSettings s = ftpSettingsFrom(c);
    s.requireTls = requireTls;
    const std::string setName = c.noticeSets[setNumber - 1].name.str();
    const std::string remote = remotePageName(setName);
    const std::string logo = db.path("logo.gif");
    const UploadResult result =
        uploadNoticePage(s, db.path(pageName), remote, fileOrLink(db.files(), logo) ? logo : std::string());
    removeFile(db.files(), db.path(pageName)); // a tool run from cron would otherwise fill TEMP
    if (!result.ok) {
        err << "pinoractl: publishing failed: " << printableOneLine(result.error) << "\n";
        return kFailed;
    }
    out << "Published the " << printable(cp1252ToUtf8(setName)) << " page as "
        << printable(cp1252ToUtf8(remote)) << " on " << printable(cp1252ToUtf8(s.host)) << "\n";
    return kOk;
}

} // namespace pinora::cli
