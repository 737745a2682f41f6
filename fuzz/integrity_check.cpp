// The data integrity check over fuzzed user and notice tables. The input is the first byte
// (bit 0 widowed notices to ADMIN, bit 1 keep old notices, bit 2 repair at once, bits 3-7:
// notice n has no message file when bit n mod 5 is set), the number of user records that
// follow (mod 16), those records laid over slots 1.., then up to 64 notice records laid over
// slots 1...
// A dry run writes nothing and foretells the repair; the repair, whether a dry run came first
// or not, leaves no lock and tables that a second check finds nothing more to do in.
#include "common.h"

#include "db/database.h"
#include "db/integritycheck.h"
#include "db/text.h"

#include <algorithm>
#include <cstring>

using namespace pinora;
using namespace pinora::fuzz;

namespace {

class Quiet : public CheckObserver {
  public:
    void logLine(const std::string&) override {}
};

std::string timeText(TDateTime) {
    return "now";
}

bool sameCounts(const CheckCounts& a, const CheckCounts& b) {
    return a.usersFreed == b.usersFreed && a.postCountsReset == b.postCountsReset &&
           a.noticesFreed == b.noticesFreed && a.noticesToAdmin == b.noticesToAdmin &&
           a.oldNoticesRemoved == b.oldNoticesRemoved &&
           a.temporaryFilesRemoved == b.temporaryFilesRemoved;
}

std::string countsText(const CheckCounts& c) {
    return std::to_string(c.usersFreed) + " " + std::to_string(c.postCountsReset) + " " +
           std::to_string(c.noticesFreed) + " " + std::to_string(c.noticesToAdmin) + " " +
           std::to_string(c.oldNoticesRemoved) + " " + std::to_string(c.temporaryFilesRemoved);
}

Scratch scratch;
test::FakeServices services = servicesOver(scratch);
Station station(scratch.str(), services.services());

CheckResult check(const CheckOptions& o) {
    forget(services);
    station.currentUserName = "ADMIN";
    Quiet quiet;
    return runIntegrityCheck(station, o, quiet, timeText);
}

// The fresh tables hold no notice in use: only the slots an input lays records over can.
bool freshNoticesFree() {
    const std::string& fresh = freshDatabaseFile("NOTICE.DB");
    for (std::size_t at = 16; at + sizeof(NoticeRecord) <= fresh.size(); at += sizeof(NoticeRecord)) {
        NoticeRecord r;
        std::memcpy(&r, fresh.data() + at, sizeof r);
        if (Database::recordInUse(r)) return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool freshFree = freshNoticesFree();
    FUZZ_CHECK(freshFree);
    if (size < 2) return 0;
    const EndOfRun end(scratch, {&services});
    const std::uint8_t first = data[0];
    std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);

    // The records laid over slots 1.. of each table, as a station would have saved them.
    const std::size_t users =
        std::min<std::size_t>(data[1] % 16, rest.size() / sizeof(UserRecord));
    scratch.writeFresh("CONFIG.DB", freshDatabaseFile("CONFIG.DB"));
    scratch.writeOver("USER.DB", freshDatabaseFile("USER.DB"), scratch / "USER.DB", 16,
                      rest.substr(0, users * sizeof(UserRecord)));
    rest.remove_prefix(users * sizeof(UserRecord));
    const int given = static_cast<int>(std::min<std::size_t>(64, rest.size() / sizeof(NoticeRecord)));
    const std::string_view laid = rest.substr(0, static_cast<std::size_t>(given) * sizeof(NoticeRecord));
    scratch.writeOver("NOTICE.DB", freshDatabaseFile("NOTICE.DB"), scratch / "NOTICE.DB", 16, laid);
    const int missing = first >> 3;
    for (int n = 1; n <= given; ++n) {
        NoticeRecord r;
        std::memcpy(&r, laid.data() + static_cast<std::size_t>(n - 1) * sizeof r, sizeof r);
        if (Database::recordInUse(r) && !(missing >> (n % 5) & 1))
            scratch.writeFile(scratch / ("MSG/" + std::to_string(n) + ".MSG"), "Text\r\n");
    }
    scratch.writeFile(scratch / "TEMP/~1.HTM", "<HTML>");

    CheckOptions o;
    o.widowedToAdmin = first & 1;
    o.removeOld = !(first & 2);
    // An administrator may look first or repair at once; the repair must not lean on what a
    // dry run left in memory.
    const bool lookFirst = !(first & 4);
    CheckResult dry;
    if (lookFirst) {
        o.repair = false;
        const std::uint64_t written = scratch.changes();
        dry = check(o);
        FUZZ_CHECK(dry.outcome == CheckOutcome::Completed);
        FUZZ_CHECK(scratch.changes() == written);
    }

    o.repair = true;
    const CheckResult repair = check(o);
    FUZZ_CHECK(repair.outcome == CheckOutcome::Completed);
    if (lookFirst)
        FUZZ_CHECK(sameCounts(dry.counts, repair.counts),
                   countsText(dry.counts) + " against " + countsText(repair.counts));
    FUZZ_CHECK(!scratch.exists(scratch / "DB-N.LCK") && !scratch.exists(scratch / "DB-U.LCK"));

    // A second check of the saved tables finds nothing more to do and, as a dry run, changes
    // nothing; its load leaves the station holding what the repair saved.
    o.repair = false;
    const std::uint64_t written = scratch.changes();
    const CheckResult second = check(o);
    FUZZ_CHECK(second.outcome == CheckOutcome::Completed);
    FUZZ_CHECK(scratch.changes() == written);

    Database& db = station.db;
    bool adminIsUser = false;
    for (int u = 1; u <= kUserCount; ++u) {
        if (db.userSlotFree(u)) continue;
        const std::string name = db.userLoginName(u);
        const bool kept = equalsIgnoreCase(name, "ADMIN");
        adminIsUser = adminIsUser || kept;
        FUZZ_CHECK(kept || (!db.user(u).fullName.empty() && !db.user(u).password.empty()), name);
        FUZZ_CHECK(db.user(u).postCount >= 0);
    }
    // Notices given to an ADMIN who is no user are widowed again by the next check.
    CheckCounts none;
    if (!adminIsUser) none.noticesToAdmin = second.counts.noticesToAdmin;
    FUZZ_CHECK(sameCounts(second.counts, none), countsText(second.counts));
    for (int n = 1; n <= given; ++n) {
        if (!db.noticeInUse(n)) continue;
        FUZZ_CHECK(db.messageFileExists(n), std::to_string(n));
        const std::string owner = db.noticeOwner(n);
        FUZZ_CHECK(db.findNoticeAuthor(owner) > 0 || (o.widowedToAdmin && owner == "ADMIN"),
                   std::to_string(n) + " " + owner);
    }
    // The free notices past them are left exactly as they were.
    const std::size_t past = static_cast<std::size_t>(given) * sizeof(NoticeRecord);
    FUZZ_CHECK(std::memcmp(reinterpret_cast<const char*>(db.notices.data()) + past,
                           freshDatabaseFile("NOTICE.DB").data() + 16 + past,
                           sizeof(NoticeTable) - past) == 0);
    return 0;
}
