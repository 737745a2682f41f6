#include "integritycheck.h"

#include "fileio.h"
#include "text.h"

#include <ctime>
#include <vector>

namespace pinora {

const char* const kCheckRefusedMessage =
    "Cannot start a data integrity check while someone is using the notice system";

namespace {


class Check {
  public:
    Check(Station& st, const CheckOptions& o, CheckObserver& obs,
          const std::function<std::string(TDateTime)>& timeText)
        : st_(st), db_(st.db), o_(o), obs_(obs), timeText_(timeText) {}

    CheckResult run() {
        obs_.logLine("Check started: " + timeText_(st_.now()));
        if (o_.repair && !takeLocks()) return result_;
        obs_.stepDone(SingleUserStep);

        if (!reload()) return result_;
        findNoticesInUse();
        obs_.stepDone(RefreshStep);

        checkUsers();
        obs_.stepDone(UserStep);
        checkWidowedNotices();
        obs_.stepDone(WidowedNoticeStep);
        checkWidowedEntries();
        obs_.stepDone(WidowedEntryStep);
        if (o_.removeOld) removeOldNotices();
        obs_.stepDone(OldNoticeStep);
        std::vector<std::string> refused;
        result_.counts.temporaryFilesRemoved = removeTemporaryFiles(db_, o_.repair, &refused);
        for (const std::string& folder : refused)
            obs_.logLine("Folder " + folder + " : is a link. Links in the database folder are "
                         "never followed, so nothing in it was removed");
        obs_.stepDone(TemporaryFileStep);

        if (o_.repair && !save()) return result_;
        obs_.stepDone(UpdateStep);
        if (o_.repair) releaseLocks();
        obs_.stepDone(MultiUserStep);
        obs_.logLine("Check Completed: " + timeText_(st_.now()));
        return result_;
    }

  private:
    // The first failure is the check's result; what every step has to tell is kept in order.
    bool keep(const Result& r) {
        if (result_.result && !r)
            result_.result = Result(r).after(result_.result);
        else
            result_.result.also(r);
        return r.isOk();
    }

    bool takeLocks() {
        const std::string& me = st_.currentUserName;
        if (!keep(db_.acquireLock('U', me, kCheckTask))) return refuse('U');
        if (!keep(db_.acquireLock('N', me, kCheckTask))) {
            keep(db_.releaseLock('U'));
            return refuse('N');
        }
        return true;
    }

    bool refuse(char letter) {
        result_.outcome = CheckOutcome::LockRefused;
        result_.refusedLock = letter;
        result_.holder = db_.readLock(letter);
        return false;
    }

    void releaseLocks() {
        keep(db_.releaseLock('U'));
        keep(db_.releaseLock('N'));
    }

    bool reload() {
        const char* failed = nullptr;
        if (!keep(db_.loadUsers()))
            failed = "USER.DB";
        else if (!keep(db_.loadNotices()))
            failed = "NOTICE.DB";
        if (!failed) return true;
        stop(CheckOutcome::LoadFailed, std::string(failed) + " could not be read");
        return false;
    }

    bool save() {
        std::string why;
        if (!keep(db_.saveUsers()))
            why = "USER.DB could not be saved. USER.DB and NOTICE.DB were left as they were";
        else if (!keep(db_.saveNotices()))
            why = "NOTICE.DB could not be saved. USER.DB was saved; NOTICE.DB was left as it was";
        if (why.empty()) return true;
        const int removed = result_.counts.temporaryFilesRemoved;
        if (removed > 0)
            why += "; " + std::to_string(removed) +
                   (removed == 1 ? " temporary file was removed" : " temporary files were removed");
        // Memory goes back to what the files hold, so that nothing counts what was not saved.
        result_.result.also(db_.loadUsers());
        result_.result.also(db_.loadNotices());
        stop(CheckOutcome::SaveFailed, why, "");
        return false;
    }

    // The check ends early: the log says why, and no lock of ours stays behind.
    void stop(CheckOutcome outcome, const std::string& why,
              const std::string& tail = "Nothing was changed. ") {
        result_.outcome = outcome;
        obs_.logLine("Check Failed: " + why + ". " + tail + timeText_(st_.now()));
        if (o_.repair) releaseLocks();
    }

    void pause(int fromMs, int spanMs) {
        st_.services().sleeper->sleepMs(fromMs + st_.services().chance->below(spanMs));
        obs_.idle();
    }

    void line(int n, const std::string& name, const char* tail) {
        obs_.logLine("Record " + std::to_string(n) + " " + name + tail);
    }

    // Freeing ADMIN, or the one running the check, would lock the administrator out.
    bool mustKeep(int n, const std::string& name) const {
        return equalsIgnoreCase(name, "ADMIN") || n == st_.currentUserSlot ||
               equalsIgnoreCase(name, st_.currentUserName);
    }

