#include "page.h"

#include "noticemarkup.h"

#include "db/datetime.h"
#include "db/fileio.h"
#include "db/text.h"

#include <cerrno>
#include <cmath>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pinora {

namespace {

constexpr std::string_view kEol = "\r\n";

std::string folderOf(const std::string& path) {
    const auto p = path.find_last_of('/');
    return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

bool sameFile(FileSystem& fs, const std::string& a, const std::string& b) {
    EntryInfo ia, ib;
    return fs.info(a, ia) == 0 && fs.info(b, ib) == 0 && ia.inode != 0 && ia.device == ib.device &&
           ia.inode == ib.inode;
}

// Replaces dest with a copy of source; a reader of dest sees the old or the new logo whole.
bool copyLogo(FileSystem& fs, const std::string& source, const std::string& dest, const std::string& tmpTag,
              std::string& error) {
    if (sameFile(fs, source, dest)) return true; // the page lies in the database folder itself
    std::string data;
    std::string rerr;
    const ReadStatus st = readRegularFile(fs, source, data, kMaxLogoBytes, &rerr);
    if (st != ReadStatus::Ok) {
        error = "Cannot open file " + source + ". " +
                (st == ReadStatus::Missing ? systemErrorText(ENOENT) : rerr);
        return false;
    }
    std::string werr;
    if (!writeFileAtomic(fs, dest, data.data(), data.size(), tmpTag, &werr)) {
        error = "Cannot create file " + dest + ". " + werr;
        return false;
    }
    return true;
}

// Appends the lines of a message file, each followed by <BR> when returns are kept.
void appendMessageLines(std::string& out, std::string_view text, bool keepReturns) {
    forEachLine(text, LineEnds::CrLfOrLf, [&](std::string_view l) {
        out += l;
        out += kEol;
        if (keepReturns) {
            out += "<BR>";
            out += kEol;
        }
    });
}

void line(std::string& out, std::string_view a) {
    out += a;
    out += kEol;
}

} // namespace

bool writeNoticePage(Database& db, int setNumber, const std::string& pageName, TDateTime day,
                     std::string* error, Result* loaded) {
    return writeNoticePageFile(db, setNumber, db.path(pageName), day, error, loaded);
}

bool forEachPageNotice(const Database& db, int setNumber, TDateTime day, const PageNoticeFn& each,
                       std::string* error) {
    if (setNumber < 1 || setNumber > kSetCount) {
        if (error) *error = "There is no notice set number " + std::to_string(setNumber);
        return false;
    }
    const double today = dateOf(day);
    std::string msgPath = db.path("MSG/");
    const std::size_t msgPrefix = msgPath.size();
    std::string text;
    std::vector<int> inUse;
    db.noticesInUse(inUse);
    for (const int n : inUse) {
        const NoticeRecord& r = db.notice(n);
        if (!(today >= dateOf(r.startDate) && today <= dateOf(r.endDate))) continue;
        if (!r.inSet[setNumber - 1]) continue;
        msgPath.resize(msgPrefix);
        msgPath += std::to_string(n);
        msgPath += ".MSG";
        std::string err;
        const ReadStatus st = readRegularFile(db.files(), msgPath, text, Database::kMaxMessageFileSize, &err);
        if (st == ReadStatus::Missing) continue; // no message file: the notice is left out
        if (st != ReadStatus::Ok) {
            if (error) *error = "Cannot read file " + msgPath + ". " + err;
            return false;
        }
        err.clear();
        if (!each(n, r, text, err)) {
            if (error) *error = "Cannot read file " + msgPath + ". " + err;
            return false;
        }
    }
    return true;
}

std::string pageText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string signatureText(std::int32_t style, std::string_view signature) {
    if (style == 0) return std::string(signature);
    if (style == 1) return "(" + std::string(signature) + ")";
    return {};
}

bool makeNoticePage(Database& db, int setNumber, TDateTime day, std::string& out,
                    std::string* error, Result* loaded) {
    auto fail = [error](std::string text) {
        if (error) *error = std::move(text);
        return false;
    };
    if (setNumber < 1 || setNumber > kSetCount)
        return fail("There is no notice set number " + std::to_string(setNumber));

    // A missing file leaves the table in memory as the station last loaded it.
    const auto unusable = [](const Result& r) { return !r && r.kind() != Result::Missing; };
    Result told = db.loadConfig();
    if (!unusable(told)) told = db.loadNotices().after(told);
    if (loaded) *loaded = told;
    if (unusable(told))
        return fail(brokenFileMessage(told.file() == "CONFIG.DB" ? "CONFIG.DB" : "NOTICE.DB"));

    const ConfigRecord& c = db.config;
    const std::string sep = c.crAfterNotice ? "<P>" : "";
    // Names and the font are typed by staff (a signature by each user): on the page they are
    // text, never markup, and the font never leaves its attribute.
    const std::string setName = pageText(c.noticeSets[setNumber - 1].name.str());
    const std::string font = pageText(c.fontName.str());
    const std::string dateText = englishDateText(day);

    out.clear();
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
    if (fileExists(db.files(), db.path("logo.gif")))
        line(out, std::string(R"(<td height="1%" width="1%" bgcolor="#000000">)") + kPageLogoTag +
                      "</td>");
    line(out, R"(<TD align="center" height="1%" bgcolor="#000000"><em><font size=")" +
                  std::to_string(c.subtitlePointSize) + R"(" FACE=")" + font +
                  R"(" color="#FFFFFF">)" + pageText(c.schoolName.str()) + "<BR>");
    line(out, R"(</FONT></EM><FONT FACE=")" + font + R"(" color="#FFFFFF" size=")" +
                  std::to_string(c.headerPointSize) + R"(">)" + setName + "<BR>");
    line(out, R"(</FONT><FONT size=")" + std::to_string(c.subtitlePointSize) + R"(" FACE=")" +
                  font + R"(" color="#FFFFFF"><EM>)" + dateText + "</EM></FONT></TD>");
    line(out, "</TR>");
    line(out, "<TR>");
    line(out, R"(<TD colspan="2"  align="left" valign="top"><FONT FACE=")" + font +
                  R"(" color="#000000" size=")" + std::to_string(c.pointSize) + R"("><ol>)");

