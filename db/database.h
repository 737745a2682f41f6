// The shared database folder as one station sees it: the three tables in memory, the files on
// disk, and the lock files that serialise changes between stations.
#pragma once

#include "records.h"
#include "result.h"
#include "services.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pinora {

// Whether a load insists on today's header. Skip takes the block whatever the header says:
// for tools that look at a damaged or older file themselves.
enum class HeaderCheck { Required, Skip };

// A held lock as people see it (Windows-1252): the holder, or "an unknown station" when the
// file names none (it is empty or holds only TRUE); lockHolderText adds " for TASK" when the
// file gives one.
std::string lockHolderName(const LockInfo& lock);
std::string lockHolderText(const LockInfo& lock);

// All texts that go to or come from records are Windows-1252 bytes.
class Database {
  public:
    // folder ends with its separator; names are appended with one of their own.
    Database(std::string folder, Services services);

    const std::string& folder() const { return folder_; }
    std::string path(std::string_view name) const;
    Services& services() { return services_; }
    FileSystem& files() const { return *services_.files; }

    ConfigRecord config{};
    NoticeTableStore notices;
    UserTable users{};
    DbHeader header{}; // the header most recently read

    // Loads give up after ioAttempts and leave memory as it was; an Unreadable result says
    // what was found and carries the broken-file message. A file that exists is never
    // overwritten by a failed load. Missing (no message) is told apart, so that only a missing
    // file is initialised. A load that converted an older file first carries the upgrade
    // message. Saves that fail carry the unsaved-file message.
    Result loadConfig(HeaderCheck check = HeaderCheck::Required);
    Result loadNotices(HeaderCheck check = HeaderCheck::Required);
    Result loadUsers(HeaderCheck check = HeaderCheck::Required);
    Result saveConfig();
    Result saveNotices();
    Result saveUsers();
    void setConfigDefaults();
    void initNotices();
    void initUsers();
    // A missing CONFIG.DB or NOTICE.DB written from memory, only if no file of that name has
    // appeared meanwhile: defaults never replace a file. created is false when another
    // station made the file first, and it was left as it is.
    Result createConfig(bool& created);
    Result createNotices(bool& created);

    // Configuration.
    int findNoticeSet(std::string_view name) const;

    // Notices, numbered 1..10000.
    NoticeRecord& notice(int n) { return notices[static_cast<std::size_t>(n - 1)]; }
    const NoticeRecord& notice(int n) const { return notices[static_cast<std::size_t>(n - 1)]; }
    bool noticeInUse(int n) const;
    static bool recordInUse(const NoticeRecord& r);
    void noticesInUse(std::vector<int>& out) const; // their numbers, in order
    std::string noticeOwner(int n) const; // unscrambled
    int findFreeNotice() const;
    int countNoticesInUse() const;
    void markNoticeFree(int n);

    // Users, numbered 1..200.
    UserRecord& user(int n) { return users[static_cast<std::size_t>(n - 1)]; }
    const UserRecord& user(int n) const { return users[static_cast<std::size_t>(n - 1)]; }
    bool userSlotFree(int n) const;
    std::string userLoginName(int n) const; // unscrambled
    std::string userPassword(int n) const;  // unscrambled
    int findUser(std::string_view name) const;
    int authenticateUser(std::string_view name, std::string_view password) const;
    int findFreeUser() const;
    void setUserCredentials(int slot, std::string_view name, std::string_view password);
    void setUserName(int slot, std::string_view name);
    void setUserPassword(int slot, std::string_view password);
    Result saveOneUser(int slot);
    // The user a notice's stored owner belongs to (first 7 characters of the login name,
    // ignoring case); free slots are passed over. -1 when none.
    int findNoticeAuthor(std::string_view owner) const;

    // Where a file of an older format is read whole to be converted. Kept from one conversion
    // to the next, as the loads keep theirs: a notice table's megabyte, newly allocated, is
    // faulted in page by page, which costs more than reading it.
    std::string& oldFileBuffer() { return oldFile_; }

    std::string scramble(std::string_view text);
    // A temporary-file tag unique to this process and call, for writeFileAtomic.
    std::string tmpTag();

    // Message files: MSG/<n>.MSG, lines ended by CR LF.
    std::string messageFilePath(int n) const;
    bool messageFileExists(int n) const;
    // text uses '\n' (or CR LF) between lines; each stored line gets CR LF. A failure carries
    // no message: the caller names the file in its own words, with detail().
    Result writeMessageFile(int n, std::string_view text);
    Result readMessageFile(int n, std::string& text) const;

