// What a target does with one input over a scratch folder: each target runs one of these over
// a folder in memory, and fuzz_disk_files runs the same over a real folder, so that the
// reading path through the system stays fuzzed too. Each keeps its stations between runs.
#pragma once

#include "common.h"

#include "db/database.h"
#include "db/station.h"

#include <iosfwd>

namespace pinora::fuzz {

// One of the three database files as the program loads it, in any format: a file that fails
// gives exactly one message and stays as it was with nothing beside it; an older one that
// loads was converted, told once, and kept beside it; what loaded loads again the same.
class DatabaseFileRun {
  public:
    explicit DatabaseFileRun(Scratch& scratch);
    void operator()(formats::DbFile which, const std::uint8_t* data, std::size_t size);

  private:
    void info(formats::DbFile which, bool json);
    int runInfo(bool json, std::ostream& out, std::ostream& err);

    Scratch& scratch_;
    test::FakeServices s_, skipped_, again_, tool_;
    Database db_, skipping_, second_, toolDb_;
    ShapedFile file_;
    Snapshot before_;
};

// A lock file as a station finds it when it takes the lock, and as pinoractl shows it. A free
// lock is granted and then holds exactly this station's three lines; a lock held under the same
// name is granted as it stands; one held by another is refused and left alone.
class LockFileRun {
  public:
    explicit LockFileRun(Scratch& scratch);
    void operator()(const std::uint8_t* data, std::size_t size);

  private:
    void showLocks(Shape shape, std::uint32_t hash);

    Scratch& scratch_;
    test::FakeServices s_, tool_;
    Database db_, toolDb_;
    Snapshot before_;
};

// A message file as the editor opens it and the windows show it: Windows-1252 to Unicode and
// back gives the same bytes, and what is written back has every line ended by CR LF.
class MessageFileRun {
  public:
    explicit MessageFileRun(Scratch& scratch);
    void operator()(const std::uint8_t* data, std::size_t size);

  private:
    Scratch& scratch_;
    test::FakeServices s_;
    Station st_;
};

} // namespace pinora::fuzz
