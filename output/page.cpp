#include "page.h"

#include "db/datetime.h"
#include "db/fileio.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace pinora {

namespace {

constexpr std::string_view kEol = "\r\n";

// A slot is free when its owner unscrambles to the marker exactly; checked without building
// the text, as the generator looks at all 10000 slots.
bool slotFree(const NoticeRecord& r) {
    const std::size_t len = std::min<std::size_t>(r.owner.len, sizeof r.owner.chars);
    if (len != freeMarker.size() + 1) return false;
    const auto key = static_cast<unsigned char>(r.owner.chars[0]);
    for (std::size_t i = 0; i < freeMarker.size(); ++i)
        if (static_cast<unsigned char>(r.owner.chars[i + 1] - key) !=
            static_cast<unsigned char>(freeMarker[i]))
            return false;
    return true;
}

// Whole days as a double, so that a damaged date (huge, infinite, NaN) compares safely
// instead of overflowing a conversion to an integer. NaN never compares true.
double wholeDay(TDateTime t) {
    return std::floor(t + 1e-9);
}

std::string folderOf(const std::string& path) {
    const auto p = path.find_last_of('/');
    return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

std::string reasonText(int err) {
    return ". " + systemErrorText(err);
}

// Reads a regular file whole into buf. Missing (or not a regular file): false with err 0.
bool readRegularFile(const std::string& path, std::string& buf, int& err) {
    err = 0;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT && errno != ENOTDIR) err = errno;
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        err = errno;
        ::close(fd);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    // Files are replaced by rename, never rewritten in place, so the size is the whole file.
    buf.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < buf.size()) {
        const ssize_t n = ::read(fd, buf.data() + got, buf.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    buf.resize(got);
    return true;
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// Replaces dest with a copy of source; a reader of dest sees the old or the new logo whole.
bool copyLogo(const std::string& source, const std::string& dest, const std::string& tmpTag,
              std::string& error) {
    if (sameFile(source, dest)) return true; // the page lies in the database folder itself
    std::string data;
    int err = 0;
    if (!readRegularFile(source, data, err)) {
        error = "Cannot open file " + source + reasonText(err ? err : ENOENT);
        return false;
    }
    std::string werr;
    if (!writeFileAtomic(dest, data.data(), data.size(), tmpTag, &werr)) {
        error = "Cannot create file " + dest + ". " + werr;
        return false;
    }
    return true;
}

// Appends the lines of a message file, each followed by <BR> when returns are kept. A line
// ends at LF or CR LF; a final line end adds no empty line.
void appendMessageLines(std::string& out, std::string_view text, bool keepReturns) {
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        const auto* nl = static_cast<const char*>(std::memchr(p, '\n', end - p));
        const char* lineEnd = nl ? nl : end;
        const char* next = nl ? nl + 1 : end;
        if (nl && lineEnd > p && lineEnd[-1] == '\r') --lineEnd;
        out.append(p, lineEnd);
        out += kEol;
        if (keepReturns) {
            out += "<BR>";
            out += kEol;
        }
        p = next;
    }
}

void line(std::string& out, std::string_view a) {
    out += a;
    out += kEol;
}

} // namespace

bool writeNoticePage(Database& db, int setNumber, const std::string& pageName, TDateTime day,
                     std::string* error) {
    return writeNoticePageFile(db, setNumber, db.path(pageName), day, error);
}

bool writeNoticePageFile(Database& db, int setNumber, const std::string& pagePath, TDateTime day,
                         std::string* error) {
    auto fail = [error](std::string text) {
        if (error) *error = std::move(text);
        return false;
    };
    if (setNumber < 1 || setNumber > kSetCount)
        return fail("There is no notice set number " + std::to_string(setNumber));

    // A missing file leaves the table in memory as the station last loaded it.
    if (db.loadConfigStatus() == LoadResult::Failed) return fail(brokenFileMessage("CONFIG.DB"));
    if (db.loadNotices() == LoadResult::Failed) return fail(brokenFileMessage("NOTICE.DB"));

    const ConfigRecord& c = db.config;
    const std::string sep = c.crAfterNotice ? "<P>" : "";
    const std::string setName = c.noticeSets[setNumber - 1].name.str();
    const std::string font = c.fontName.str();
    const std::string dateText = englishDateText(day);
    const std::string tag = "~" + std::to_string(::getpid()) + "-" +
                            std::to_string(db.services().chance->below(1000000000));

    // The page goes to a temporary name beside it and is renamed into place at the end.
    const std::string tmp = pagePath + "." + tag + ".tmp";
    std::FILE* file = std::fopen(tmp.c_str(), "wbxe");
    if (!file) return fail("Cannot create file " + pagePath + reasonText(errno));
    auto abandon = [&](std::string text) {
        std::fclose(file);
        ::unlink(tmp.c_str());
        return fail(std::move(text));
    };

    std::string out;
    out.reserve(64 * 1024);
    line(out, "<HTML>");
    line(out, "<HEAD>");
    line(out, "<TITLE>" + setName + " " + dateText + "</TITLE>");
    line(out, R"(<meta http-equiv="Content-Type" content="text/html; charset=iso-8859-1">)");
    line(out, "</HEAD>");
    line(out, "");
    line(out, "<BODY>");
    line(out, R"(<TABLE width="100%" height="100%" border=")" + std::to_string(c.borderSize) +
                  R"(" cellpadding="5" cellspacing="2" bordercolor="#000000">)");
    line(out, "<TR>");
    const std::string logo = db.path("logo.gif");
    if (fileExists(logo)) {
        std::string copyError;
        if (!copyLogo(logo, folderOf(pagePath) + "logo.gif", tag, copyError))
            return abandon(copyError);
        line(out, R"(<td height="1%" width="1%" bgcolor="#000000"><img src="logo.gif"></td>)");
    }
    line(out, R"(<TD align="center" height="1%" bgcolor="#000000"><em><font size=")" +
                  std::to_string(c.subtitlePointSize) + R"(" FACE=")" + font +
                  R"(" color="#FFFFFF">)" + c.schoolName.str() + "<BR>");
    line(out, R"(</FONT></EM><FONT FACE=")" + font + R"(" color="#FFFFFF" size=")" +
                  std::to_string(c.headerPointSize) + R"(">)" + setName + "<BR>");
    line(out, R"(</FONT><FONT size=")" + std::to_string(c.subtitlePointSize) + R"(" FACE=")" +
                  font + R"(" color="#FFFFFF"><EM>)" + dateText + "</EM></FONT></TD>");
    line(out, "</TR>");
    line(out, "<TR>");
    line(out, R"(<TD colspan="2"  align="left" valign="top"><FONT FACE=")" + font +
                  R"(" color="#000000" size=")" + std::to_string(c.pointSize) + R"("><ol>)");

    const double today = wholeDay(day);
    const bool numbered = c.numberEachNotice;
    const bool keepReturns = c.allowUserReturns;
    const std::int32_t style = c.signatureStyle;
    std::string msgPath = db.path("MSG/");
    const std::size_t msgPrefix = msgPath.size();
    std::string text;
    for (int n = 1; n <= kNoticeCount; ++n) {
        const NoticeRecord& r = db.notice(n);
        if (slotFree(r)) continue;
        if (!(today >= wholeDay(r.startDate) && today <= wholeDay(r.endDate))) continue;
        if (!r.inSet[setNumber - 1]) continue;
        msgPath.resize(msgPrefix);
        msgPath += std::to_string(n);
        msgPath += ".MSG";
        int err = 0;
        if (!readRegularFile(msgPath, text, err)) {
            if (err == 0) continue; // no message file: the notice is left out
            return abandon("Cannot read file " + msgPath + reasonText(err));
        }
        if (numbered) line(out, "<LI>");
        appendMessageLines(out, text, keepReturns);
        switch (style) {
        case 0:
            out += "<BR>";
            out += r.signature.str();
            line(out, sep);
            break;
        case 1:
            out += "(";
            out += r.signature.str();
            out += ")";
            line(out, sep);
            break;
        case 2:
            line(out, sep);
            break;
        default:
            break;
        }
        if (numbered) line(out, "</LI>");
    }

    line(out, "</OL></FONT>");
    line(out, "</TD>");
    line(out, "</TR>");
    line(out, "</TABLE>");
    line(out, "<H7><I>" + c.schoolCopyright.str() + " - Pinora 2. " + kPageCredit + "</I></H7>");
    line(out, "</BODY>");
    line(out, "</HTML>");

    if (std::fwrite(out.data(), 1, out.size(), file) != out.size())
        return abandon("Cannot write file " + pagePath + reasonText(errno));
    if (std::fclose(file) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        return fail("Cannot write file " + pagePath + reasonText(err));
    }
    if (::rename(tmp.c_str(), pagePath.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmp.c_str());
        return fail("Cannot create file " + pagePath + reasonText(err));
    }
    return true;
}

} // namespace pinora