    // Lock files DB-N.LCK and DB-U.LCK. A lock this station takes again under the same name
    // (an operation inside another, or two windows of one station) is counted: each release
    // undoes one acquire, and only the outermost removes the file. Releasing a lock the station
    // does not hold removes the file, whoever wrote it.
    std::string lockPath(char letter) const;
    // found: a lock file was there and read (held or marked free).
    LockInfo readLock(char letter, bool* ok = nullptr, bool* found = nullptr);
    // Refused names the holder; Failed carries the lock-file message.
    Result acquireLock(char letter, std::string_view user, std::string_view task);
    // Failed, with the lock-left message, when the file could neither go nor be marked free.
    Result releaseLock(char letter);
    // Removes the lock file whoever holds it, however often this station took it: the
    // administrator's Clear Locks. A file that cannot be removed is marked free (first line
    // FALSE); failing that, Failed.
    Result clearLock(char letter);
    // Retries every lockRetryMs until granted; calls onLockWait while another holds the lock
    // and onLockWaitEnd once it has it. Fails only when the lock file cannot be used at all.
    Result waitForLock(char letter, std::string_view user, std::string_view task);

    // The change frame: take the lock, reload, change, save, release. change returns false to
    // leave the file as it is: Declined. Otherwise the lock's, the load's or the save's
    // failure (a missing file carries the missing-file message); what the release has to
    // tell comes last, also after a change that was stored.
    Result changeNotices(std::string_view user, std::string_view task,
                         const std::function<bool()>& change);
    Result changeUsers(std::string_view user, std::string_view task,
                       const std::function<bool()>& change);
    // CONFIG.DB has no lock: reload (keeping what other stations saved meanwhile), change,
    // save; the last station to save wins. A file that is there but cannot be read is not
    // saved over (a missing one is written afresh). Declined when change said no.
    Result changeConfig(const std::function<bool()>& change);

    std::function<void(char letter, const LockInfo&)> onLockWait;
    std::function<void()> onLockWaitEnd;
    // Called when acquireLock has found the lock file free and before it takes the file out of
    // the way: tests let another station act in this window.
    std::function<void(char letter)> onFreeLockFound;

    // False for a reader that must write nothing, such as the entrance-hall display: a file of
    // an older format then fails to load instead of being converted in place.
    bool convertOldFormats = true;
    int lockRetryMs = 3000;
    int ioAttempts = 10;
    int ioPauseMs = 100;
    // A file a share briefly shows as missing while another station replaces it is looked for
    // this many times before it counts as missing.
    static constexpr int kMissingAttempts = 3;
    // A save the share refuses while another client holds the file open is tried this many
    // times ioAttempts.
    static constexpr int kBusyFactor = 5;

    // A message file beyond this is not read (a notice's text is a few lines).
    static constexpr std::size_t kMaxMessageFileSize = 64u << 20;
    static constexpr std::size_t kConfigFileSize = 16 + sizeof(ConfigRecord);
    static constexpr std::size_t kNoticeFileSize = 16 + sizeof(NoticeTable);
    static constexpr std::size_t kUserFileSize = 16 + sizeof(UserTable);

  private:
    Result loadFile(const char* name, void* block, std::size_t blockSize, HeaderCheck check);
    Result loadNoticeFile(HeaderCheck check);
    // The length a load's read of a file may stop at the header for when the file has another:
    // none on the last attempt, which reads the file whole.
    std::optional<std::uint64_t> lengthUntilLast(int attempt, std::size_t length) const;
    Result unreadableFile(const char* name, std::size_t expected);
    Result handleOldHeader(const char* name, const DbHeader& found);
    Result saveFile(const char* name, const void* block, std::size_t blockSize);
    Result createFile(const char* name, const void* block, std::size_t blockSize, bool& created);
    // Gone: the free lock file is out of the way (or another station has moved it). Held: it
    // had become another station's lock, which is left in place. Busy: the share will not move
    // it while another client has it open. Failed: it cannot be moved.
    enum class FreeLock { Gone, Held, Busy, Failed };
    FreeLock takeFreeLock(char letter);
    // Removes this station's lock file, or marks it free; Failed when it could do neither.
    Result freeLockFile(char letter);
    Result changeFrame(char letter, std::string_view user, std::string_view task,
                       const std::function<Result()>& reload, const std::function<Result()>& save,
                       const std::function<bool()>& change);

    struct Held {
        int count = 0;
        std::string holder;
    };
    Held& held(char letter) { return letter == 'N' ? heldN_ : heldU_; }

    std::string folder_;
    Services services_;
    Held heldN_, heldU_;
    bool upgrading_ = false;
    std::vector<char> scratch_; // a file read aside before it replaces the records
    std::string oldFile_;
};

// The texts of the messages, so that results, windows and tests quote the same words. found says
// what the load found ("it holds 1000 bytes, 1040016 expected"); CONFIG.DB keeps its own
// words, whatever was found.
std::string brokenFileMessage(std::string_view name, std::string_view found = {});
// What a failed load found in the file at path, for brokenFileMessage. expected is the size
// of a whole file.
std::string foundInFile(FileSystem& fs, const std::string& path, std::size_t expected);
std::string unsavedFileMessage(std::string_view name);
std::string missingFileMessage(std::string_view name);
std::string lockFileMessage(char letter);
// A lock this station held that it could neither remove nor mark free.
std::string lockLeftMessage(char letter);

} // namespace pinora
