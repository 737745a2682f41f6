// Fails every file-system call of every operation that writes, one at a time, with each kind of
// error and with a power cut, over a database folder in memory, and checks what a school would
// see afterwards: every file loads whole and holds its old or its new content, no lock is left
// held without the user being told, and no failure passes for a success.
//
//   faultrun [--sample K] [--verbose]
//
// --sample K tries every K-th call only (CI's short run). Ends with the line
//   faults: N injected: L files lost, K locks left, S silent failures
// and exits 1 unless all three are 0.
#include "db/fileio.h"
#include "db/formats/release14.h"
#include "db/import14.h"
#include "db/integritycheck.h"
#include "db/noticeediting.h"
#include "db/upgrade.h"
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/faultfs.h"
#include "support/memoryfs.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace pinora;
using namespace pinora::test;

namespace {

const std::string kFolder = "/school/notices/";
const std::string kOld = "/school/pinora14";
const std::vector<std::string> kLocks = {"DB-N.LCK", "DB-U.LCK"};

using Files = std::map<std::string, std::string>;

struct Outcome {
    bool ok = false;
    std::string message;           // what the caller was handed to show in its own words
    std::vector<std::string> told; // what the results had to tell, as a window presents them
};

Outcome outcomeOf(const Result& r) {
    return Outcome{r.isOk(), "", r.messages()};
}

struct World {
    MemoryFileSystem mem;
    FaultFileSystem fault{mem};
    std::shared_ptr<FileSystem> files{std::shared_ptr<void>{}, &fault};
};

// The folder as a school would find it: every file but lock files and leftovers of saves.
Files dataFiles(const MemoryFileSystem& mem) {
    Files out;
    for (auto& [name, bytes] : mem.snapshot(kFolder)) {
        if (name.ends_with(".tmp") || name.starts_with("TEMP/") || name == "DB-N.LCK" ||
            name == "DB-U.LCK")
            continue;
        out.emplace(name, bytes);
    }
    return out;
}

class CheckLog : public CheckObserver {
  public:
    std::vector<std::string> lines;
    void logLine(const std::string& line) override { lines.push_back(line); }
};

struct Operation {
    std::string name;
    std::function<void(World&)> prepare; // files beyond the fresh database
    std::function<Outcome(Station&)> run;
    bool lockOnly = false; // lock files need not survive a power cut
};

std::string release14File() {
    std::string dat(formats::kRelease14FileSize, '\0');
    for (int i = 1; i <= formats::kRelease14Records; ++i)
        putText(dat, 48 * static_cast<std::size_t>(i - 1), i <= 2 ? "Old" : "[NULL]");
    for (int i = 0; i < 2; ++i) {
        put64(dat, 48 * static_cast<std::size_t>(i) + 24, 46000);
        put64(dat, 48 * static_cast<std::size_t>(i) + 32, 46400);
    }
    return dat;
}

std::string format24Notices() {
    std::string b = kHeaderBytes;
    put32(b, 12, 2400);
    b += std::string(1040000, '\0');
    putText(b, 16, "\x01" "B");
    put64(b, 16 + 16, 46000);
    put64(b, 16 + 88, 46400);
    put8(b, 16 + 96, 1);
    return b;
}

std::vector<Operation> operations() {
    const std::array<bool, kSetCount> firstSet{true};
    std::vector<Operation> ops;
    ops.push_back({"save CONFIG.DB", nullptr, [](Station& s) {
                       return outcomeOf(s.db.changeConfig([&] {
                           s.db.config.schoolName = "Riverside School";
                           return true;
                       }));
                   }});
    ops.push_back({"save NOTICE.DB", nullptr, [](Station& s) {
                       return outcomeOf(s.db.changeNotices("ADMIN", "Update Notice Dates", [&] {
                           s.db.notice(1).endDate = 46500;
                           return true;
                       }));
                   }});
    ops.push_back({"save USER.DB", nullptr, [](Station& s) {
                       return outcomeOf(s.db.changeUsers("ADMIN", "Update User", [&] {
                           s.currentUser().fullName = "Head of Notices";
                           return true;
                       }));
                   }});
    ops.push_back({"write a message file", nullptr, [](Station& s) {
                       const Result w = s.db.writeMessageFile(1, "Changed text\nline two");
                       return Outcome{w.isOk(), w ? "" : w.file() + ": " + w.detail(), {}};
                   }});
    for (char letter : {'N', 'U'}) {
        Operation op;
        op.name = std::string("take and release DB-") + letter + ".LCK";
        op.lockOnly = true;
        op.run = [letter](Station& s) {
            const Result r = s.db.acquireLock(letter, "ADMIN", "Fault Run");
            Outcome o = outcomeOf(r);
            if (r) o.told = Result(r).also(s.db.releaseLock(letter)).messages();
            return o;
        };
        ops.push_back(op);
    }
    ops.push_back({"create a notice", nullptr, [firstSet](Station& s) {
                       NoticeEditing e(s);
                       const EditResult r = e.create(46000, 46003, firstSet);
                       return Outcome{r.ok, r.file.empty() ? "" : r.file + ": " + r.reason,
                                      r.result.messages()};
                   }});
    ops.push_back({"submit a notice", nullptr, [](Station& s) {
                       NoticeEditing e(s);
                       std::string text;
                       const EditResult opened = e.open(1, false, text);
                       if (!opened.ok)
                           return Outcome{false, opened.file + ": " + opened.reason,
                                          opened.result.messages()};
                       const EditResult r = e.submit("Submitted text\nsecond line");
                       return Outcome{r.ok, r.file.empty() ? "" : r.file + ": " + r.reason,
                                      r.result.messages()};
                   }});
    ops.push_back({"upgrade NOTICE.DB from 2.4",
                   [](World& w) { w.mem.writeFile(kFolder + "NOTICE.DB", format24Notices()); },
                   [](Station& s) {
                       const UpgradeResult r = upgradeFile(s.db, formats::DbFile::Notices);
                       // Only the save's own message is told besides the caller's.
                       return Outcome{r.status == UpgradeStatus::Upgraded,
                                      r.status == UpgradeStatus::Upgraded ? "" : r.message,
                                      r.reported ? r.result.messages()
                                                 : std::vector<std::string>{}};
                   }});
    ops.push_back({"import release 1.4",
                   [](World& w) {
                       w.mem.writeFile(kOld + "/NOTICES.DAT", release14File());
                       w.mem.writeFile(kOld + "/MSG/1.MSG", "First old notice\r\n");
                       w.mem.writeFile(kOld + "/MSG/2.MSG", "{\\rtf1\\ansi Second\\par}");
                   },
                   [](Station& s) {
                       Release14Import rq;
                       rq.folder = kOld;
                       rq.staffSet = rq.studentSet = 1;
                       rq.user = "ADMIN";
                       rq.shortDate = [](TDateTime) { return std::string("07/12/2026"); };
                       const ImportOutcome r = importRelease14(s.db, rq);
                       return Outcome{r.status == ImportStatus::Done, r.message,
                                      r.result.messages()};
                   }});
    ops.push_back({"repair by the integrity check",
                   [](World& w) {
                       // Notice 2 has lost its message file: the check frees it.
                       w.mem.remove(kFolder + "MSG/2.MSG");
                   },
                   [](Station& s) {
                       CheckLog log;
                       const CheckResult r = runIntegrityCheck(
                           s, CheckOptions{}, log, [](TDateTime) { return std::string("now"); });
                       std::string last = log.lines.empty() ? "" : log.lines.back();
                       return Outcome{r.outcome == CheckOutcome::Completed,
                                      r.outcome == CheckOutcome::Completed ? "" : last,
                                      r.result.messages()};
                   }});
    return ops;
}

// A fresh database with two notices whose texts are written, made once.
Files freshFolder() {
    MemoryFileSystem mem;
    std::shared_ptr<FileSystem> files{std::shared_ptr<void>{}, &mem};
    writeFreshDatabase(kFolder, files);
    FakeServices fs;
    fs.files = files;
    Station st(kFolder, fs.services());
    const auto must = [](const Result& r) {
        if (r) return;
        std::fprintf(stderr, "faultrun: the fresh folder cannot be made: %s\n", kindName(r.kind()));
        std::exit(2);
    };
    must(st.db.loadConfig());
    must(st.db.loadUsers());
    st.currentUserName = "ADMIN";
    st.currentUserSlot = st.db.findUser("ADMIN");
    const std::array<bool, kSetCount> sets{true};
    for (int k = 0; k < 2; ++k) {
        int n = 0;
        must(st.allocateNotice(46000, 46400, sets, n));
        must(st.db.writeMessageFile(n, "Notice " + std::to_string(n)));
    }
    Files all;
    for (auto& [name, bytes] : mem.snapshot(kFolder))
        if (!name.ends_with("/")) all.emplace(name, bytes); // MSG and TEMP are made anew
    return all;
}

struct Tally {
    long injected = 0, lost = 0, locks = 0, silent = 0;
};

class FaultRun {
  public:
    FaultRun(bool verbose, long sample) : verbose_(verbose), sample_(sample), fresh_(freshFolder()) {}

