#include "database.h"

#include "fileio.h"
#include "text.h"
#include "upgrade.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <unistd.h>
#include <vector>

namespace pinora {

namespace {
constexpr char kSignature[8] = {'\x83', 'P', 'N', 'R', '2', 'D', 'B', '\x83'};
} // namespace

DbHeader currentHeader() {
    DbHeader h{};
    h.signature.len = 8;
    std::memcpy(h.signature.chars, kSignature, 8);
    h.version = currentDbVersion;
    return h;
}

bool headerMatches(const DbHeader& h) {
    return h.signature.len == 8 && std::memcmp(h.signature.chars, kSignature, 8) == 0 &&
           h.version >= currentDbVersion;
}

std::string brokenFileMessage(std::string_view name, std::string_view found) {
    if (name == "CONFIG.DB")
        return "The CONFIG.DB File is broken, or the is a DISK or NETWORK error. See the Notice "
               "Administrator";
    std::string why = found.empty() ? std::string() : " (" + std::string(found) + ")";
    return "The " + std::string(name) + " File is broken, or there is a DISK or NETWORK error" +
           why + ". It has been left as it is. See the Notice Administrator";
}

std::string foundInFile(FileSystem& fs, const std::string& path, std::size_t expected) {
    std::string error;
    char probe = 0;
    std::size_t got = 0;
    const ReadStatus st = readFileInto(fs, path, &probe, 1, got, &error);
    if (st == ReadStatus::Missing) return "it has gone";
    if (st == ReadStatus::NotAFile)
        return folderExists(fs, path) ? "it is a folder" : "it is not a regular file";
    if (st != ReadStatus::Ok) return "it cannot be read: " + error;
    const auto size = fileSize(fs, path);
    if (!size) return {};
    if (*size == 0) return "it is empty";
    return "it holds " + std::to_string(*size) + " bytes, " + std::to_string(expected) +
           " expected";
}

std::string unsavedFileMessage(std::string_view name) {
    return "The " + std::string(name) +
           " File could not be saved. There is a DISK or NETWORK error, or the database folder "
           "is read-only. Your change has not been stored. See the Notice Administrator";
}

std::string missingFileMessage(std::string_view name) {
    return "The " + std::string(name) +
           " File is missing from the database folder. Your change has not been stored. See the "
           "Notice Administrator";
}

std::string lockLeftMessage(char letter) {
    return std::string("The lock file DB-") + letter +
           ".LCK could not be removed. There is a DISK or NETWORK error, or the database folder "
           "is read-only. Other workstations will wait for it until it is gone: see the Notice "
           "Administrator, who can remove it with Clear Locks";
}

std::string lockFileMessage(char letter) {
    return std::string("The lock file DB-") + letter +
           ".LCK could not be read or written. There is a DISK or NETWORK error, or the "
           "database folder is read-only. See the Notice Administrator";
}

Database::Database(std::string folder, Services services)
    : folder_(std::move(folder)), services_(std::move(services)) {
    if (folder_.empty() || folder_.back() != '/') folder_ += '/';
}

std::string Database::path(std::string_view name) const {
    return folder_ + "/" + std::string(name);
}

// Unique to this station: CONFIG.DB is saved without a lock, so two stations may write their
// temporary files at the same moment. Chance is left alone so that scrambling keys stay
// where tests and callers expect them.
std::string Database::tmpTag() {
    static const std::string station = [] {
        char host[256] = {};
        if (::gethostname(host, sizeof host - 1) != 0 || !host[0]) std::strcpy(host, "station");
        return std::string(host) + "-" + std::to_string(::getpid());
    }();
    static std::atomic<unsigned long long> counter{0};
    return "~" + station + "-" + std::to_string(++counter);
}

std::string Database::scramble(std::string_view text) {
    return scrambleText(text, [this] { return services_.chance->below(128); });
}

// ---- whole files -------------------------------------------------------------------------

Result Database::unreadableFile(const char* name, std::size_t expected) {
    const std::string found = foundInFile(files(), path(name), expected);
    return Result::unreadable(name, found).tell(brokenFileMessage(name, found));
}

std::optional<std::uint64_t> Database::lengthUntilLast(int attempt, std::size_t length) const {
    if (attempt >= ioAttempts) return std::nullopt;
    return length;
}

Result Database::loadFile(const char* name, void* block, std::size_t blockSize,
                              HeaderCheck check) {
    const std::string p = path(name);
    const std::size_t want = 16 + blockSize;
    // The file is read aside first so that memory stays as it was when the load fails. One
    // byte more than expected tells a file that is too long.
    if (scratch_.size() < want + 1) scratch_.resize(want + 1);
    char* buf = scratch_.data();
    int missing = 0;
    for (int attempt = 1; attempt <= ioAttempts; ++attempt) {
        if (attempt > 1) services_.sleeper->sleepMs(ioPauseMs);
        // A file of the wrong length is only looked at for its header until the last attempt,
        // which reads it whole whatever size it was opened with.
        std::size_t got[2] = {0, 0};
        const ReadStatus st =
            readFileParts(files(), p, {MutableSpan{buf, 16}, MutableSpan{buf + 16, want + 1 - 16}},
                          got, nullptr, nullptr, lengthUntilLast(attempt, want));
        if (st == ReadStatus::Missing) {
            if (++missing >= kMissingAttempts) return Result::missing(name);
            continue;
        }
        if (st != ReadStatus::Ok || got[0] < 16) continue;
        DbHeader h;
        std::memcpy(&h, buf, 16);
        // A whole header of another format does not change by waiting.
        if (check == HeaderCheck::Required && !headerMatches(h)) return handleOldHeader(name, h);
        if (16 + got[1] != want) continue;
        header = h;
        std::memcpy(block, buf + 16, blockSize);
        return Result::ok();
    }
    return unreadableFile(name, want);
}

Result Database::loadNoticeFile(HeaderCheck check) {
    const char* name = "NOTICE.DB";
    const std::string p = path(name);
    NoticeTable& spare = notices.spare();
    int missing = 0;
    for (int attempt = 1; attempt <= ioAttempts; ++attempt) {
        if (attempt > 1) services_.sleeper->sleepMs(ioPauseMs);
        DbHeader h;
        char extra = 0;
        std::size_t got[3] = {0, 0, 0};
        const ReadStatus st =
            readFileParts(files(), p,
                          {MutableSpan{&h, sizeof h}, MutableSpan{spare.data(), sizeof spare},
                           MutableSpan{&extra, 1}},
                          got, nullptr, nullptr, lengthUntilLast(attempt, kNoticeFileSize));
        if (st == ReadStatus::Missing) {
            if (++missing >= kMissingAttempts) return Result::missing(name);
            continue;
        }
        if (st != ReadStatus::Ok || got[0] < sizeof h) continue;
        if (check == HeaderCheck::Required && !headerMatches(h)) return handleOldHeader(name, h);
        if (got[1] != sizeof spare || got[2] != 0) continue;
        header = h;
        notices.swapInSpare();
        return Result::ok();
    }
    return unreadableFile(name, kNoticeFileSize);
}

Result Database::saveFile(const char* name, const void* block, std::size_t blockSize) {
    const DbHeader h = currentHeader();
    const std::string p = path(name);
    // A share refuses to replace a file that another client has open until it lets go: that
    // is waited for longer than a local error, and still not for ever.
    int limit = ioAttempts;
    std::string error;
    for (int attempt = 1; attempt <= limit; ++attempt) {
        if (attempt > 1) services_.sleeper->sleepMs(ioPauseMs);
        int code = 0;
        if (writeFileAtomic(files(), p, {ByteSpan{&h, 16}, ByteSpan{block, blockSize}}, tmpTag(),
                            true, &error, &code))
            return Result::ok();
        if (busyElsewhere(code)) limit = std::max(limit, ioAttempts * kBusyFactor);
    }
    return Result::failed(name, error).tell(unsavedFileMessage(name));
}

Result Database::createFile(const char* name, const void* block, std::size_t blockSize,
                            bool& created) {
    const DbHeader h = currentHeader();
    std::string content(reinterpret_cast<const char*>(&h), 16);
    content.append(static_cast<const char*>(block), blockSize);
    created = false;
    std::string error;
    for (int attempt = 1; attempt <= ioAttempts; ++attempt) {
        if (attempt > 1) services_.sleeper->sleepMs(ioPauseMs);
        bool exists = false;
        if (createFileExclusive(files(), path(name), content, tmpTag(), exists, &error, true)) {
            created = true;
            return Result::ok();
        }
        if (exists) return Result::ok();
    }
    return Result::failed(name, error).tell(unsavedFileMessage(name));
}

Result Database::createConfig(bool& created) {
    return createFile("CONFIG.DB", &config, sizeof config, created);
}

Result Database::createNotices(bool& created) {
    return createFile("NOTICE.DB", notices.data(), sizeof(NoticeTable), created);
}

// The one place where a file whose header is not today's is dealt with: the loads of all
// three files come here. An older format is converted in place (the user is told), then the
// converted file is read again from its start; a reader that converts nothing is told why the
// file cannot be read.
Result Database::handleOldHeader(const char* name, const DbHeader& /*found*/) {
    // A file that still is not current after its conversion is not converted twice.
    if (upgrading_) {
        const char* found = "it is still not of the current format after its upgrade";
        return Result::unreadable(name, found).tell(brokenFileMessage(name, found));
    }
    const Result converted =
        convertOldFormats ? upgradeOnLoad(*this, name) : refuseOnLoad(*this, name);
    if (!converted) return converted;
    upgrading_ = true;
    const std::string_view which = name;
    Result result = which == "NOTICE.DB" ? loadNoticeFile(HeaderCheck::Required)
                              : which == "USER.DB"
                                  ? loadFile(name, &users, sizeof users, HeaderCheck::Required)
                                  : loadFile(name, &config, sizeof config, HeaderCheck::Required);
    upgrading_ = false;
    return result.after(converted);
}

Result Database::loadConfig(HeaderCheck check) {
    return loadFile("CONFIG.DB", &config, sizeof config, check);
}
Result Database::loadNotices(HeaderCheck check) {
    return loadNoticeFile(check);
}
Result Database::loadUsers(HeaderCheck check) {
    return loadFile("USER.DB", &users, sizeof users, check);
}
Result Database::saveConfig() {
    return saveFile("CONFIG.DB", &config, sizeof config);
}
Result Database::saveNotices() {
    return saveFile("NOTICE.DB", notices.data(), sizeof(NoticeTable));
}
Result Database::saveUsers() {
    return saveFile("USER.DB", &users, sizeof users);
}

void Database::setConfigDefaults() {
    UserRecord& t = config.newUserTemplate;
    t.loginName = "";
    t.password = "";
    t.fullName = "";
    t.signature = "";
    t.postCount = 0;
    t.securityLevel = 100;
    t.allowEdit = false;
    t.allowDelete = false;
    t.allowPublish = true;
    t.adminMenu = false;
    t.superUser = false;
    t.extraHelp = false;
    for (Flag& f : t.denySet)
        f = false;
    t.bypassDeadline = false;
    t.bypassMaxDays = false;

    config.ftpServer = "";
    config.ftpPort = 21;
    config.ftpPassive = false;
    config.ftpUploadDir = "";
    config.ftpUser = "";
    config.ftpPassword = "";
    config.reserved564 = 0;

    for (NoticeSetConfig& s : config.noticeSets) {
        s.name = "";
        s.deadlineEnabled = false;
        s.maxDaysEnabled = false;
        s.maxDays = 2;
        s.deadline = 19.0 / 24.0;
    }

    config.schoolName = "";
    config.schoolCopyright = "";

    config.authUseOsName = false;
    config.authAskPassword = true;
    config.authDialogFlag = true;
    config.signupAllowed = false;
    config.signupAskName = false;

    config.allowUserReturns = true;
    config.numberEachNotice = true;
    config.signatureStyle = 0;
    config.fontName = "Times New Roman";
    config.pointSize = 4;
    config.reserved1324 = 2;
    config.reserved1328 = 2;
    config.borderSize = 2;
    config.headerPointSize = 7;
    config.crAfterNotice = true;
    config.subtitlePointSize = 4;
}

void Database::initNotices() {
    for (NoticeRecord& r : notices)
        r.owner = scramble(freeMarker);
}

void Database::initUsers() {
    for (UserRecord& r : users)
        r.loginName = scramble(freeMarker);
}

int Database::findNoticeSet(std::string_view name) const {
    int found = -1;
    for (int k = 1; k <= kSetCount; ++k)
        if (equalsIgnoreCase(config.noticeSets[k - 1].name.str(), name)) found = k;
    return found;
}

// ---- notices ------------------------------------------------------------------------------

bool Database::noticeInUse(int n) const {
    return recordInUse(notice(n));
}

std::string Database::noticeOwner(int n) const {
    return unscrambleText(notice(n).owner.str());
}

void Database::markNoticeFree(int n) {
    notice(n).owner = scramble(freeMarker);
}

// ---- users --------------------------------------------------------------------------------

bool Database::userSlotFree(int n) const {
    return scrambledEquals(user(n).loginName.view(), freeMarker);
}

std::string Database::userLoginName(int n) const {
    return unscrambleText(user(n).loginName.str());
}

std::string Database::userPassword(int n) const {
    return unscrambleText(user(n).password.str());
}

namespace {
// The length of a scrambled text once unscrambled: a name of another length is passed over
// without unscrambling it.
std::size_t plainLength(const ShortString<16>& scrambled) {
    const std::size_t stored = scrambled.view().size();
    return stored == 0 ? 0 : stored - 1;
}
} // namespace

int Database::findUser(std::string_view name) const {
    for (int n = 1; n <= kUserCount; ++n)
        if (plainLength(user(n).loginName) == name.size() &&
            equalsIgnoreCase(userLoginName(n), name))
            return n;
    return -1;
}

int Database::authenticateUser(std::string_view name, std::string_view password) const {
    for (int n = 1; n <= kUserCount; ++n)
        if (plainLength(user(n).loginName) == name.size() &&
            equalsIgnoreCase(userLoginName(n), name) && equalsIgnoreCase(userPassword(n), password))
            return n;
    return -1;
}

int Database::findFreeUser() const {
    for (int n = 1; n <= kUserCount; ++n)
        if (userSlotFree(n)) return n;
    return -1;
}

void Database::setUserCredentials(int slot, std::string_view name, std::string_view password) {
    setUserName(slot, name);
    setUserPassword(slot, password);
}

void Database::setUserName(int slot, std::string_view name) {
    user(slot).loginName = scramble(name);
}

void Database::setUserPassword(int slot, std::string_view password) {
    user(slot).password = scramble(password);
}

Result Database::saveOneUser(int slot) {
    const UserRecord keep = user(slot);
    const Result loaded = loadUsers();
    // A missing file is written afresh; one that is there but unreadable is not saved over.
    if (!loaded && loaded.kind() != Result::Missing) return loaded;
    user(slot) = keep;
    return saveUsers().after(loaded);
}

int Database::findNoticeAuthor(std::string_view owner) const {
    for (int n = 1; n <= kUserCount; ++n)
        if (!userSlotFree(n) && ownerBelongsTo(owner, userLoginName(n))) return n;
    return -1;
}

// ---- message files ------------------------------------------------------------------------

std::string Database::messageFilePath(int n) const {
    return path("MSG/" + std::to_string(n) + ".MSG");
}

bool Database::messageFileExists(int n) const {
    // The check frees a notice whose text is missing, so only a file that is surely not there
    // counts as missing; one that cannot be looked at, after the usual repeats, counts as there.
    // A link there is not taken for a missing file either: its read is refused with its reason.
    EntryInfo info;
    for (int attempt = 1; attempt <= ioAttempts; ++attempt) {
        if (attempt > 1) services_.sleeper->sleepMs(ioPauseMs);
        const int err = files().info(messageFilePath(n), info);
        if (err == 0) return info.type == EntryType::Regular || info.type == EntryType::Link;
        if (err == ENOENT || err == ENOTDIR) return false;
        if (err == ELOOP) return true;
    }
    return true;
}

Result Database::writeMessageFile(int n, std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16 + 2);
    forEachLine(text, LineEnds::CrLfOrLf, [&out](std::string_view line) {
        out.append(line);
        out += "\r\n";
    });
    // Readers never see half a text, and the text is flushed: a notice whose save survives a
    // power cut must not come back without the words the teacher typed.
    std::string err;
    for (int attempt = 1; attempt <= ioAttempts; ++attempt) {
        if (attempt > 1) services_.sleeper->sleepMs(ioPauseMs);
        if (writeFileAtomic(files(), messageFilePath(n), {ByteSpan{out.data(), out.size()}},
                            tmpTag(), true, &err))
            return Result::ok();
        if (err == kLinkRefused) break; // a link stays a link
    }
    return Result::failed(messageFilePath(n), err);
}

