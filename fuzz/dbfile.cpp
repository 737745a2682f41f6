#include "runs.h"

#include "cli/json_check.h"
#include "cli/commands.h"
#include "cli/pinoractl.h"
#include "db/database.h"
#include "db/upgrade.h"

#include <cmath>
#include <cstring>
#include <sstream>

namespace pinora::fuzz {

using formats::DbFile;

std::vector<Length> databaseLengths(DbFile which) {
    switch (which) {
    case DbFile::Config: return {{1160, 0}, {1240, 16}, {1248, 16}, {Database::kConfigFileSize, 16}};
    case DbFile::Notices: return {{sizeof(NoticeTable), 0}, {Database::kNoticeFileSize, 16}};
    case DbFile::Users: return {{31200, 0}, {Database::kUserFileSize, 16}};
    }
    return {};
}

namespace {

std::size_t currentSize(DbFile which) {
    return databaseLengths(which).back().bytes;
}

Result load(Database& db, DbFile which, HeaderCheck check) {
    switch (which) {
    case DbFile::Config: return db.loadConfig(check);
    case DbFile::Notices: return db.loadNotices(check);
    case DbFile::Users: return db.loadUsers(check);
    }
    return Result::unreadable("", "no such file"); // every file is named above
}

// The block in memory, to compare two loads without copying a megabyte.
std::pair<const void*, std::size_t> block(const Database& db, DbFile which) {
    switch (which) {
    case DbFile::Config: return {&db.config, sizeof db.config};
    case DbFile::Notices: return {db.notices.data(), sizeof(NoticeTable)};
    case DbFile::Users: return {db.users.data(), sizeof db.users};
    }
    return {nullptr, 0};
}

bool sameBlock(const Database& a, const Database& b, DbFile which) {
    const auto [x, size] = block(a, which);
    return std::memcmp(x, block(b, which).first, size) == 0;
}

// What the program does next with a loaded file: look texts up and compare names.
void use(Database& db, DbFile which) {
    switch (which) {
    case DbFile::Config:
        for (const NoticeSetConfig& s : db.config.noticeSets)
            db.findNoticeSet(s.name.view());
        break;
    case DbFile::Notices: {
        int shown = 0;
        for (int n = 1; n <= kNoticeCount && shown < 100; ++n)
            if (db.noticeInUse(n)) {
                db.noticeOwner(n);
                ++shown;
            }
        db.findFreeNotice();
        break;
    }
    case DbFile::Users:
        db.findUser("ADMIN");
        db.authenticateUser("ADMIN", "secret");
        db.findFreeUser();
        db.findNoticeAuthor("ADMIN");
        for (int n = 1; n <= kUserCount; ++n)
            db.userPassword(n);
        break;
    }
}

std::string messages(const test::FakeServices& s) {
    std::string all;
    for (const std::string& m : s.reporter->messages)
        all += "[" + m + "] ";
    return all;
}

} // namespace

// pinoractl info with or without --json: over a real folder the tool itself, over one in
// memory its command on a database of the tool's own (as the tool makes one for each run; its
// loads replace everything a run before left in it).
int DatabaseFileRun::runInfo(bool json, std::ostream& out, std::ostream& err) {
    if (!scratch_.inMemory()) {
        std::vector<std::string> args{"--folder", scratch_.str(), "info"};
        if (json) args.push_back("--json");
        return cli::runPinoractl(args, out, err);
    }
    forget(tool_);
    cli::Options o;
    if (json) o.flags["--json"] = true;
    const int status = cli::info(toolDb_, o, out, err);
    return status;
}

DatabaseFileRun::DatabaseFileRun(Scratch& scratch)
    : scratch_(scratch), s_(servicesOver(scratch)), skipped_(servicesOver(scratch)),
      again_(servicesOver(scratch)), tool_(servicesOver(scratch)),
      db_(scratch.str(), s_.services()), skipping_(scratch.str(), skipped_.services()),
      second_(scratch.str(), again_.services()), toolDb_(scratch.str(), tool_.services()) {}

// pinoractl info over the loaded file beside fresh others: it shows everything, and with
// --json its output is one well-formed document. Skipped for a deadline far out of range, whose
// time of day is still undefined arithmetic in the time text (a fault mended elsewhere).
void DatabaseFileRun::info(DbFile which, bool json) {
    if (which == DbFile::Notices) return; // up to 10000 lines a run
    for (const NoticeSetConfig& s : db_.config.noticeSets)
        if (!(std::fabs(s.deadline) < 1e9)) return;
    writeFreshDatabase(scratch_, formats::fileName(which));
    std::ostringstream out, err;
    FUZZ_CHECK(runInfo(json, out, err) == cli::kOk, err.str());
    if (!json) return;
    try {
        test::parseJson(out.str());
    } catch (const std::exception& e) {
        FUZZ_CHECK(false, std::string(e.what()) + ": " + out.str());
    }
}

void DatabaseFileRun::operator()(DbFile which, const std::uint8_t* data, std::size_t size) {
    const EndOfRun end(scratch_, {&s_, &skipped_, &again_, &tool_});
    const std::vector<Length> lengths = databaseLengths(which);
    switch (lengths.size()) {
    case 2: shapeInput(file_, data, size, {lengths[0], lengths[1]}); break;
    default: shapeInput(file_, data, size, {lengths[0], lengths[1], lengths[2], lengths[3]});
    }
    const ShapedFile& f = file_;
    const char* name = formats::fileName(which);
    const std::string file = scratch_ / name;
    placeShaped(scratch_, f, file);
    scratch_.snapshot(before_);
    const bool regular = f.shape == Shape::Raw || f.shape == Shape::Sized;

    // A tool's load takes the block whatever the header says, when the length is right. Over
    // a real folder, whose reads cost system calls, for one input in four: it reads the file
    // as the load below does.
    const std::uint32_t hash = hashOf(data, size);
    if (scratch_.inMemory() || hash % 4 == 1) {
        const Result r = skipped_.told(load(skipping_, which, HeaderCheck::Skip));
        if (f.shape == Shape::Missing)
            FUZZ_CHECK(r == Result::Missing);
        else
            FUZZ_CHECK((r == Result::Ok) == (regular && f.bytes.size() == currentSize(which)),
                       messages(skipped_));
        FUZZ_CHECK((r == Result::Unreadable) == (skipped_.reporter->messages.size() == 1),
                   messages(skipped_));
        FUZZ_CHECK(scratch_.unchangedSince(before_));
    }

    const Result r = s_.told(load(db_, which, HeaderCheck::Required));
    const auto& said = s_.reporter->messages;
    if (f.shape == Shape::Missing) {
        FUZZ_CHECK(r == Result::Missing && said.empty());
        return;
    }
    FUZZ_CHECK(r != Result::Missing);
    if (!r) {
        // Told once, and left exactly as it was for the administrator.
        FUZZ_CHECK(said.size() == 1, messages(s_));
        FUZZ_CHECK(scratch_.unchangedSince(before_), messages(s_));
        return;
    }
    const formats::Format from = formats::formatOf(f.bytes);
    if (from == formats::Format::Current) {
        FUZZ_CHECK(said.empty(), messages(s_));
        FUZZ_CHECK(scratch_.unchangedSince(before_));
    } else {
        FUZZ_CHECK(said.size() == 1 && said[0] == upgradeMessage(which, from), messages(s_));
        const auto now = scratch_.share(file);
        FUZZ_CHECK(now->size() == currentSize(which));
        DbHeader h;
        std::memcpy(&h, now->data(), sizeof h);
        FUZZ_CHECK(headerMatches(h));
        // The original is kept beside it, byte for byte.
        bool kept = false;
        for (const std::string& n : scratch_.names(scratch_.str()))
            if (n.size() > 4 && n.compare(n.size() - 4, 4, ".bak") == 0)
                kept = scratch_.holds(scratch_ / n, f.bytes);
        FUZZ_CHECK(kept);
    }
    FUZZ_CHECK(again_.told(load(second_, which, HeaderCheck::Required)) == Result::Ok,
               messages(again_));
    FUZZ_CHECK(again_.reporter->messages.empty(), messages(again_));
    FUZZ_CHECK(sameBlock(second_, db_, which));
    use(db_, which);
    // A run of pinoractl info over a configuration costs some ten runs' time, over a whole
    // table of users (two hundred of them) some fifty: one input in 32 (users: 256) runs it, as
    // a table or as JSON by turns.
    const std::uint32_t n = which == DbFile::Users ? 256 : 32;
    if (hash % n == 0) info(which, (hash / n) % 2 == 1);
}

} // namespace pinora::fuzz