    Tally run(const Operation& op) {
        Tally t;
        const Files before = setUp(op);
        Attempt clean = attempt(op, 0, FaultFileSystem::Fault::Eio, false);
        if (!clean.outcome.ok) {
            std::printf("%s: fails with no fault: %s\n", op.name.c_str(),
                        clean.outcome.message.c_str());
            ++t.silent;
            return t;
        }
        const Files after = clean.files;
        const long calls = clean.calls;
        if (verbose_)
            for (std::size_t k = 0; k < clean.log.size(); ++k)
                std::printf("%s call %zu: %s\n", op.name.c_str(), k + 1, clean.log[k].c_str());
        using F = FaultFileSystem::Fault;
        const F kinds[] = {F::Eio, F::Enospc, F::Eacces, F::Eintr, F::ShortWrite, F::PowerCut};
        for (long n = 1; n <= calls; n += sample_) {
            for (int sticky = 0; sticky < 2; ++sticky) {
                for (F kind : kinds) {
                    if (sticky && kind != F::Eio) continue;
                    setUp(op);
                    const Attempt r = attempt(op, n, kind, sticky != 0);
                    ++t.injected;
                    judge(op, n, kind, sticky != 0, r, before, after, t);
                }
            }
        }
        std::printf("%-32s %4ld calls %5ld faults: %ld lost, %ld locks left, %ld silent\n",
                    op.name.c_str(), calls, t.injected, t.lost, t.locks, t.silent);
        return t;
    }

