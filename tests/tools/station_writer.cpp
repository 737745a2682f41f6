// A station for multi-process tests. It logs on as the given user (adding the user under
// lock U when the name is unknown), then either creates `count` notices with their texts,
// or, in churn mode, changes all three files in a loop until it is killed (a line per round),
// or, in replace mode, deletes notice N and writes a notice of its own, which takes the freed
// slot when it is the lowest free one, or, in soak mode, does `count` random operations and
// logs each one it completed to LOG (see soakops.h).
//
//   station_writer FOLDER USER COUNT RETRY_MS [churn | replace N | soak LOG SEED]
//
// With STATION_LIMIT=S in the environment, a soak operation that has not finished after S
// seconds (a lock that never comes free, a share that stops answering) is reported with the
// lock's holder and the station stops, so that a soak on a share always ends.
//
// Exit status 0 when every notice was created; 1 on a usage error; 2 when a change failed;
// 3 when an operation outlasted STATION_LIMIT.
#include "db/station.h"
#include "soakops.h"
#include "told.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <thread>
#include <unistd.h>
#include <string>
#include <vector>

using namespace pinora;

namespace {

int logOn(Station& st, const std::string& name) {
    if (!tools::told(st.db.loadUsers())) return -1;
    if (st.db.findUser(name) < 0) {
        const bool haveTemplate = tools::told(st.db.loadConfig());
        const bool added = tools::told(st.db.changeUsers(name, "User Registration", [&] {
            if (st.db.findUser(name) >= 0) return false; // added meanwhile
            const int slot = st.db.findFreeUser();
            if (slot < 0) return false;
            if (haveTemplate) st.db.user(slot) = st.db.config.newUserTemplate;
            st.db.setUserCredentials(slot, name, "pw");
            st.db.user(slot).signature = "Signed " + name;
            st.db.user(slot).postCount = 0;
            return true;
        }));
        if (!added && !tools::told(st.db.loadUsers())) return -1;
    }
    st.currentUserName = name;
    st.currentUserSlot = st.db.findUser(name);
    return st.currentUserSlot;
}

std::string noticeText(const std::string& user, int n, int i) {
    return "Notice " + std::to_string(n) + " by " + user + "\nnumber " + std::to_string(i) +
           " of this station";
}

int createNotices(Station& st, int count) {
    const std::array<bool, kSetCount> sets{true};
    for (int i = 1; i <= count; ++i) {
        int n = -1;
        if (!tools::told(st.allocateNotice(46000, 46001 + i % 5, sets, n))) return 2;
        if (!tools::told(st.db.writeMessageFile(n, noticeText(st.currentUserName, n, i)))) return 2;
        if (!tools::told(st.addPost())) return 2;
        std::printf("%d\n", n);
    }
    return 0;
}

// Every kind of save, over and over: notices under lock N, users under lock U, and the
// configuration without a lock. Each finished round is a line on standard output, so that a
// test waits for progress instead of guessing how long it takes.
[[noreturn]] void churn(Station& st) {
    const std::array<bool, kSetCount> sets{true, true};
    for (long round = 1;; ++round) {
        int n = -1;
        if (tools::told(st.allocateNotice(46000, 46001, sets, n))) {
            tools::told(st.db.writeMessageFile(n, noticeText(st.currentUserName, n, static_cast<int>(round))));
            if (round % 2 == 0) tools::told(st.freeNotice(n, "Delete Notice"));
        }
        tools::told(st.addPost());
        if (tools::told(st.db.loadConfig())) {
            st.db.config.schoolName = "Round " + std::to_string(round);
            tools::told(st.db.saveConfig());
        }
        std::printf("%ld\n", round);
        std::fflush(stdout);
    }
}

// The operation under way and since when, for the watchdog.
struct Watch {
    std::atomic<long long> since{0}; // steady seconds; 0 between operations
    std::atomic<int> op{0};
    std::mutex m;
    std::string waitingFor; // "lock N held by X for T", while waiting
};
Watch watch;

long long steadySeconds() {
    using namespace std::chrono;
    return duration_cast<seconds>(steady_clock::now().time_since_epoch()).count() + 1;
}

// Stops the station, saying what it waited for, once an operation lasts longer than limit.
void startWatchdog(Station& st, int limit, const std::string& name) {
    st.db.onLockWait = [](char letter, const LockInfo& info) {
        std::lock_guard<std::mutex> g(watch.m);
        watch.waitingFor = std::string("lock ") + letter + " held by " + lockHolderText(info);
    };
    st.db.onLockWaitEnd = [] {
        std::lock_guard<std::mutex> g(watch.m);
        watch.waitingFor.clear();
    };
    std::thread([limit, name] {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            const long long since = watch.since.load();
            if (since == 0 || steadySeconds() - since <= limit) continue;
            std::lock_guard<std::mutex> g(watch.m);
            std::fprintf(stderr, "%s: operation %d has not finished after %d s%s%s\n", name.c_str(),
                         watch.op.load(), limit, watch.waitingFor.empty() ? "" : ": waiting for ",
                         watch.waitingFor.c_str());
            std::fflush(stderr);
            ::_exit(3);
        }
    }).detach();
}