    const bool numbered = c.numberEachNotice;
    const bool keepReturns = c.allowUserReturns;
    const std::int32_t style = c.signatureStyle;
    std::string notice;
    const bool ok = forEachPageNotice(
        db, setNumber, day,
        [&](int, const NoticeRecord& r, const std::string& text, std::string& err) {
            // Each file has its limit; so has the page, which may hold ten thousand of them.
            if (out.size() + text.size() > kMaxPageBytes) {
                err = "The page would be larger than " + std::to_string(kMaxPageBytes) + " bytes";
                return false;
            }
            if (numbered) line(out, "<LI>");
            // Cleaned as the browser will read it, with the line breaks the page adds.
            notice.clear();
            appendMessageLines(notice, text, keepReturns);
            out += safeNoticeMarkup(notice);
            if (style >= 0 && style <= 2) {
                if (style == 0) out += "<BR>";
                out += pageText(signatureText(style, r.signature.str()));
                line(out, sep);
            }
            if (numbered) line(out, "</LI>");
            return true;
        },
        error);
    if (!ok) return false;

    line(out, "</OL></FONT>");
    line(out, "</TD>");
    line(out, "</TR>");
    line(out, "</TABLE>");
    line(out, "<H7><I>" + pageText(c.schoolCopyright.str()) + " - Pinora 2. " + kPageCredit +
                  "</I></H7>");
    line(out, "</BODY>");
    line(out, "</HTML>");
    return true;
}

bool writeNoticePageFile(Database& db, int setNumber, const std::string& pagePath, TDateTime day,
                         std::string* error, Result* loaded) {
    auto fail = [error](std::string text) {
        if (error) *error = std::move(text);
        return false;
    };
    const std::string tag = "~" + std::to_string(::getpid()) + "-" +
                            std::to_string(db.services().chance->below(1000000000));
    std::string out;
    if (!makeNoticePage(db, setNumber, day, out, error, loaded)) return false;
    const std::string logo = db.path("logo.gif");
    const bool withLogo = fileOrLink(db.files(), logo);

    // The logo is copied only once the page is whole, so that a page that fails leaves the
    // older logo and page beside each other.
    if (withLogo) {
        std::string copyError;
        if (!copyLogo(db.files(), logo, folderOf(pagePath) + "logo.gif", tag, copyError))
            return fail(copyError);
    }

    // The page goes to a temporary name beside it and is renamed into place: it appears
    // whole or not at all. Like the message files, it is not flushed.
    std::string werr;
    if (!writeFileAtomic(db.files(), pagePath, {ByteSpan{out.data(), out.size()}}, tag, false, &werr))
        return fail("Cannot create file " + pagePath + ". " + werr);
    return true;
}

} // namespace pinora
