#include "pinoractl.h"

#include "commands.h"
#include "json.h"

#include "db/datetime.h"
#include "db/fileio.h"
#include "db/text.h"
#include "output/mail.h"
#include "output/page.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>

namespace pinora::cli {

namespace fs = std::filesystem;

namespace {

// The keys MAIL.INI may hold: the settings of the command line, never the password itself.
const char* const kIniKeys[] = {"smtp", "from", "user", "password-file", "require-tls"};

std::optional<bool> yesNo(const std::string& v) {
    const std::string u = upperAscii(v);
    if (u == "YES" || u == "TRUE" || u == "ON" || u == "1") return true;
    if (u == "NO" || u == "FALSE" || u == "OFF" || u == "0") return false;
    return std::nullopt;
}

// Why MAIL.INI is not to be trusted, or empty. Anyone who can write the shared folder could
// otherwise send the mail password to a server of theirs, or have another file read as it.
std::string distrust(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return std::strerror(errno);
    if (st.st_uid != ::geteuid()) return "it belongs to another user";
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) return "others may change it";
    return {};
}

// key=value lines; blank lines, [sections] and lines that start with # or ; are skipped. A
// missing file is no settings. A key it does not know is an error rather than ignored: a
// misspelt require-tls would otherwise send without encryption. trusted is false when the
// file is there but is not its reader's alone.
bool readMailIni(const Database& db, std::map<std::string, std::string>& out, bool& trusted,
                 std::string& error) {
    const std::string path = db.path("MAIL.INI");
    trusted = true;
    if (!fileOrLink(db.files(), path)) return true;
    std::string why;
    const int fd = openFileToRead(path, &why);
    if (fd >= 0) why = distrust(fd);
    if (fd >= 0) ::close(fd);
    if (!why.empty()) {
        trusted = false;
        error = path + " is not used: " + why + ". Make it yours alone (chown " +
                systemUserName() + " MAIL.INI; chmod 644 MAIL.INI), or give "
                "--smtp and --from (and --user with --password-file) on the command line";
        return true;
    }
    std::string text, err;
    const ReadStatus st = readRegularFile(db.files(), path, text, 64 * 1024, &err);
    if (st == ReadStatus::Missing) return true;
    if (st != ReadStatus::Ok) {
        error = "cannot read " + path + ": " + err;
        return false;
    }
    int number = 0;
    bool ok = true;
    forEachLine(text, LineEnds::CrLfOrLf, [&](std::string_view raw) {
        ++number;
        const std::string l(trimSpaces(raw));
        if (!ok || l.empty() || l[0] == '#' || l[0] == ';' || l[0] == '[') return;
        const auto eq = l.find('=');
        const std::string key = eq == std::string::npos ? l : upperAscii(trimSpaces(l.substr(0, eq)));
        const std::string where = "MAIL.INI line " + std::to_string(number) + ": ";
        ok = false;
        if (eq == std::string::npos) {
            error = where + "'" + cp1252ToUtf8(l) + "' is not key=value";
            return;
        }
        if (key == "PASSWORD") {
            error = where + "a password has no place in the shared folder; put it in a file "
                            "of its own and give its name as password-file";
            return;
        }
        for (const char* k : kIniKeys)
            if (key == upperAscii(k)) {
                out[k] = trimSpaces(l.substr(eq + 1));
                ok = true;
            }
        if (!ok) error = where + "unknown key '" + cp1252ToUtf8(trimSpaces(l.substr(0, eq))) + "'";
    });
    return ok;
}

// Whether p lies in folder or below it; both absolute and normal.
bool within(const fs::path& p, const fs::path& folder) {
    auto f = folder.begin(), q = p.begin();
    for (; f != folder.end(); ++f, ++q) {
        if (f->empty()) continue; // the final separator of the folder
        if (q == p.end() || *q != *f) return false;
    }
    return true;
}

// The first line of the password file, which must lie outside the shared folder and be
// readable by its owner alone.
bool readPassword(const Database& db, const std::string& path, std::string& password,
                  std::string& error) {
    std::error_code ec;
    const fs::path given = fs::absolute(path, ec).lexically_normal();
    const fs::path real = fs::canonical(path, ec);
    const fs::path folder = fs::absolute(db.folder(), ec).lexically_normal();
    const fs::path realFolder = fs::canonical(db.folder(), ec);
    if (within(given, folder) || within(given, realFolder) ||
        (!real.empty() && (within(real, folder) || within(real, realFolder)))) {
        error = "the password file " + path +
                " lies in the database folder, which every station can read; keep it outside";
        return false;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int e = fd < 0 ? errno : EINVAL;
        if (fd >= 0) ::close(fd);
        error = "cannot read the password file " + path + ": " +
                (e == EINVAL ? std::string("not a regular file") : std::strerror(e));
        return false;
    }
    if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        ::close(fd);
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        error = "the password file " + path + " may be read or changed by others (mode " + mode +
                "); make it its owner's alone: chmod 600 " + path;
        return false;
    }
    char buf[4096];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    ::close(fd);
    if (n < 0) {
        error = "cannot read the password file " + path + ": " + std::strerror(errno);
        return false;
    }
    password.assign(buf, static_cast<std::size_t>(n));
    password = password.substr(0, password.find_first_of("\r\n"));
    if (password.empty()) {
        error = "the password file " + path + " is empty";
        return false;
    }
    return true;
}

