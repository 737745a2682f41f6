#include "common.h"

#include "cli/json_check.h"
#include "cli/pinoractl.h"
#include "db/database.h"
#include "db/upgrade.h"

#include <cmath>
#include <cstring>
#include <sstream>

namespace pinora::fuzz {

namespace fs = std::filesystem;
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

LoadResult load(Database& db, DbFile which, HeaderCheck check) {
    switch (which) {
    case DbFile::Config: return db.loadConfig(check);
    case DbFile::Notices: return db.loadNotices(check);
    case DbFile::Users: return db.loadUsers(check);
    }
    return LoadResult::Failed;
}

// The block in memory, to compare two loads.
std::string block(const Database& db, DbFile which) {
    switch (which) {
    case DbFile::Config: return {reinterpret_cast<const char*>(&db.config), sizeof db.config};
    case DbFile::Notices:
        return {reinterpret_cast<const char*>(db.notices.data()), sizeof(NoticeTable)};
    case DbFile::Users: return {reinterpret_cast<const char*>(db.users.data()), sizeof db.users};
    }
    return {};
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

// pinoractl info over the loaded file beside fresh others: it shows everything and its JSON
// is one well-formed document. Skipped for a deadline far out of range, whose time of day is
// still undefined arithmetic in the time text (a fault mended elsewhere).
void info(const Scratch& scratch, const Database& db, DbFile which) {
    if (which == DbFile::Notices) return; // up to 10000 lines a run
    for (const NoticeSetConfig& s : db.config.noticeSets)
        if (!(std::fabs(s.deadline) < 1e9)) return;
    writeFreshDatabase(scratch, formats::fileName(which));
    std::ostringstream out, err;
    FUZZ_CHECK(cli::runPinoractl({"--folder", scratch.str(), "info"}, out, err) == cli::kOk,
               err.str());
    std::ostringstream json, jsonErr;
    FUZZ_CHECK(cli::runPinoractl({"--folder", scratch.str(), "info", "--json"}, json, jsonErr) ==
                   cli::kOk,
               jsonErr.str());
    try {
        test::parseJson(json.str());
    } catch (const std::exception& e) {
        FUZZ_CHECK(false, std::string(e.what()) + ": " + json.str());
    }
}

std::string messages(const test::FakeServices& s) {
    std::string all;
    for (const std::string& m : s.reporter->messages)
        all += "[" + m + "] ";
    return all;
}

} // namespace

void loadDatabaseFile(DbFile which, const std::uint8_t* data, std::size_t size) {
    static Scratch scratch;
    static test::FakeServices s, skipped, again;
    static Database db(scratch.str(), s.services()), skipping(scratch.str(), skipped.services()),
        second(scratch.str(), again.services());
    scratch.clear();
    forget(s);
    forget(skipped);
    forget(again);
    const std::vector<Length> lengths = databaseLengths(which);
    const ShapedFile f = [&] {
        switch (lengths.size()) {
        case 2: return shapeInput(data, size, {lengths[0], lengths[1]});
        default: return shapeInput(data, size, {lengths[0], lengths[1], lengths[2], lengths[3]});
        }
    }();
    const char* name = formats::fileName(which);
    const fs::path file = scratch / name;
    placeShaped(f, file);
    const auto before = snapshot(scratch.path());
    const bool regular = f.shape == Shape::Raw || f.shape == Shape::Sized;

    // A tool's load takes the block whatever the header says, when the length is right.
    {
        const LoadResult r = load(skipping, which, HeaderCheck::Skip);
        if (f.shape == Shape::Missing)
            FUZZ_CHECK(r == LoadResult::Missing);
        else
            FUZZ_CHECK((r == LoadResult::Ok) == (regular && f.bytes.size() == currentSize(which)),
                       messages(skipped));
        FUZZ_CHECK((r == LoadResult::Failed) == (skipped.reporter->messages.size() == 1),
                   messages(skipped));
        FUZZ_CHECK(snapshot(scratch.path()) == before);
    }

    const LoadResult r = load(db, which, HeaderCheck::Required);
    const auto& said = s.reporter->messages;
    if (f.shape == Shape::Missing) {
        FUZZ_CHECK(r == LoadResult::Missing && said.empty());
        return;
    }
    FUZZ_CHECK(r != LoadResult::Missing);
    if (r == LoadResult::Failed) {
        // Told once, and left exactly as it was for the administrator.
        FUZZ_CHECK(said.size() == 1, messages(s));
        FUZZ_CHECK(snapshot(scratch.path()) == before, messages(s));
        return;
    }
    const formats::Format from = formats::formatOf(f.bytes);
    const std::string now = readFile(file);
    if (from == formats::Format::Current) {
        FUZZ_CHECK(said.empty(), messages(s));
        FUZZ_CHECK(snapshot(scratch.path()) == before);
    } else {
        FUZZ_CHECK(said.size() == 1 && said[0] == upgradeMessage(which, from), messages(s));
        FUZZ_CHECK(now.size() == currentSize(which));
        DbHeader h;
        std::memcpy(&h, now.data(), sizeof h);
        FUZZ_CHECK(headerMatches(h));
        // The original is kept beside it, byte for byte.
        bool kept = false;
        for (const auto& e : fs::directory_iterator(scratch.path()))
            if (e.path().extension() == ".bak") kept = readFile(e.path()) == f.bytes;
        FUZZ_CHECK(kept);
    }
    FUZZ_CHECK(load(second, which, HeaderCheck::Required) == LoadResult::Ok, messages(again));
    FUZZ_CHECK(again.reporter->messages.empty(), messages(again));
    FUZZ_CHECK(block(second, which) == block(db, which));
    use(db, which);
    // Writing and loading the other two files costs many runs' time: one input in 32.
    if (data[size - 1] % 32 == 0) info(scratch, db, which);
}

} // namespace pinora::fuzz