  private:
    struct Attempt {
        Outcome outcome;
        std::vector<std::string> messages;
        long calls = 0;
        bool cut = false;
        Files files;
        std::vector<std::string> log; // the calls, when run without a fault
    };

    // The fresh folder and the operation's own files, all on disk; returns the data files.
    Files setUp(const Operation& op) {
        world_.fault.reset();
        world_.mem.clear();
        world_.mem.makeFolders(kFolder + "MSG");
        world_.mem.makeFolders(kFolder + "TEMP");
        for (const auto& [name, bytes] : fresh_)
            world_.mem.writeFile(kFolder + name, bytes);
        if (op.prepare) op.prepare(world_);
        world_.mem.syncAll();
        return dataFiles(world_.mem);
    }

    Attempt attempt(const Operation& op, long n, FaultFileSystem::Fault kind, bool sticky) {
        FakeServices fs;
        fs.files = world_.files;
        Station st(kFolder, fs.services());
        // Logged on before the fault is armed: the operation alone is under test.
        fs.tell(st.db.loadConfig());
        fs.tell(st.db.loadUsers());
        st.currentUserName = "ADMIN";
        st.currentUserSlot = st.db.findUser("ADMIN");
        fs.reporter->messages.clear();
        world_.fault.reset();
        world_.fault.onPowerCut = [this] { world_.mem.cutPower(); };
        world_.fault.recording = n == 0 && verbose_;
        if (n > 0) {
            if (sticky)
                world_.fault.failFrom(n, kind);
            else
                world_.fault.failAt(n, kind);
        }
        Attempt r;
        r.outcome = op.run(st);
        r.calls = world_.fault.calls();
        r.cut = kind == FaultFileSystem::Fault::PowerCut && world_.fault.fired();
        r.log = world_.fault.log;
        world_.fault.reset();
        r.messages = r.outcome.told;
        r.files = dataFiles(world_.mem);
        return r;
    }