struct MailSetup {
    SmtpSettings smtp;
    std::string from;
};

// The settings of MAIL.INI with the options over them; false with a message.
bool mailSetup(const Database& db, const Options& o, MailSetup& m, std::string& error) {
    std::map<std::string, std::string> v;
    bool trusted = true;
    std::string distrusted;
    if (!readMailIni(db, v, trusted, distrusted)) {
        error = distrusted;
        return false;
    }
    // Settings from a file that is not its reader's alone do not count; the command line may
    // still give everything.
    if (!trusted && (!o.values.count("--smtp") || !o.values.count("--from"))) {
        error = distrusted;
        return false;
    }
    for (const char* k : kIniKeys)
        if (const auto it = o.values.find(std::string("--") + k); it != o.values.end())
            v[k] = it->second;
    if (v.count("require-tls")) {
        const auto b = yesNo(v["require-tls"]);
        if (!b) {
            error = "require-tls in MAIL.INI takes yes or no, not '" + v["require-tls"] + "'";
            return false;
        }
        m.smtp.requireTls = *b;
    }
    if (o.flags.count("--require-tls")) m.smtp.requireTls = true;
    m.smtp.url = v["smtp"];
    m.from = v["from"];
    m.smtp.user = v["user"];
    const std::string passwordFile = v["password-file"];
    if (m.smtp.url.empty()) {
        error = "no mail server: give --smtp or smtp= in MAIL.INI";
        return false;
    }
    if (!smtpUrl(m.smtp.url)) {
        // Not quoted: it may hold a password.
        error = "the mail server must be given as smtp://HOST[:PORT] or smtps://HOST[:PORT], "
                "with no user or password in it";
        return false;
    }
    if (m.from.empty()) {
        error = "no sender: give --from or from= in MAIL.INI";
        return false;
    }
    if (!plainAddress(m.from)) {
        error = "'" + m.from + "' is not a mail address";
        return false;
    }
    if (!passwordFile.empty() && m.smtp.user.empty()) {
        error = "a password file needs a user: give --user or user= in MAIL.INI";
        return false;
    }
    if (!m.smtp.user.empty() && passwordFile.empty()) {
        error = "the user " + m.smtp.user + " needs a password file: give --password-file";
        return false;
    }
    return passwordFile.empty() || readPassword(db, passwordFile, m.smtp.password, error);
}

} // namespace

std::optional<std::vector<std::string>> mailAddresses(const std::string& list) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(',', start);
        if (end == std::string::npos) end = list.size();
        const std::string a(trimSpaces(std::string_view(list).substr(start, end - start)));
        if (!plainAddress(a)) return std::nullopt;
        out.push_back(a);
        start = end + 1;
    }
    return out;
}

int mailPage(Database& db, int setNumber, TDateTime day, const std::vector<std::string>& to,
             const Options& o, std::ostream& out, std::ostream& err) {
    MailSetup setup;
    std::string error;
    if (!mailSetup(db, o, setup, error)) {
        err << "pinoractl: " << printable(error) << "\n";
        return kFailed;
    }
    MailMessage m;
    int count = 0;
    // The page reloads the tables; the text then reads the same ones.
    Result loaded;
    const bool made = makeNoticePage(db, setNumber, day, m.html, &error, &loaded);
    present(loaded, err);
    if (!made || !noticeMailText(db, setNumber, day, m.text, count, &error)) {
        err << "pinoractl: " << printable(error) << "\n";
        return kFailed;
    }
    const std::string setName = cp1252ToUtf8(db.config.noticeSets[setNumber - 1].name.str());
    const std::string dateText = englishDateText(day);
    if (count == 0 && !o.flags.count("--send-empty")) {
        out << "No notices in " << printable(setName) << " for " << dateText
            << ": nothing sent\n";
        return kOk;
    }
    if (m.html.find(kPageLogoTag) != std::string::npos) {
        const std::string logo = db.path("logo.gif");
        const ReadStatus st = readRegularFile(db.files(), logo, m.logo, kMaxLogoBytes, &error);
        if (st != ReadStatus::Ok && st != ReadStatus::Missing) {
            err << "pinoractl: Cannot open file " << printable(logo) << ". " << printable(error)
                << "\n";
            return kFailed;
        }
    }
    const std::time_t now = std::time(nullptr);
    char stamp[32];
    std::tm tm{};
    ::gmtime_r(&now, &tm);
    std::strftime(stamp, sizeof stamp, "%Y%m%d%H%M%S", &tm);
    m.tag = std::string(stamp) + "." + std::to_string(::getpid()) + "." +
            std::to_string(db.services().chance->below(1000000000));
    m.from = setup.from;
    m.to = to;
    m.subject = setName + " notices for " + dateText;
    m.date = rfc5322Date(now);
    m.messageId = m.tag + m.from.substr(m.from.find('@'));
    const MailResult r = sendMail(setup.smtp, m.from, m.to, buildMailMessage(m));
    if (!r.ok) {
        err << "pinoractl: mailing failed: " << printableOneLine(r.error) << "\n";
        return kFailed;
    }
    std::string list;
    for (const std::string& a : to)
        list += (list.empty() ? "" : ", ") + a;
    out << "Mailed the " << printable(setName) << " page of " << dateText << " to " << list
        << "\n";
    return kOk;
}

} // namespace pinora::cli