// A random mix of every change a station makes, each logged once it is complete. The station
// works on its own notices and its own user record only, so that the checker knows what each
// must hold at the end.
int soakRun(Station& st, int ops, const char* logPath, unsigned seed) {
    std::FILE* log = std::fopen(logPath, "a");
    if (!log) return 2;
    std::mt19937 random(seed);
    const std::string me = st.currentUserName;
    std::vector<int> mine;
    int added = 0;
    auto done = [log](const std::string& line) {
        std::fprintf(log, "%s\n", line.c_str());
        std::fflush(log);
    };
    for (int i = 1; i <= ops; ++i) {
        watch.op = i;
        watch.since = steadySeconds();
        int what = std::uniform_int_distribution<int>(0, 99)(random);
        if (mine.empty() && what >= 30 && what < 85) what = 0; // nothing of its own: create
        const std::size_t pick =
            mine.empty() ? 0
                         : std::uniform_int_distribution<std::size_t>(0, mine.size() - 1)(random);
        const std::string tail = " " + std::to_string(i);
        if (what < 30) {
            int n = -1;
            if (!tools::told(st.allocateNotice(soak::startOf(i), soak::endOf(i), soak::setsOf(i), n)) ||
                !tools::told(st.db.writeMessageFile(n, soak::textOf(me, i))) || !tools::told(st.addPost()))
                return 2;
            mine.push_back(n);
            done("C " + std::to_string(n) + tail);
        } else if (what < 50) {
            const int n = mine[pick];
            if (!tools::told(st.db.writeMessageFile(n, soak::textOf(me, i)))) return 2;
            done("E " + std::to_string(n) + tail);
        } else if (what < 60) {
            const int n = mine[pick];
            if (!tools::told(st.updateNoticeDates(n, soak::startOf(i), soak::endOf(i)))) return 2;
            done("T " + std::to_string(n) + tail);
        } else if (what < 70) {
            const int n = mine[pick];
            if (!tools::told(st.updateNoticeSets(n, soak::setsOf(i)))) return 2;
            done("S " + std::to_string(n) + tail);
        } else if (what < 85) {
            const int n = mine[pick];
            if (!tools::told(st.freeNotice(n, "Delete Notice"))) return 2;
            mine.erase(mine.begin() + static_cast<std::ptrdiff_t>(pick));
            done("D " + std::to_string(n) + tail);
        } else if (what < 95 || added >= soak::kMaxAddedUsers) {
            if (!tools::told(st.db.changeUsers(me, "Update User", [&] {
                    const int slot = st.db.findUser(me);
                    if (slot < 0) return false;
                    st.db.user(slot).fullName = soak::fullNameOf(me, i);
                    return true;
                })))
                return 2;
            done("U" + tail);
        } else {
            const std::string name = me.substr(0, 8) + "+" + std::to_string(++added);
            if (!tools::told(st.db.changeUsers(me, "Create New User", [&] {
                    const int slot = st.db.findFreeUser();
                    if (slot < 0 || st.db.findUser(name) >= 0) return false;
                    st.db.user(slot) = st.db.config.newUserTemplate;
                    st.db.setUserCredentials(slot, name, "pw");
                    st.db.user(slot).postCount = 0;
                    return true;
                })))
                return 2;
            done("A " + name);
        }
    }
    std::fclose(log);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s FOLDER USER COUNT RETRY_MS [churn | replace N | soak LOG SEED]\n",
                     argv[0]);
        return 1;
    }
    std::string folder = argv[1];
    if (folder.back() != '/') folder += '/';
    Station st(folder, Services::real());
    st.db.lockRetryMs = std::atoi(argv[4]);
    st.db.ioPauseMs = 5;
    if (const char* limit = std::getenv("STATION_LIMIT"); limit && std::atoi(limit) > 0) {
        startWatchdog(st, std::atoi(limit), argv[2]);
        watch.since = steadySeconds(); // operation 0: logging on
    }
    if (logOn(st, argv[2]) < 0) {
        std::fprintf(stderr, "%s could not log on\n", argv[2]);
        return 2;
    }
    watch.since = 0;
    if (argc > 5 && std::string(argv[5]) == "churn") churn(st);
    if (argc > 7 && std::string(argv[5]) == "soak") {
        if (!tools::told(st.db.loadConfig())) return 2;
        return soakRun(st, std::atoi(argv[3]), argv[6],
                       static_cast<unsigned>(std::strtoul(argv[7], nullptr, 10)));
    }
    if (argc > 6 && std::string(argv[5]) == "replace") {
        if (!tools::told(st.freeNotice(std::atoi(argv[6]), "Delete Notice"))) return 2;
        return createNotices(st, std::atoi(argv[3]));
    }
    return createNotices(st, std::atoi(argv[3]));
}
