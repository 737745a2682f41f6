// NOTICES.DAT of release 1.4 and its message files, imported into a fresh database. The input
// is the first byte (its low bits: 0 the file as given, 1 the given records then unused ones to
// the whole length, 2 one byte longer), the file's records, then optionally "\n--MSG--\n" and
// the text of the 1.4 message files of records 1 and 2 (plain or Rich Text).
#include "common.h"

#include "db/database.h"
#include "db/formats/release14.h"
#include "db/import14.h"

using namespace pinora;
using namespace pinora::fuzz;
namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Scratch scratch, dbFolder;
    static test::FakeServices s;
    static Database db(dbFolder.str(), s.services()), check(dbFolder.str(), s.services());
    scratch.clear();
    dbFolder.clear();
    forget(s);
    if (size == 0) return 0;
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string_view message;
    constexpr std::string_view kSeparator = "\n--MSG--\n";
    if (const auto at = rest.find(kSeparator); at != std::string_view::npos) {
        message = rest.substr(at + kSeparator.size());
        rest = rest.substr(0, at);
    }
    std::string dat(rest);
    const int shape = data[0] & 3;
    if (shape != 0) {
        static const std::string unused = [] {
            std::string r(formats::kRelease14RecordSize, '\0');
            r.replace(0, 7, "\x06[NULL]");
            return r;
        }();
        // The unused records line up with the given ones; a given part record reads as a name.
        dat.resize((dat.size() + formats::kRelease14RecordSize - 1) /
                       formats::kRelease14RecordSize * formats::kRelease14RecordSize,
                   '\0');
        while (dat.size() < formats::kRelease14FileSize)
            dat += unused.substr(0, formats::kRelease14FileSize - dat.size());
        dat.resize(formats::kRelease14FileSize + (shape == 2 ? 1 : 0), '\0');
    }

    const fs::path old = scratch / "old14";
    fs::create_directories(old / "msg");
    writeFile(old / "NOTICES.DAT", dat);
    if (!message.empty()) {
        writeFile(old / "msg/1.MSG", message);
        writeFile(old / "msg/2.msg", message);
    }
    writeFreshDatabase(dbFolder);
    const std::string noticesBefore = readFile(dbFolder / "NOTICE.DB");
    db.loadConfig();
    db.config.noticeSets[1].name = "Staff";
    db.saveConfig();
    Release14Import rq;
    rq.folder = old.string();
    rq.staffSet = 2;
    rq.studentSet = 1;
    rq.user = "fuzz";
    rq.waitForLock = false;
    int logged = 0;
    rq.log = [&logged](const std::string&) { ++logged; };
    const ImportOutcome o = importRelease14(db, rq);

    FUZZ_CHECK(!fs::exists(dbFolder / "DB-N.LCK"));
    int used = 0;
    if (dat.size() >= formats::kRelease14FileSize)
        for (int i = 1; i <= formats::kRelease14Records; ++i)
            if (formats::release14Notice(dat, i).used()) ++used;
    switch (o.status) {
    case ImportStatus::Done: {
        FUZZ_CHECK(o.message == "Import Complete");
        FUZZ_CHECK(o.imported <= used && o.imported <= kNoticeCount);
        FUZZ_CHECK(check.loadNotices() == LoadResult::Ok);
        FUZZ_CHECK(check.countNoticesInUse() == o.imported);
        break;
    }
    case ImportStatus::Refused:
        FUZZ_CHECK(!o.message.empty());
        FUZZ_CHECK(readFile(dbFolder / "NOTICE.DB") == noticesBefore);
        break;
    case ImportStatus::LockHeld: FUZZ_CHECK(false, "no other station holds the lock"); break;
    case ImportStatus::Failed:
        FUZZ_CHECK(!o.message.empty() || !s.reporter->messages.empty());
        break;
    }
    return 0;
}
