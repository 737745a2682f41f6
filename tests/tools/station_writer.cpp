// A station for multi-process tests. It logs on as the given user (adding the user under
// lock U when the name is unknown), then either creates `count` notices with their texts,
// or, in churn mode, changes all three files in a loop until it is killed (a line per round), or, in replace
// mode, deletes notice N and writes a notice of its own, which takes the freed slot when it is
// the lowest free one.
//
//   station_writer FOLDER USER COUNT RETRY_MS [churn | replace N]
//
// Exit status 0 when every notice was created; 1 on a usage error; 2 when a change failed.
#include "db/station.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace pinora;

namespace {

int logOn(Station& st, const std::string& name) {
    if (st.db.loadUsers() != LoadResult::Ok) return -1;
    if (st.db.findUser(name) < 0) {
        const bool haveTemplate = st.db.loadConfig() == LoadResult::Ok;
        const bool added = st.db.changeUsers(name, "User Registration", [&] {
            if (st.db.findUser(name) >= 0) return false; // added meanwhile
            const int slot = st.db.findFreeUser();
            if (slot < 0) return false;
            if (haveTemplate) st.db.user(slot) = st.db.config.newUserTemplate;
            st.db.setUserCredentials(slot, name, "pw");
            st.db.user(slot).signature = "Signed " + name;
            st.db.user(slot).postCount = 0;
            return true;
        });
        if (!added && st.db.loadUsers() != LoadResult::Ok) return -1;
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
        if (st.allocateNotice(46000, 46001 + i % 5, sets, n) != AllocStatus::Ok) return 2;
        if (!st.db.writeMessageFile(n, noticeText(st.currentUserName, n, i))) return 2;
        if (!st.addPost()) return 2;
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
        if (st.allocateNotice(46000, 46001, sets, n) == AllocStatus::Ok) {
            st.db.writeMessageFile(n, noticeText(st.currentUserName, n, static_cast<int>(round)));
            if (round % 2 == 0) st.freeNotice(n, "Delete Notice");
        }
        st.addPost();
        if (st.db.loadConfig() == LoadResult::Ok) {
            st.db.config.schoolName = "Round " + std::to_string(round);
            st.db.saveConfig();
        }
        std::printf("%ld\n", round);
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s FOLDER USER COUNT RETRY_MS [churn | replace N]\n",
                     argv[0]);
        return 1;
    }
    std::string folder = argv[1];
    if (folder.back() != '/') folder += '/';
    Station st(folder, Services::real());
    st.db.lockRetryMs = std::atoi(argv[4]);
    st.db.ioPauseMs = 5;
    if (logOn(st, argv[2]) < 0) {
        std::fprintf(stderr, "%s could not log on\n", argv[2]);
        return 2;
    }
    if (argc > 5 && std::string(argv[5]) == "churn") churn(st);
    if (argc > 6 && std::string(argv[5]) == "replace") {
        if (!st.freeNotice(std::atoi(argv[6]), "Delete Notice")) return 2;
        return createNotices(st, std::atoi(argv[3]));
    }
    return createNotices(st, std::atoi(argv[3]));
}
