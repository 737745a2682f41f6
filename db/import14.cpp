#include "import14.h"

#include "datetime.h"
#include "fileio.h"
#include "formats/release14.h"
#include "rtf.h"
#include "text.h"

#include <cmath>
#include <unordered_map>

namespace pinora {

namespace {


std::string isoDate(TDateTime t) {
    if (!inDateRange(t)) return "?";
    const CivilDate d = decodeDate(t);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
    return buf;
}

// The entries of a folder by their upper-cased names: a folder copied from another system
// may spell NOTICES.DAT or MSG in any case.
std::unordered_map<std::string, std::string> entriesOf(FileSystem& files,
                                                     const std::string& folder) {
    std::unordered_map<std::string, std::string> m;
    for (const FolderEntry& e : listFolder(files, folder).value_or(std::vector<FolderEntry>{}))
        m.emplace(upperAscii(e.name), folder + "/" + e.name);
    return m;
}

std::string found(const std::unordered_map<std::string, std::string>& m, const std::string& name) {
    const auto it = m.find(name);
    return it == m.end() ? std::string() : it->second;
}

ImportOutcome outcome(ImportStatus s, std::string message) {
    ImportOutcome o;
    o.status = s;
    o.message = std::move(message);
    return o;
}

std::string folderWithoutSeparator(std::string f) {
    while (f.size() > 1 && f.back() == '/')
        f.pop_back();
    return f;
}

} // namespace

ImportOutcome importRelease14(Database& db, const Release14Import& rq) {
    if (rq.staffSet < 1 || rq.staffSet > kSetCount || rq.studentSet < 1 ||
        rq.studentSet > kSetCount || rq.folder.empty())
        return outcome(ImportStatus::Refused, "You must specify all fields");

    const std::string folder = folderWithoutSeparator(rq.folder);
    const auto top = entriesOf(db.files(), folder);
    const std::string datPath = found(top, "NOTICES.DAT");
    if (datPath.empty() || !fileExists(db.files(), datPath))
        return outcome(ImportStatus::Refused, "The Path to Pinora 1.4 is incorrect");
    std::string dat, err;
    if (readWholeFile(db.files(), datPath, dat, formats::kRelease14FileSize, &err) != ReadStatus::Ok)
        return outcome(ImportStatus::Refused, err);
    if (dat.size() < formats::kRelease14FileSize)
        return outcome(ImportStatus::Refused,
                       "Read error: NOTICES.DAT holds " + std::to_string(dat.size()) + " of " +
                           std::to_string(formats::kRelease14FileSize) + " bytes");

    if (db.loadUsers() != LoadResult::Ok) return outcome(ImportStatus::Failed, {});
    const int admin = db.findUser("ADMIN");
    if (admin < 0)
        return outcome(ImportStatus::Refused,
                       "There is no ADMIN user to own the imported notices. Create the user "
                       "ADMIN in User Management, then import again");
    const UserRecord owner = db.user(admin);

    if (rq.waitForLock) {
        if (!db.waitForLock('N', rq.user, kImportTask)) return outcome(ImportStatus::Failed, {});
    } else {
        const LockResult l = db.acquireLock('N', rq.user, kImportTask);
        if (l == LockResult::Failed) return outcome(ImportStatus::Failed, {});
        if (l == LockResult::Refused) {
            ImportOutcome o = outcome(ImportStatus::LockHeld, {});
            o.lock = db.readLock('N');
            return o;
        }
    }
    const LoadResult loaded = db.loadNotices();
    if (loaded != LoadResult::Ok) {
        db.releaseLock('N');
        return outcome(ImportStatus::Failed,
                       loaded == LoadResult::Missing
                           ? "The NOTICE.DB File is missing. Nothing has been imported. See the "
                             "Notice Administrator"
                           : std::string());
    }

    const std::string msgFolder = found(top, "MSG");
    const auto texts = msgFolder.empty() ? decltype(top){} : entriesOf(db.files(), msgFolder);
    auto logLine = [&](const std::string& line) {
        if (rq.log) rq.log(line);
    };
    auto dateText = [&](TDateTime t) { return rq.shortDate ? rq.shortDate(t) : isoDate(t); };

    int imported = 0;
    int q = 0; // nothing frees a slot while the lock is held, so the search goes on from here
    for (int i = 1; i <= formats::kRelease14Records; ++i) {
        const formats::Release14Notice old = formats::release14Notice(dat, i);
        if (!old.used()) continue;
        logLine(std::to_string(i) + " " + cp1252ToUtf8(old.name) + " " + dateText(old.startDate) +
                " " + dateText(old.endDate) + " " + (old.staff ? "STAFF" : "STUDENT"));
        while (q <= kNoticeCount && (q < 1 || db.noticeInUse(q)))
            ++q;
        if (q > kNoticeCount) {
            logLine("Not enough DB Space available to import record");
            continue;
        }
        NoticeRecord& r = db.notice(q);
        r.owner = db.scramble("ADMIN");
        r.authorLevel = owner.securityLevel;
        r.startDate = old.startDate;
        r.endDate = old.endDate;
        r.signature = owner.signature.view();
        for (Flag& f : r.inSet)
            f = false;
        r.inSet[(old.staff ? rq.staffSet : rq.studentSet) - 1] = true;
        ++imported;

        // A file left behind by a deleted notice in this slot would become this notice's text.
        const std::string source = found(texts, std::to_string(i) + ".MSG");
        std::string bytes;
        if (source.empty() || readWholeFile(db.files(), source, bytes, 64u << 20, &err) != ReadStatus::Ok) {
            if (!source.empty()) logLine("The 1.4 message file of record " + std::to_string(i) +
                                         " cannot be read: " + err);
            removeFile(db.files(), db.messageFilePath(q));
            continue;
        }
        std::string text;
        for (const std::string& line : messageLines(bytes)) {
            text += line;
            text += '\n';
        }
        if (!db.writeMessageFile(q, text, &err))
            logLine("The message file of notice " + std::to_string(q) +
                    " cannot be written: " + err);
    }

    const bool saved = db.saveNotices();
    db.releaseLock('N');
    if (!saved) return outcome(ImportStatus::Failed, {});
    ImportOutcome o = outcome(ImportStatus::Done, "Import Complete");
    o.imported = imported;
    return o;
}

} // namespace pinora
