// The other half of the soak and kill runs (scripts/soak.sh, scripts/killrun.sh).
//
//   soak_check init FOLDER                 a fresh database folder with the user ADMIN
//   soak_check check FOLDER OPS LOG...     replays the soak stations' logs (one per station,
//                                          named after the station) against the files
//   soak_check load FOLDER                 after a kill: every file loads whole
//
// check prints "soak: S stations x O operations: L lost, X shared slots, K locks left"; load
// prints the number of files that failed. Both exit 1 when a figure is not zero.
#include "db/database.h"
#include "db/fileio.h"
#include "db/text.h"
#include "soakops.h"
#include "told.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace pinora;
namespace fs = std::filesystem;

namespace {

int init(const std::string& folder) {
    fs::create_directories(folder + "/MSG");
    fs::create_directories(folder + "/TEMP");
    Database db(folder, Services::real());
    db.setConfigDefaults();
    db.config.schoolName = "Soak School";
    db.config.noticeSets[0].name = "Students";
    db.config.noticeSets[1].name = "Staff";
    db.initUsers();
    db.setUserCredentials(1, "ADMIN", "secret");
    db.user(1).fullName = "Administrator";
    db.user(1).securityLevel = 255;
    db.user(1).superUser = true;
    db.initNotices();
    return tools::told(db.saveConfig()) && tools::told(db.saveUsers()) &&
                   tools::told(db.saveNotices())
               ? 0
               : 1;
}

// What one notice must hold at the end, by the last operation its station logged on it.
struct Expected {
    std::string station;
    int text = 0, dates = 0, sets = 0;
};

int check(const std::string& folder, int ops, const std::vector<std::string>& logs) {
    // Quiet: the loads' own words are not wanted, only whether they loaded.
    Database db(folder, Services::real());
    if (db.loadNotices() != Result::Ok || db.loadUsers() != Result::Ok) {
        std::cerr << "soak: the files do not load\n";
        return 1;
    }
    int lost = 0, shared = 0;
    auto loss = [&lost](const std::string& why) {
        ++lost;
        if (lost <= 20) std::cerr << "lost: " << why << "\n";
    };
    std::map<int, Expected> alive; // slot -> what it must hold
    std::set<int> mentioned;
    for (const std::string& logPath : logs) {
        const std::string station = fs::path(logPath).stem().string();
        std::ifstream in(logPath);
        std::map<int, Expected> mine;
        int creates = 0, fullName = 0, lines = 0;
        std::vector<std::string> addedUsers;
        for (std::string line; std::getline(in, line);) {
            ++lines;
            std::istringstream f(line);
            std::string op;
            f >> op;
            if (op == "A") {
                std::string name;
                f >> name;
                addedUsers.push_back(name);
                continue;
            }
            int n = 0, i = 0;
            if (op == "U") {
                f >> fullName;
                continue;
            }
            f >> n >> i;
            mentioned.insert(n);
            if (op == "C") {
                ++creates;
                if (mine.count(n)) ++shared; // given a slot it already held
                mine[n] = {station, i, i, i};
            } else if (mine.count(n) == 0) {
                loss(station + " logged " + op + " on notice " + std::to_string(n) +
                     " it did not have");
            } else if (op == "E") {
                mine[n].text = i;
            } else if (op == "T") {
                mine[n].dates = i;
            } else if (op == "S") {
                mine[n].sets = i;
            } else if (op == "D") {
                mine.erase(n);
            }
        }
        if (lines != ops) loss(station + " completed " + std::to_string(lines) + " operations");
        for (const auto& [n, e] : mine)
            if (!alive.emplace(n, e).second) ++shared; // two stations hold the same slot
        const int slot = db.findUser(station);
        if (slot < 0) {
            loss("the user " + station);
            continue;
        }
        if (db.user(slot).postCount != creates)
            loss(station + "'s post count " + std::to_string(db.user(slot).postCount) + ", " +
                 std::to_string(creates) + " created");
        if (fullName > 0 && db.user(slot).fullName.str() != soak::fullNameOf(station, fullName))
            loss(station + "'s full name");
        for (const std::string& name : addedUsers) {
            int count = 0;
            for (int k = 1; k <= kUserCount; ++k)
                count += equalsIgnoreCase(db.userLoginName(k), name);
            if (count != 1) loss("the user " + name + " is there " + std::to_string(count) + " times");
        }
    }
    for (const auto& [n, e] : alive) {
        const NoticeRecord& r = db.notice(n);
        const std::string where = "notice " + std::to_string(n) + " of " + e.station;
        if (!db.noticeInUse(n) || !ownerBelongsTo(db.noticeOwner(n), e.station)) {
            loss(where + " is not in its slot");
            continue;
        }
        if (r.startDate != soak::startOf(e.dates) || r.endDate != soak::endOf(e.dates))
            loss(where + ": its dates");
        const auto sets = soak::setsOf(e.sets);
        for (int k = 0; k < kSetCount; ++k)
            if (static_cast<bool>(r.inSet[k]) != sets[static_cast<std::size_t>(k)]) {
                loss(where + ": its sets");
                break;
            }
        std::string text;
        for (char c : soak::textOf(e.station, e.text))
            text += c == '\n' ? std::string("\r\n") : std::string(1, c);
        text += "\r\n";
        std::string stored;
        if (!db.readMessageFile(n, stored) || stored != text) loss(where + ": its text");
    }
    // A notice in use that no station holds is a deletion that was lost.
    for (int n = 1; n <= kNoticeCount; ++n)
        if (db.noticeInUse(n) && alive.count(n) == 0)
            loss("notice " + std::to_string(n) + " (" + db.noticeOwner(n) + ") was deleted");
    int locksLeft = 0;
    for (char letter : {'N', 'U'})
        locksLeft += fileExists(db.files(), db.lockPath(letter));
    std::cout << "soak: " << logs.size() << " stations x " << ops << " operations: " << lost
              << " lost, " << shared << " shared slots, " << locksLeft << " locks left\n";
    return lost + shared + locksLeft == 0 ? 0 : 1;
}

bool isTemporary(const std::string& name) {
    return name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0 &&
           name.find(".~") != std::string::npos;
}

// After a kill: the three files load whole at the first attempt, every message file of a
// notice in use holds a whole text (or none yet), and anything else in the folders is a
// temporary file of an interrupted save, never taken for data.
int load(const std::string& folder) {
    Database db(folder, Services::real());
    db.ioAttempts = 1;
    int failed = 0;
    auto fail = [&failed](const std::string& what) {
        ++failed;
        std::cerr << "failed to load: " << what << "\n";
    };
    if (db.loadNotices() != Result::Ok) fail("NOTICE.DB");
    if (db.loadUsers() != Result::Ok) fail("USER.DB");
    if (db.loadConfig() != Result::Ok) fail("CONFIG.DB");
    std::set<std::string> data = {"NOTICE.DB", "USER.DB", "CONFIG.DB", "DB-N.LCK", "DB-U.LCK",
                                  "MSG", "TEMP"};
    for (const auto& e : fs::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (!data.count(name) && !isTemporary(name)) fail("unknown file " + name);
    }
    for (const auto& e : fs::directory_iterator(folder + "/MSG")) {
        const std::string name = e.path().filename().string();
        if (isTemporary(name)) continue;
        const int n = std::atoi(name.c_str());
        if (name != std::to_string(n) + ".MSG" || n < 1 || n > kNoticeCount) {
            fail("unknown message file " + name);
            continue;
        }
        std::string stored;
        if (!db.readMessageFile(n, stored)) {
            fail(name);
            continue;
        }
        // The writer's texts are "Notice N by USER" and one more line, each ended by CR LF.
        const bool whole = stored.empty() || (stored.rfind("Notice " + std::to_string(n) + " by ", 0) == 0 &&
                                             std::count(stored.begin(), stored.end(), '\n') == 2 &&
                                             stored.size() > 2 && stored.substr(stored.size() - 2) == "\r\n");
        if (!whole) fail(name + " is not whole");
    }
    std::cout << failed << "\n";
    return failed == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> a(argv + 1, argv + argc);
    if (a.size() == 2 && a[0] == "init") return init(a[1]);
    if (a.size() == 2 && a[0] == "load") return load(a[1]);
    if (a.size() >= 4 && a[0] == "check")
        return check(a[1], std::atoi(a[2].c_str()), {a.begin() + 3, a.end()});
    std::fprintf(stderr, "usage: %s init FOLDER | check FOLDER OPS LOG... | load FOLDER\n",
                 argv[0]);
    return 2;
}