Result Database::readMessageFile(int n, std::string& text) const {
    std::string err;
    const std::string p = messageFilePath(n);
    const ReadStatus st = readWholeFile(files(), p, text, kMaxMessageFileSize, &err);
    if (st == ReadStatus::Ok) return Result::ok();
    text.clear();
    if (st == ReadStatus::Missing) return Result::missing(p, "File not found");
    return Result::failed(p, err);
}

// ---- locks --------------------------------------------------------------------------------

std::string Database::lockPath(char letter) const {
    return path(std::string("DB-") + letter + ".LCK");
}

std::string lockHolderName(const LockInfo& lock) {
    return lock.holder.empty() ? "an unknown station" : lock.holder;
}

std::string lockHolderText(const LockInfo& lock) {
    return lockHolderName(lock) + (lock.task.empty() ? "" : " for " + lock.task);
}

namespace {
// Three lines: TRUE or FALSE, the holder, the task. Anything but FALSE (in any case) counts as
// held. Lines end with CR LF; a lone CR or LF ends a line too.
LockInfo lockFromText(std::string_view text) {
    LockInfo info;
    std::vector<std::string> lines;
    for (std::string_view l : splitLines(text, LineEnds::CrLfCrOrLf, 3))
        lines.emplace_back(l);
    lines.resize(3);
    if (upperAscii(lines[0]) != "FALSE") {
        info.held = true;
        info.holder = lines[1];
        info.task = lines[2];
    }
    return info;
}
} // namespace