    void checkUsers() {
        obs_.progressRange(1, kUserCount);
        for (int n = 1; n <= kUserCount; ++n) {
            if (db_.userSlotFree(n)) continue;
            const std::string name = db_.userLoginName(n);
            pause(10, 20);
            UserRecord& u = db_.user(n);
            const bool keep = mustKeep(n, name);
            bool corrupt = false;
            if (u.fullName.empty()) {
                line(n, name,
                     keep ? " : Full Name missing. Record is corrupt. Kept, as it is needed to "
                            "administer the notice system"
                          : " : Full Name missing. Record is corrupt. Deleted");
                corrupt = true;
            }
            if (u.postCount < 0) {
                line(n, name, " : Post Count inaccurate. Post Count reset");
                u.postCount = 0;
                ++result_.counts.postCountsReset;
            }
            if (u.password.empty()) {
                line(n, name,
                     keep ? " : Password missing. Record is corrupt. Kept, as it is needed to "
                            "administer the notice system"
                          : " : Password missing. Record is corrupt. Deleted");
                corrupt = true;
            }
            if (corrupt && !keep) {
                db_.setUserName(n, freeMarker);
                ++result_.counts.usersFreed;
            }
            obs_.progress(n);
        }
    }

    // Each step frees notices or gives them to ADMIN, and none takes a free one into use: the
    // steps visit the notices in use when the tables were read, not all 10,000 each time.
    void findNoticesInUse() { db_.noticesInUse(inUse_); }

    template <typename Visit> void eachNoticeInUse(Visit visit) {
        obs_.progressRange(1, kNoticeCount);
        for (const int n : inUse_) {
            if (!db_.noticeInUse(n)) continue;
            pause(0, 20);
            visit(n);
            obs_.progress(n);
        }
        obs_.progress(kNoticeCount);
    }

    void checkWidowedNotices() {
        // The login names once, rather than unscrambled again for each of 10000 notices.
        std::vector<std::string> authors;
        for (int u = 1; u <= kUserCount; ++u)
            if (!db_.userSlotFree(u)) authors.push_back(db_.userLoginName(u));
        eachNoticeInUse([&](int n) {
            const std::string owner = db_.noticeOwner(n);
            for (const std::string& a : authors)
                if (ownerBelongsTo(owner, a)) return;
            if (o_.widowedToAdmin) {
                line(n, owner, " : not in Notices. Notice will be assigned to ADMIN");
                db_.notice(n).owner = db_.scramble("ADMIN");
                ++result_.counts.noticesToAdmin;
            } else {
                line(n, owner, " : not in Notices. Notice will be delete");
                db_.markNoticeFree(n);
                ++result_.counts.noticesFreed;
            }
        });
    }

    void checkWidowedEntries() {
        eachNoticeInUse([this](int n) {
            if (db_.messageFileExists(n)) return;
            line(n, db_.noticeOwner(n), " : has no notice entry. Index Freed.");
            db_.markNoticeFree(n);
            ++result_.counts.noticesFreed;
        });
    }

    void removeOldNotices() {
        const TDateTime limit = st_.now() - 30;
        eachNoticeInUse([&](int n) {
            if (limit > db_.notice(n).endDate) {
                db_.markNoticeFree(n);
                ++result_.counts.oldNoticesRemoved;
            }
        });
    }

    Station& st_;
    Database& db_;
    const CheckOptions& o_;
    CheckObserver& obs_;
    const std::function<std::string(TDateTime)>& timeText_;
    CheckResult result_;
    std::vector<int> inUse_;
};

bool isSaveLeftover(const std::string& name) {
    // Atomic saves write "<name>.~<station>-<n>-<random>.tmp" beside the file.
    return name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0 &&
           name.find(".~") != std::string::npos;
}

} // namespace

int removeTemporaryFiles(const Database& db, bool remove, std::vector<std::string>* refused) {
    int count = 0;
    // Listed and removed through the folder itself: a TEMP or MSG that is a link to another
    // folder is refused, not emptied.
    const auto list = [&](const char* name, const std::string& path) {
        std::string error;
        auto entries = listFolder(db.files(), path, &error);
        if (!entries && error == kLinkRefused && refused) refused->push_back(name);
        return entries.value_or(std::vector<FolderEntry>{});
    };
    const auto take = [&](const std::string& path) {
        if (!remove || removeFile(db.files(), path)) ++count;
    };
    const std::string temp = db.path("TEMP");
    for (const FolderEntry& e : list("TEMP", temp))
        if (e.regular || e.link) take(temp + "/" + e.name);
    const long long hourAgo = static_cast<long long>(std::time(nullptr)) - 3600;
    const std::pair<const char*, std::string> folders[] = {{"", db.path("")},
                                                           {"MSG", db.path("MSG")}};
    for (const auto& [name, path] : folders) {
        for (const FolderEntry& e : list(name, path))
            if (e.regular && isSaveLeftover(e.name) && e.modified < hourAgo)
                take(path + (path.back() == '/' ? "" : "/") + e.name);
    }
    return count;
}

CheckResult runIntegrityCheck(Station& station, const CheckOptions& options,
                              CheckObserver& observer,
                              const std::function<std::string(TDateTime)>& dateTimeText) {
    return Check(station, options, observer, dateTimeText).run();
}

} // namespace pinora
