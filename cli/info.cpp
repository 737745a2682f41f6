// pinoractl info: the configuration, the users in use and the notices in use, as a table or
// as one JSON document.
#include "commands.h"
#include "json.h"
#include "pinoractl.h"

#include "db/datetime.h"
#include "db/fileio.h"
#include "db/text.h"

#include <optional>
#include <ostream>
#include <vector>

namespace pinora::cli {

namespace {


std::vector<std::string> rightsOf(const UserRecord& u) {
    std::vector<std::string> r;
    if (u.allowEdit) r.push_back("edit");
    if (u.allowDelete) r.push_back("delete");
    if (u.allowPublish) r.push_back("publish");
    if (u.adminMenu) r.push_back("admin-menu");
    if (u.superUser) r.push_back("super-user");
    if (u.extraHelp) r.push_back("extra-help");
    if (u.forcePassword) r.push_back("force-password");
    if (u.bypassDeadline) r.push_back("bypass-deadline");
    if (u.bypassMaxDays) r.push_back("bypass-max-days");
    return r;
}

std::vector<int> deniedSets(const UserRecord& u) {
    std::vector<int> r;
    for (int k = 1; k <= kSetCount; ++k)
        if (u.denySet[k - 1]) r.push_back(k);
    return r;
}

std::vector<int> setsOf(const NoticeRecord& r) {
    std::vector<int> s;
    for (int k = 1; k <= kSetCount; ++k)
        if (r.inSet[k - 1]) s.push_back(k);
    return s;
}

template <class T> std::string joined(const std::vector<T>& items, const char* sep) {
    std::string s;
    for (const T& i : items) {
        if (!s.empty()) s += sep;
        if constexpr (std::is_same_v<T, std::string>)
            s += i;
        else
            s += std::to_string(i);
    }
    return s;
}

// The first line of a notice's text (Windows-1252), or nothing when it has no message file.
std::optional<std::string> firstLine(const Database& db, int n) {
    std::string buf;
    if (readWholeFile(db.files(), db.messageFilePath(n), buf, 4096) != ReadStatus::Ok) return std::nullopt;
    const auto lines = splitLines(buf, LineEnds::CrLfCrOrLf, 1);
    return lines.empty() ? std::string() : std::string(lines[0]);
}

// A long first line would push the table off the screen; --json gives it whole.
std::string cutForTable(const std::string& cp1252) {
    constexpr std::size_t kWidth = 60;
    if (cp1252.size() <= kWidth) return cp1252;
    return cp1252.substr(0, kWidth - 3) + "...";
}

int authChoice(const ConfigRecord& c) {
    if (!c.authUseOsName) return 2;
    return c.authAskPassword ? 1 : 0;
}

int signupChoice(const ConfigRecord& c) {
    if (!c.signupAllowed) return 2;
    return c.signupAskName ? 1 : 0;
}

const char* const kAuthChoices[] = {"Automatically via windows",
                                    "Get username from windows but prompt for password",
                                    "Prompt for both username and password"};
const char* const kSignupChoices[] = {"Get username from windows", "Ask new user for username",
                                      "Do not allow new users to sign up"};
const char* const kSignatureStyles[] = {"on a new line under the notice",
                                        "at the end of the last line", "none"};

std::string signatureStyleText(std::int32_t s) {
    return s >= 0 && s <= 2 ? kSignatureStyles[s] : "unknown (" + std::to_string(s) + ")";
}

// Columns padded by characters, not bytes.
void printTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows) {
    auto width = [](const std::string& s) {
        std::size_t w = 0;
        for (unsigned char c : s)
            if ((c & 0xC0) != 0x80) ++w;
        return w;
    };
    std::vector<std::size_t> widths;
    for (const auto& r : rows)
        for (std::size_t i = 0; i < r.size(); ++i) {
            if (widths.size() <= i) widths.push_back(0);
            widths[i] = std::max(widths[i], width(r[i]));
        }
    for (const auto& r : rows) {
        std::string line = "  ";
        for (std::size_t i = 0; i < r.size(); ++i) {
            line += r[i];
            if (i + 1 < r.size()) line.append(widths[i] - width(r[i]) + 2, ' ');
        }
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        out << line << "\n";
    }
}

void infoText(const Database& db, std::ostream& out) {
    const ConfigRecord& c = db.config;
    out << "Database folder: " << printable(db.folder()) << "\n\n";
    out << "Configuration\n";
    printTable(
        out,
        {{"School name:", shown(c.schoolName.str())},
         {"Copyright line:", shown(c.schoolCopyright.str())},
         {"Page font:", shown(c.fontName.str()) + ", size " + std::to_string(c.pointSize) +
                            ", header size " + std::to_string(c.headerPointSize) +
                            ", subtitle size " + std::to_string(c.subtitlePointSize) + ", border " +
                            std::to_string(c.borderSize)},
         {"Page options:", std::string("user returns ") + (c.allowUserReturns ? "kept" : "joined") +
                               ", numbering " + (c.numberEachNotice ? "on" : "off") +
                               ", empty line after each notice " +
                               (c.crAfterNotice ? "on" : "off")},
         {"Signature:", signatureStyleText(c.signatureStyle)},
         {"Logon:", kAuthChoices[authChoice(c)]},
         {"Sign-up:", kSignupChoices[signupChoice(c)]},
         {"FTP server:", shownOrNone(c.ftpServer.str()) + " port " + std::to_string(c.ftpPort) +
                             (c.ftpPassive ? ", passive" : ", active")},
         {"FTP folder:", shownOrNone(c.ftpUploadDir.str())},
         {"FTP user:", shownOrNone(c.ftpUser.str()) +
                           (c.ftpPassword.empty() ? ", no password" : ", password set")},
         {"New users get:", "level " + std::to_string(c.newUserTemplate.securityLevel) +
                                ", rights " + joined(rightsOf(c.newUserTemplate), " ")}});

    out << "\nNotice sets\n";
    std::vector<std::vector<std::string>> sets{{"SET", "NAME", "DEADLINE", "MAX DAYS"}};
    for (int k = 1; k <= kSetCount; ++k) {
        const NoticeSetConfig& s = c.noticeSets[k - 1];
        if (s.name.empty()) continue;
        sets.push_back({std::to_string(k), shown(s.name.str()),
                        timeText(s.deadline) + (s.deadlineEnabled ? "" : " (off)"),
                        std::to_string(s.maxDays) + (s.maxDaysEnabled ? "" : " (off)")});
    }
    printTable(out, sets);

    std::vector<std::vector<std::string>> users{{"SLOT", "LOGIN", "FULL NAME", "LEVEL", "RIGHTS"}};
    for (int n = 1; n <= kUserCount; ++n) {
        if (db.userSlotFree(n)) continue;
        const UserRecord& u = db.user(n);
        std::string rights = joined(rightsOf(u), " ");
        if (const auto d = deniedSets(u); !d.empty())
            rights += " (denied sets " + joined(d, ",") + ")";
        users.push_back({std::to_string(n), shown(db.userLoginName(n)), shown(u.fullName.str()),
                         std::to_string(u.securityLevel), rights});
    }
    out << "\nUsers in use: " << users.size() - 1 << "\n";
    if (users.size() > 1) printTable(out, users);

    std::vector<std::vector<std::string>> notices{
        {"NUMBER", "OWNER", "START", "END", "SETS", "TEXT"}};
    for (int n = 1; n <= kNoticeCount; ++n) {
        if (!db.noticeInUse(n)) continue;
        const NoticeRecord& r = db.notice(n);
        const auto first = firstLine(db, n);
        notices.push_back({std::to_string(n), shown(db.noticeOwner(n)), dateTimeText(r.startDate),
                           dateTimeText(r.endDate), joined(setsOf(r), ","),
                           first ? shown(cutForTable(*first)) : "(no message file)"});
    }
    out << "\nNotices in use: " << notices.size() - 1 << "\n";
    if (notices.size() > 1) printTable(out, notices);
}

// A damaged value has no text and is null.
void optionalText(JsonWriter& j, const char* key, const std::string& s) {
    if (s.empty())
        j.null(key);
    else
        j.string(key, s);
}

void userRights(JsonWriter& j, const UserRecord& u) {
    j.number("level", u.securityLevel);
    j.beginArray("rights");
    for (const auto& r : rightsOf(u))
        j.string(r);
    j.endArray();
    j.beginArray("deniedSets");
    for (int k : deniedSets(u))
        j.number(k);
    j.endArray();
}

void infoJson(const Database& db, std::ostream& out) {
    const ConfigRecord& c = db.config;
    JsonWriter j;
    j.beginObject();
    j.string("folder", db.folder());
    j.beginObject("config");
    j.string("schoolName", utf8(c.schoolName.str()));
    j.string("schoolCopyright", utf8(c.schoolCopyright.str()));
    j.beginArray("noticeSets");
    for (int k = 1; k <= kSetCount; ++k) {
        const NoticeSetConfig& s = c.noticeSets[k - 1];
        j.beginObject();
        j.number("number", k);
        j.string("name", utf8(s.name.str()));
        j.boolean("inUse", !s.name.empty());
        optionalText(j, "deadline", timeText(s.deadline));
        j.boolean("deadlineEnabled", s.deadlineEnabled);
        j.number("maxDays", s.maxDays);
        j.boolean("maxDaysEnabled", s.maxDaysEnabled);
        j.endObject();
    }
    j.endArray();
    j.beginObject("page");
    j.string("fontName", utf8(c.fontName.str()));
    j.number("pointSize", c.pointSize);
    j.number("headerPointSize", c.headerPointSize);
    j.number("subtitlePointSize", c.subtitlePointSize);
    j.number("borderSize", c.borderSize);
    j.boolean("allowUserReturns", c.allowUserReturns);
    j.boolean("numberEachNotice", c.numberEachNotice);
    j.boolean("crAfterNotice", c.crAfterNotice);
    j.number("signatureStyle", c.signatureStyle);
    j.endObject();
    j.beginObject("logon");
    j.number("authentication", authChoice(c));
    j.boolean("authUseOsName", c.authUseOsName);
    j.boolean("authAskPassword", c.authAskPassword);
    j.number("signup", signupChoice(c));
    j.boolean("signupAllowed", c.signupAllowed);
    j.boolean("signupAskName", c.signupAskName);
    j.endObject();
    j.beginObject("ftp");
    j.string("server", utf8(c.ftpServer.str()));
    j.number("port", c.ftpPort);
    j.boolean("passive", c.ftpPassive);
    j.string("uploadDir", utf8(c.ftpUploadDir.str()));
    j.string("user", utf8(c.ftpUser.str()));
    j.boolean("passwordSet", !c.ftpPassword.empty());
    j.endObject();
    j.beginObject("newUserTemplate");
    userRights(j, c.newUserTemplate);
    j.endObject();
    j.endObject();

    j.beginArray("users");
    for (int n = 1; n <= kUserCount; ++n) {
        if (db.userSlotFree(n)) continue;
        const UserRecord& u = db.user(n);
        j.beginObject();
        j.number("slot", n);
        j.string("loginName", utf8(db.userLoginName(n)));
        j.string("fullName", utf8(u.fullName.str()));
        j.string("signature", utf8(u.signature.str()));
        j.number("postCount", u.postCount);
        userRights(j, u);
        j.endObject();
    }
    j.endArray();

    j.beginArray("notices");
    for (int n = 1; n <= kNoticeCount; ++n) {
        if (!db.noticeInUse(n)) continue;
        const NoticeRecord& r = db.notice(n);
        j.beginObject();
        j.number("number", n);
        j.string("owner", utf8(db.noticeOwner(n)));
        optionalText(j, "start", dateTimeText(r.startDate));
        optionalText(j, "end", dateTimeText(r.endDate));
        j.beginArray("sets");
        for (int k : setsOf(r))
            j.number(k);
        j.endArray();
        if (const auto first = firstLine(db, n))
            j.string("firstLine", utf8(*first));
        else
            j.null("firstLine");
        j.endObject();
    }
    j.endArray();
    j.endObject();
    out << j.text();
}

} // namespace

int info(Database& db, const Options& o, std::ostream& out, std::ostream& err) {
    if (!readOnly(db, err)) return kFailed;
    if (!load(db.loadConfig(), "CONFIG.DB", db, err) || !load(db.loadUsers(), "USER.DB", db, err) ||
        !load(db.loadNotices(), "NOTICE.DB", db, err))
        return kFailed;
    if (o.flags.count("--json"))
        infoJson(db, out);
    else
        infoText(db, out);
    return kOk;
}

} // namespace pinora::cli
