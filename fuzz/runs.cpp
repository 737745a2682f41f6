// The lock file and message file runs; the database files' run is in dbfile.cpp.
#include "runs.h"

#include "cli/commands.h"
#include "cli/pinoractl.h"
#include "db/noticeediting.h"
#include "db/text.h"

#include <sstream>

namespace pinora::fuzz {

LockFileRun::LockFileRun(Scratch& scratch)
    : scratch_(scratch), s_(servicesOver(scratch)), tool_(servicesOver(scratch)),
      db_(scratch.str(), s_.services()), toolDb_(scratch.str(), tool_.services()) {}

// What pinoractl locks reads and shows. Over a real folder, for one input in eight, the tool
// itself, which pauses for real between its attempts at a lock file it cannot read (its start,
// with tables of its own, costs more than a run); otherwise, and over a folder in memory, what
// its command does, by a database of its own as the tool's.
void LockFileRun::showLocks(Shape shape, std::uint32_t hash) {
    if (!scratch_.inMemory() && hash % 8 == 0) {
        if (shape == Shape::Folder) return;
        std::ostringstream out, err;
        cli::runPinoractl({"--folder", scratch_.str(), "locks"}, out, err);
        return;
    }
    forget(tool_);
    bool okN = true, okU = true;
    const LockInfo n = toolDb_.readLock('N', &okN);
    const LockInfo u = okN ? toolDb_.readLock('U', &okU) : LockInfo{};
    for (const LockInfo* l : {&n, &u})
        if (l->held) cli::shown(lockHolderText(*l));
}

void LockFileRun::operator()(const std::uint8_t* data, std::size_t size) {
    const EndOfRun end(scratch_, {&s_, &tool_});
    const ShapedFile f = shapeInput(data, size, {});
    const std::string lockFile = scratch_ / "DB-N.LCK";
    placeShaped(scratch_, f, lockFile);
    showLocks(f.shape, hashOf(data, size));

    bool ok = true;
    const LockInfo found = db_.readLock('N', &ok);
    scratch_.snapshot(before_);
    const std::string me = "FUZZ";
    const Result r = s_.told(db_.acquireLock('N', me, "Fuzzing"));
    if (!ok) FUZZ_CHECK(r == Result::Failed);
    if (r == Result::Failed) {
        FUZZ_CHECK(s_.reporter->messages.size() == 1);
        return;
    }
    FUZZ_CHECK(s_.reporter->messages.empty());
    if (!found.held) {
        FUZZ_CHECK(r == Result::Ok);
        FUZZ_CHECK(scratch_.readFile(lockFile) == "TRUE\r\nFUZZ\r\nFuzzing\r\n");
    } else {
        FUZZ_CHECK((r == Result::Ok) == equalsIgnoreCase(found.holder, me));
        FUZZ_CHECK(scratch_.unchangedSince(before_));
    }
    if (r == Result::Ok) {
        FUZZ_CHECK(db_.releaseLock('N'));
        FUZZ_CHECK(!db_.readLock('N').held);
    }
}

namespace {

bool crLfLines(const std::string& file) {
    for (std::size_t i = 0; i < file.size(); ++i)
        if (file[i] == '\n' && (i == 0 || file[i - 1] != '\r')) return false;
    return file.empty() || (file.size() >= 2 && file.compare(file.size() - 2, 2, "\r\n") == 0);
}

} // namespace

MessageFileRun::MessageFileRun(Scratch& scratch)
    : scratch_(scratch), s_(servicesOver(scratch)), st_(scratch.str(), s_.services()) {}

void MessageFileRun::operator()(const std::uint8_t* data, std::size_t size) {
    const EndOfRun end(scratch_, {&s_});
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    scratch_.writeFile(scratch_ / "MSG/1.MSG", bytes);

    NoticeEditing editing(st_);
    std::string text;
    const EditResult opened = editing.open(1, false, text);
    FUZZ_CHECK(opened.ok && editing.editing());
    FUZZ_CHECK(text.size() <= bytes.size());

    FUZZ_CHECK(utf8ToCp1252(cp1252ToUtf8(bytes)) == bytes);
    FUZZ_CHECK(utf8ToCp1252(cp1252ToUtf8(text)) == text);
    // The same bytes read as if typed into a window: never longer, and stable from then on.
    const std::string typed = utf8ToCp1252(bytes);
    FUZZ_CHECK(typed.size() <= bytes.size());
    FUZZ_CHECK(utf8ToCp1252(cp1252ToUtf8(typed)) == typed);

    const Result written = st_.db.writeMessageFile(1, text);
    FUZZ_CHECK(written, written.detail());
    FUZZ_CHECK(crLfLines(scratch_.readFile(scratch_ / "MSG/1.MSG")));
}

} // namespace pinora::fuzz