LockInfo Database::readLock(char letter, bool* ok, bool* found) {
    LockInfo info;
    if (ok) *ok = true;
    if (found) *found = false;
    std::string buf;
    for (int attempt = 1; attempt <= ioAttempts; ++attempt) {
        if (attempt > 1) services_.sleeper->sleepMs(ioPauseMs);
        const ReadStatus st = readWholeFile(files(), lockPath(letter), buf, 4096);
        if (st == ReadStatus::Missing) return info;
        if (st != ReadStatus::Ok) continue;
        if (found) *found = true;
        return lockFromText(buf);
    }
    if (ok) *ok = false;
    info.held = true; // unknown counts as held
    return info;
}

Result Database::acquireLock(char letter, std::string_view user, std::string_view task) {
    const std::string name = std::string("DB-") + letter + ".LCK";
    const auto unusable = [&](std::string error) {
        return Result::failed(name, std::move(error)).tell(lockFileMessage(letter));
    };
    bool ok = true, found = false;
    LockInfo info = readLock(letter, &ok, &found);
    if (!ok) return unusable("it cannot be read");
    bool created = false;
    const std::string p = lockPath(letter);
    if (!info.held) {
        const std::string content =
            "TRUE\r\n" + std::string(user) + "\r\n" + std::string(task) + "\r\n";
        bool written = false;
        int limit = ioAttempts;
        for (int attempt = 1; attempt <= limit && !written; ++attempt) {
            // A free lock file (first line FALSE) is taken out of the way first. Only a file
            // read as free is moved: a name a share showed a moment ago and then could not find
            // may hold another station's new lock by the time of a move. The first try goes by
            // the read above.
            if (attempt > 1) {
                services_.sleeper->sleepMs(ioPauseMs);
                bool readOk = true;
                if (readLock(letter, &readOk, &found).held || !readOk) {
                    written = readOk; // another station won; the read-back decides
                    break;
                }
            }
            if (found) {
                if (onFreeLockFound) onFreeLockFound(letter);
                const FreeLock taken = takeFreeLock(letter);
                if (taken == FreeLock::Failed) break;
                if (taken == FreeLock::Busy) {
                    // The stations that wait read it too: waited out as a busy save is.
                    limit = std::max(limit, ioAttempts * kBusyFactor);
                    continue;
                }
                if (taken == FreeLock::Held) {
                    written = true; // it was another station's lock by then, and is theirs again
                    break;
                }
            }
            bool exists = false;
            created = createFileExclusive(files(), p, content, tmpTag(), exists);
            written = created || exists;
        }
        if (!written) return unusable("it cannot be written");
    }
    info = readLock(letter, &ok);
    if (!ok) {
        Result r = unusable("it cannot be read back");
        if (created) r.also(freeLockFile(letter)); // a lock that was taken is not left behind
        return r;
    }
    if (!info.held || !equalsIgnoreCase(info.holder, user)) return Result::refused(name, info);
    Held& h = held(letter);
    if (h.count > 0 && equalsIgnoreCase(h.holder, user))
        ++h.count;
    else
        h = Held{1, std::string(user)};
    return Result::ok();
}

