#include "import14.h"

#include "datetime.h"
#include "fileio.h"
#include "formats/release14.h"
#include "rtf.h"
#include "text.h"

#include <cerrno>
#include <cmath>
#include <optional>
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
// nullopt with error when the folder is there but cannot be listed: an import that went on
// would bring every notice in without its text.
std::optional<std::unordered_map<std::string, std::string>>
entriesOf(FileSystem& files, const std::string& folder, std::string& error) {
    std::unordered_map<std::string, std::string> m;
    std::string why;
    const auto entries = listFolder(files, folder, &why);
    if (!entries) {
        if (why == systemErrorText(ENOENT) || why == systemErrorText(ENOTDIR)) return m;
        error = "Read error: " + folder + ": " + why;
        return std::nullopt;
    }
    for (const FolderEntry& e : *entries)
        m.emplace(upperAscii(e.name), folder + "/" + e.name);
    return m;
}

std::string found(const std::unordered_map<std::string, std::string>& m, const std::string& name) {
    const auto it = m.find(name);
    return it == m.end() ? std::string() : it->second;
}

// A file of the old folder, read with the repeats of the database's own loads.
ReadStatus readRepeated(Database& db, const std::string& path, std::string& out,
                        std::size_t maxBytes, std::string& error) {
    ReadStatus st = ReadStatus::Error;
    for (int attempt = 1; attempt <= db.ioAttempts; ++attempt) {
        if (attempt > 1) db.services().sleeper->sleepMs(db.ioPauseMs);
        st = readWholeFile(db.files(), path, out, maxBytes, &error);
        if (st != ReadStatus::Error) break;
    }
    return st;
}

// The database's buffer for files of older formats, lent to the import until it returns: a
// second import does not map three quarters of a megabyte afresh. A load that converts a file
// meanwhile makes a buffer of its own.
struct LentBuffer {
    explicit LentBuffer(std::string& from) : owner(from), bytes(std::move(from)) {}
    ~LentBuffer() { owner = std::move(bytes); }
    LentBuffer(const LentBuffer&) = delete;
    LentBuffer& operator=(const LentBuffer&) = delete;
    std::string& owner;
    std::string bytes;
};

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
    std::string listError;
    const auto listed = entriesOf(db.files(), folder, listError);
    if (!listed) return outcome(ImportStatus::Refused, listError);
    const auto& top = *listed;
    const std::string datPath = found(top, "NOTICES.DAT");
    LentBuffer lent(db.oldFileBuffer());
    std::string& dat = lent.bytes;
    std::string err;
    const ReadStatus read =
        datPath.empty() ? ReadStatus::Missing
                        : readRepeated(db, datPath, dat, formats::kRelease14FileSize, err);
    if (read == ReadStatus::Missing || read == ReadStatus::NotAFile)
        return outcome(ImportStatus::Refused, "The Path to Pinora 1.4 is incorrect");
    if (read != ReadStatus::Ok)
        return outcome(ImportStatus::Refused, "Read error: NOTICES.DAT: " + err);
    if (dat.size() < formats::kRelease14FileSize)
        return outcome(ImportStatus::Refused,
                       "Read error: NOTICES.DAT holds " + std::to_string(dat.size()) + " of " +
                           std::to_string(formats::kRelease14FileSize) + " bytes");

    const std::string msgFolder = found(top, "MSG");
    const auto texts = msgFolder.empty()
                           ? std::make_optional(std::unordered_map<std::string, std::string>{})
                           : entriesOf(db.files(), msgFolder, listError);
    if (!texts) return outcome(ImportStatus::Refused, listError);

    Result told; // what the steps so far have to tell, such as a conversion on load
    if (Result users = db.loadUsers(); !users) {
        // A missing USER.DB used to end the import without a word.
        ImportOutcome o = outcome(ImportStatus::Failed,
                                  users.kind() == Result::Missing
                                      ? "The USER.DB File is missing. Nothing has been imported. "
                                        "See the Notice Administrator"
                                      : std::string());
        o.result = std::move(users);
        return o;
    } else {
        told.also(users);
    }
    const int admin = db.findUser("ADMIN");
    if (admin < 0) {
        ImportOutcome o = outcome(ImportStatus::Refused,
                                  "There is no ADMIN user to own the imported notices. Create "
                                  "the user ADMIN in User Management, then import again");
        o.result = told;
        return o;
    }
    const UserRecord owner = db.user(admin);

    Result l = rq.waitForLock ? db.waitForLock('N', rq.user, kImportTask)
                              : db.acquireLock('N', rq.user, kImportTask);
    if (l.kind() == Result::Refused) {
        ImportOutcome o = outcome(ImportStatus::LockHeld, {});
        o.lock = db.readLock('N');
        o.result = l.after(told);
        return o;
    }
    if (!l) {
        ImportOutcome o = outcome(ImportStatus::Failed, {});
        o.result = l.after(told);
        return o;
    }
    Result loaded = db.loadNotices();
    if (!loaded) {
        ImportOutcome o = outcome(ImportStatus::Failed,
                                  loaded.kind() == Result::Missing
                                      ? "The NOTICE.DB File is missing. Nothing has been "
                                        "imported. See the Notice Administrator"
                                      : std::string());
        o.result = loaded.after(told).also(db.releaseLock('N'));
        return o;
    }
    told.also(loaded);


    auto logLine = [&](const std::string& line) {
        if (rq.log) rq.log(line);
    };
    auto dateText = [&](TDateTime t) { return rq.shortDate ? rq.shortDate(t) : isoDate(t); };

    int imported = 0;
    int q = 0; // nothing frees a slot while the lock is held, so the search goes on from here
    std::vector<int> used;
    formats::release14UsedRecords(dat, used);
    for (const int i : used) {
        const formats::Release14Notice old = formats::release14Notice(dat, i);
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
        const std::string source = found(*texts, std::to_string(i) + ".MSG");
        std::string bytes;
        if (source.empty() || readRepeated(db, source, bytes, 64u << 20, err) != ReadStatus::Ok) {
            if (!source.empty()) logLine("The 1.4 message file of record " + std::to_string(i) +
                                         " cannot be read: " + err);
            if (const int gone = db.files().remove(db.messageFilePath(q));
                gone != 0 && gone != ENOENT)
                logLine("The old message file of notice " + std::to_string(q) +
                        " cannot be removed: " + systemErrorText(gone));
            continue;
        }
        std::string text;
        for (const std::string& line : messageLines(bytes)) {
            text += line;
            text += '\n';
        }
        if (const Result w = db.writeMessageFile(q, text); !w)
            logLine("The message file of notice " + std::to_string(q) +
                    " cannot be written: " + w.detail());
    }

    Result saved = db.saveNotices();
    ImportOutcome o = outcome(saved ? ImportStatus::Done : ImportStatus::Failed,
                              saved ? "Import Complete" : std::string());
    o.result = saved.after(told).also(db.releaseLock('N'));
    if (saved) o.imported = imported;
    return o;
}

} // namespace pinora