    void judge(const Operation& op, long n, FaultFileSystem::Fault kind, bool sticky,
               const Attempt& r, const Files& before, const Files& after, Tally& t) {
        const std::string at = op.name + ", call " + std::to_string(n) + ", " +
                               (sticky ? "every call from there: " : "") +
                               FaultFileSystem::name(kind);
        const auto say = [&](const std::string& what) {
            std::printf("  %s: %s\n", at.c_str(), what.c_str());
        };
        // Every file whole, as before or as after.
        bool lost = false;
        FakeServices fs;
        fs.files = world_.files;
        Database db(kFolder, fs.services());
        if (db.loadConfig() != Result::Ok || db.loadUsers() != Result::Ok ||
            db.loadNotices() != Result::Ok) {
            lost = true;
            say("a database file no longer loads");
        }
        std::map<std::string, bool> names;
        for (const Files* f : {&before, &after, &r.files})
            for (const auto& [name, bytes] : *f)
                names[name] = true;
        for (const auto& [name, unused] : names) {
            const auto now = r.files.find(name);
            const auto old = before.find(name);
            const auto fresh = after.find(name);
            const bool asOld = now == r.files.end() ? old == before.end()
                                                    : old != before.end() && old->second == now->second;
            const bool asNew = now == r.files.end() ? fresh == after.end()
                                                    : fresh != after.end() && fresh->second == now->second;
            if (!asOld && !asNew) {
                lost = true;
                say(name + " holds neither its old nor its new content");
            }
        }
        t.lost += lost;

        // No lock left held without a word to the user; a power cut ends the station, whose
        // locks the administrator clears.
        if (!r.cut) {
            for (char letter : {'N', 'U'}) {
                bool readOk = true;
                const LockInfo l = db.readLock(letter, &readOk);
                const bool told = std::find(r.messages.begin(), r.messages.end(),
                                            lockLeftMessage(letter)) != r.messages.end();
                if (l.held && !told) {
                    ++t.locks;
                    say(std::string("DB-") + letter + ".LCK left held");
                }
            }
        }

        // A success is a success; a failure says which file.
        bool silent = false;
        if (r.outcome.ok) {
            if (r.files != after && !(op.lockOnly && r.cut)) {
                silent = true;
                say(r.cut ? "reported done, but lost in the power cut" : "reported done, but not done");
            }
        } else if (!r.cut) {
            std::string said = r.outcome.message;
            for (const std::string& m : r.messages)
                said += "\n" + m;
            const bool named = said.find(".DB") != std::string::npos ||
                               said.find(".LCK") != std::string::npos ||
                               said.find(".MSG") != std::string::npos ||
                               said.find("NOTICES.DAT") != std::string::npos ||
                               said.find(kOld) != std::string::npos;
            if (!named) {
                silent = true;
                say("failed without naming a file: '" + said + "'");
            }
        }
        t.silent += silent;
        if (verbose_ && !lost && !silent)
            say(std::string(r.outcome.ok ? "done" : "failed, told: ") +
                (r.outcome.ok ? "" : r.outcome.message + (r.messages.empty() ? "" : r.messages[0])));
    }

    bool verbose_;
    long sample_;
    Files fresh_;
    World world_;
};

} // namespace

int main(int argc, char** argv) {
    bool verbose = false;
    long sample = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--verbose") == 0) {
            verbose = true;
        } else if (std::strcmp(argv[i], "--sample") == 0 && i + 1 < argc) {
            sample = std::max(1L, std::strtol(argv[++i], nullptr, 10));
        } else {
            std::fprintf(stderr, "usage: faultrun [--sample K] [--verbose]\n");
            return 2;
        }
    }
    FaultRun run(verbose, sample);
    Tally all;
    for (const Operation& op : operations()) {
        const Tally t = run.run(op);
        all.injected += t.injected;
        all.lost += t.lost;
        all.locks += t.locks;
        all.silent += t.silent;
    }
    std::printf("faults: %ld injected: %ld files lost, %ld locks left, %ld silent failures\n",
                all.injected, all.lost, all.locks, all.silent);
    return all.lost == 0 && all.locks == 0 && all.silent == 0 ? 0 : 1;
}