// Removing the free file by its name could remove a lock that another station created under
// that name after this one read it. A rename moves one file, and of two stations only one
// can move it; the file moved is then read under the name only this station uses.
Database::FreeLock Database::takeFreeLock(char letter) {
    const std::string p = lockPath(letter);
    const std::string aside = p + "." + tmpTag() + ".tmp";
    if (const int err = files().rename(p, aside)) {
        if (err == ENOENT) return FreeLock::Gone; // another station took it
        return busyElsewhere(err) ? FreeLock::Busy : FreeLock::Failed;
    }
    std::string buf;
    const bool readBack = readWholeFile(files(), aside, buf, 4096) == ReadStatus::Ok;
    if (!readBack || lockFromText(buf).held) {
        // Put back the lock this station moved, never over one that a third station may have
        // created meanwhile.
        bool exists = false;
        bool back = linkFileExclusive(files(), aside, p, exists);
        // A folder without hard links, or a share that refuses a taken name with EPERM: the
        // lock is written back by an exclusive create, which tells a taken name either way.
        if (!back && !exists && readBack)
            back = createFileExclusive(files(), p, buf, tmpTag(), exists);
        if (back || exists) {
            removeFile(files(), aside);
            return FreeLock::Held;
        }
        return FreeLock::Failed;
    }
    removeFile(files(), aside);
    return FreeLock::Gone;
}

