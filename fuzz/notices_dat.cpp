// NOTICES.DAT of release 1.4 and its message files, imported into a fresh database. The input
// is the first byte (its low bits: 0 the file as given, 1 the given records then unused ones to
// the whole length, 2 one byte longer), the file's records, then optionally "\n--MSG--\n" and
// the text of the 1.4 message files of records 1 and 2 (plain or Rich Text).
#include "common.h"

#include "db/database.h"
#include "db/formats/release14.h"
#include "db/import14.h"

#include <algorithm>
#include <array>

using namespace pinora;
using namespace pinora::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Scratch dbFolder;
    static test::FakeServices s = servicesOver(dbFolder);
    static Database db(dbFolder.str(), s.services()), check(dbFolder.str(), s.services());
    if (size == 0) return 0;
    const EndOfRun end(dbFolder, {&s});
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string_view message;
    constexpr std::string_view kSeparator = "\n--MSG--\n";
    if (const auto at = rest.find(kSeparator); at != std::string_view::npos) {
        message = rest.substr(at + kSeparator.size());
        rest = rest.substr(0, at);
    }
    const int shape = data[0] & 3;
    const std::size_t recordSize = formats::kRelease14RecordSize;
    const std::size_t given = (rest.size() + recordSize - 1) / recordSize; // a part one too
    // The file of unused records, and the same one byte longer, made once and kept.
    static const std::array<std::string, 2> unused = [] {
        std::string r(recordSize, '\0');
        r.replace(0, 7, "\x06[NULL]");
        std::string file;
        for (int i = 0; i < formats::kRelease14Records; ++i)
            file += r;
        return std::array<std::string, 2>{file, file + '\0'};
    }();
    // The given records, a part one filled out with zeros (it reads as a name), the unused
    // ones after them.
    static std::string head;
    head.assign(rest);
    if (shape != 0) head.resize(std::min(given * recordSize, unused[0].size()), '\0');

    // The old folder beside the database folder, in the same file system.
    const std::string old = "/fuzz/old14";
    [[maybe_unused]] static const bool kept = (dbFolder.keepFolder(old + "/msg"), true);
    dbFolder.makeFolder(old + "/msg");
    std::size_t datSize = head.size();
    if (shape == 0) {
        dbFolder.writeFile(old + "/NOTICES.DAT", head);
    } else {
        const std::string& base = unused[shape == 2 ? 1 : 0];
        dbFolder.writeOver(shape == 2 ? "NOTICES.DAT+1" : "NOTICES.DAT", base,
                           old + "/NOTICES.DAT", 0, head);
        datSize = base.size();
    }
    if (!message.empty()) {
        dbFolder.writeFile(old + "/msg/1.MSG", message);
        dbFolder.writeFile(old + "/msg/2.msg", message);
    }
    writeFreshDatabase(dbFolder);
    FUZZ_CHECK(db.loadConfig());
    db.config.noticeSets[1].name = "Staff";
    FUZZ_CHECK(db.saveConfig());
    Release14Import rq;
    rq.folder = old;
    rq.staffSet = 2;
    rq.studentSet = 1;
    rq.user = "fuzz";
    rq.waitForLock = false;
    int logged = 0;
    rq.log = [&logged](const std::string&) { ++logged; };
    const ImportOutcome o = importRelease14(db, rq);

    FUZZ_CHECK(!dbFolder.exists(dbFolder / "DB-N.LCK"));
    int used = 0;
    if (datSize >= formats::kRelease14FileSize) {
        // Past the given records every record is the same unused one: it is read once.
        const int read = shape == 0 ? formats::kRelease14Records
                                    : static_cast<int>(std::min<std::size_t>(
                                          given, formats::kRelease14Records));
        for (int i = 1; i <= read; ++i)
            if (formats::release14Used(head, i)) ++used;
        if (read < formats::kRelease14Records &&
            formats::release14Used(unused[0], formats::kRelease14Records))
            used += formats::kRelease14Records - read;
    }
    switch (o.status) {
    case ImportStatus::Done: {
        FUZZ_CHECK(o.message == "Import Complete");
        FUZZ_CHECK(o.imported <= used && o.imported <= kNoticeCount);
        FUZZ_CHECK(check.loadNotices() == Result::Ok);
        FUZZ_CHECK(check.countNoticesInUse() == o.imported);
        break;
    }
    case ImportStatus::Refused:
        FUZZ_CHECK(!o.message.empty());
        FUZZ_CHECK(dbFolder.holds(dbFolder / "NOTICE.DB", freshDatabaseFile("NOTICE.DB")));
        break;
    case ImportStatus::LockHeld: FUZZ_CHECK(false, "no other station holds the lock"); break;
    case ImportStatus::Failed:
        FUZZ_CHECK(!o.message.empty() || !o.result.messages().empty());
        break;
    }
    return 0;
}