Result Database::releaseLock(char letter) {
    Held& h = held(letter);
    if (h.count > 1) {
        --h.count; // an outer operation still holds it
        return Result::ok();
    }
    return clearLock(letter);
}

Result Database::clearLock(char letter) {
    held(letter) = Held{};
    return freeLockFile(letter);
}

Result Database::freeLockFile(char letter) {
    const std::string p = lockPath(letter);
    // The stations that wait for the lock open the file to see who holds it, and a share
    // refuses to remove a file, or to rename over it, while another client has it open: that
    // is tried for longer than a local error, as a save is.
    int limit = ioAttempts;
    for (int attempt = 1; attempt <= limit; ++attempt) {
        if (attempt > 1) services_.sleeper->sleepMs(ioPauseMs);
        const int err = files().remove(p);
        if (err == 0 || err == ENOENT) return Result::ok();
        if (busyElsewhere(err)) limit = std::max(limit, ioAttempts * kBusyFactor);
    }
    // A first line FALSE reads as free to every station and to older copies, so the lock is
    // marked free instead.
    static const char freeText[] = "FALSE\r\n\r\n\r\n";
    limit = ioAttempts;
    std::string error;
    for (int attempt = 1; attempt <= limit; ++attempt) {
        if (attempt > 1) services_.sleeper->sleepMs(ioPauseMs);
        int code = 0;
        if (writeFileAtomic(files(), p, {ByteSpan{freeText, sizeof freeText - 1}}, tmpTag(),
                            false, &error, &code))
            return Result::ok();
        if (busyElsewhere(code)) limit = std::max(limit, ioAttempts * kBusyFactor);
    }
    return Result::failed(std::string("DB-") + letter + ".LCK", error)
        .tell(lockLeftMessage(letter));
}

Result Database::waitForLock(char letter, std::string_view user, std::string_view task) {
    bool waited = false;
    for (;;) {
        Result r = acquireLock(letter, user, task);
        if (r.kind() != Result::Refused) {
            if (waited && onLockWaitEnd) onLockWaitEnd();
            return r;
        }
        const LockInfo info = readLock(letter);
        if (info.held && onLockWait) onLockWait(letter, info);
        waited = true;
        services_.sleeper->sleepMs(lockRetryMs);
    }
}

Result Database::changeFrame(char letter, std::string_view user, std::string_view task,
                             const std::function<Result()>& reload,
                             const std::function<Result()>& save,
                             const std::function<bool()>& change) {
    if (Result locked = waitForLock(letter, user, task); !locked) return locked;
    Result r = reload();
    // A load that failed carries why; a missing file says nothing by itself.
    if (r.kind() == Result::Missing) r.tell(missingFileMessage(r.file()));
    if (r) {
        const Result loaded = r;
        if (!change()) {
            r = Result::declined().after(loaded);
        } else {
            r = save().after(loaded);
            // The file still holds what it held: so must memory, or counts and lists would
            // show a change that no other station sees.
            if (!r) r.also(reload());
        }
    }
    return r.also(releaseLock(letter));
}

Result Database::changeNotices(std::string_view user, std::string_view task,
                             const std::function<bool()>& change) {
    return changeFrame(
        'N', user, task, [this] { return loadNotices(); }, [this] { return saveNotices(); },
        change);
}

Result Database::changeConfig(const std::function<bool()>& change) {
    const Result loaded = loadConfig();
    if (!loaded && loaded.kind() != Result::Missing) return loaded;
    if (!change()) return Result::declined().after(loaded);
    return saveConfig().after(loaded);
}

Result Database::changeUsers(std::string_view user, std::string_view task,
                           const std::function<bool()>& change) {
    return changeFrame(
        'U', user, task, [this] { return loadUsers(); }, [this] { return saveUsers(); }, change);
}

} // namespace pinora
