// What the fuzz targets share: a scratch database folder (in memory, or on disk for the one
// target that keeps the real reading path fuzzed), the shaping of an input into a file of the
// sizes a reader tells apart, and a check that stops the run with its reason.
#pragma once

#include "support/fakes.h"
#include "support/memoryfs.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pinora::fuzz {

// Aborts with the failed condition, so that libFuzzer keeps the input as a crash.
[[noreturn]] void fail(const char* condition, const char* file, int line,
                       const std::string& detail = {});

#define FUZZ_CHECK(cond, ...)                                                                   \
    do {                                                                                        \
        if (!(cond)) ::pinora::fuzz::fail(#cond, __FILE__, __LINE__ __VA_OPT__(, ) __VA_ARGS__);            \
    } while (0)

// Every name under a folder with each file's bytes (in memory) or what tells it apart (on disk),
// for checking that nothing was written: a folder, link or pipe marked as ls -F does ("sub/",
// "name@", "name|"). The entries past size are kept, buffers and all, for the next snapshot: a
// run that takes one maps no megabyte and leaves no more allocated than the run before it.
// A file on disk's device, inode, size and modification time (seconds, nanoseconds).
using DiskIdentity = std::array<std::int64_t, 5>;

struct Snapshot {
    struct Entry {
        std::string name;
        // In memory the file's own bytes, held rather than copied: a file is never written
        // again once closed, only replaced, so a file still there holds what it held.
        std::shared_ptr<const std::string> shared;
        // On disk what tells a regular file from any other (its inode, size and time).
        DiskIdentity identity{};
        bool operator==(const Entry& o) const;
    };
    std::vector<Entry> entries;
    std::size_t size = 0;
    std::uint64_t changes = 0; // the file system's count when taken in memory
    bool operator==(const Snapshot& o) const;
};

// A database folder with MSG and TEMP, emptied after each input (see EndOfRun). In memory a run
// costs no system call; on disk it lies under /dev/shm when there is one, since saves flush every
// file, which on a disk would make each run wait for it.
class Scratch {
  public:
    enum class Where { Memory, Disk };
    explicit Scratch(Where where = Where::Memory);
    ~Scratch();
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    // With its final separator, as a database folder is held.
    const std::string& str() const { return folder_; }
    std::string operator/(std::string_view name) const { return folder_ + std::string(name); }
    bool inMemory() const { return memory_ != nullptr; }
    // What the stations of a target read and write through.
    const std::shared_ptr<FileSystem>& files() const { return files_; }

    // Leaves the folder empty but for MSG and TEMP, and the folders kept.
    void clear();
    // A folder (and those above it) that a target makes for every run: in memory it stays,
    // only emptied, as a run that makes any other folder has the whole file system made anew.
    void keepFolder(const std::string& path);
    std::size_t openHandles() const { return memory_ ? memory_->openHandles() : 0; }
    // In memory, moves with every change to a name or a file's bytes: the same count twice
    // means nothing at all was written in between, which a snapshot cannot tell.
    std::uint64_t changes() const { return memory_ ? memory_->changes() : 0; }

    // For setting up and checking a run; paths are whole ones, as operator/ makes them.
    void writeFile(const std::string& path, std::string_view bytes);
    // A regular file's bytes; empty for anything else.
    std::string readFile(const std::string& path) const;
    // The same into a buffer kept between runs, valid until the next read.
    const std::string& read(const std::string& path) const;
    // Whether path is a regular file of exactly these bytes (in memory, without copying it).
    bool holds(const std::string& path, std::string_view bytes) const;
    // A regular file's bytes as they stand (in memory shared, not copied; on disk read into a
    // buffer kept for it, valid until the next call); empty for anything else.
    std::shared_ptr<const std::string> share(const std::string& path) const;
    bool exists(const std::string& path) const; // anything at all, a link not followed
    void makeFolder(const std::string& path);
    // The names in a folder, as a listing shows them.
    std::vector<std::string> names(const std::string& folder) const;
    void snapshot(Snapshot& into) const;
    // Whether the folder holds exactly what the snapshot does.
    bool unchangedSince(const Snapshot& before) const;

    // A file of a fresh database under name in the folder (see writeFreshDatabase).
    void writeFresh(const std::string& name, const std::string& bytes);
    // A large file at path: base (kept from run to run under key) with over laid on it from
    // offset. In memory the kept file is changed in place and linked there, and what was laid
    // on it is taken back from base when the run ends: a run copies the records it changes,
    // not the megabyte around them. base lives as long as the scratch.
    void writeOver(const std::string& key, const std::string& base, const std::string& path,
                   std::size_t offset, std::string_view over);

  private:
    static constexpr const char* kFresh = "/fresh";
    bool sweep(const std::string& folder);
    void rebuild();
    void takeBackOverlays();

    struct Overlay {
        std::string kept; // the kept file's path
        const std::string* base;
        std::size_t offset, size;
    };

    std::string folder_;
    std::unique_ptr<test::MemoryFileSystem> memory_;
    std::vector<std::string> kept_; // folders that stay in memory, without their separator
    std::filesystem::path disk_;     // the database folder on disk
    std::filesystem::path diskBase_; // what holds it and the fresh files, removed at the end
    std::vector<std::pair<std::string, DiskIdentity>> freshOnDisk_;
    std::shared_ptr<FileSystem> files_;
    mutable Snapshot now_;
    mutable std::string read_;
    std::vector<Overlay> overlays_; // laid this run
    mutable std::vector<Snapshot*> taken_; // whose files are let go when the run ends
    mutable std::string shared_;
    const std::string none_;
};

// A hash of all of an input, to pick one input in n for a costly check: by one byte alone, the
// fuzzer soon made nearly every input one that ran it.
std::uint32_t hashOf(const std::uint8_t* data, std::size_t size);

// Services for a station of the target over the scratch folder.
test::FakeServices servicesOver(const Scratch& scratch);

// Writes CONFIG.DB, USER.DB and NOTICE.DB (but except) as test::writeFreshDatabase makes them
// (made once, then copied: making a notice table scrambles ten thousand owners).
void writeFreshDatabase(Scratch& folder, const char* except = nullptr);
const std::string& freshDatabaseFile(std::string_view name);

// Targets keep their stations from run to run: a station's tables take two megabytes, which a
// new one would map and fault in again on every run. forget() clears what the last run told
// the kept services, and starts their chance again.
void forget(test::FakeServices& s);

// Empties the folder and forgets what the services were told when a run ends, however it
// ends. libFuzzer runs an input a second time, and may then scan for leaks, whenever a run
// allocates more than it frees: a run that only freed what the run before it had left would
// do so whenever it left more itself.
class EndOfRun {
  public:
    EndOfRun(Scratch& scratch, std::initializer_list<test::FakeServices*> services);
    ~EndOfRun();
    EndOfRun(const EndOfRun&) = delete;
    EndOfRun& operator=(const EndOfRun&) = delete;

  private:
    Scratch& scratch_;
    std::vector<test::FakeServices*> services_;
};

// How the first byte of an input shapes the file: low four bits pick the length (0: the rest of
// the input as it is, 1.. a length from the list, 14: no file, 15: a folder of that name), the
// high four bits (mod 3) move that length by -1, 0 or +1. A chosen length is filled by keeping
// the first headerBytes of the rest and repeating what follows them, so that records line up.
struct Length {
    std::size_t bytes;
    std::size_t headerBytes;
};

enum class Shape { Raw, Sized, Missing, Folder };

struct ShapedFile {
    Shape shape = Shape::Raw;
    std::string bytes;
};

// Into f, whose buffer is kept: a notice table's megabyte is not mapped afresh for each run.
void shapeInput(ShapedFile& f, const std::uint8_t* data, std::size_t size,
                std::initializer_list<Length> lengths);
ShapedFile shapeInput(const std::uint8_t* data, std::size_t size,
                      std::initializer_list<Length> lengths);
// The first byte that makes shapeInput fill length number k (1-based) exactly.
constexpr std::uint8_t lengthByte(int k) {
    return static_cast<std::uint8_t>(0x10 | k);
}
constexpr std::uint8_t kMissingByte = 14;
constexpr std::uint8_t kFolderByte = 15;

// Writes the shaped file at path: the bytes, nothing, or a folder.
void placeShaped(Scratch& scratch, const ShapedFile& f, const std::string& path);

} // namespace pinora::fuzz

#include "db/formats/formats.h"

namespace pinora::fuzz {

// The input's first byte for each length a database file load knows, in order (for the seeds).
std::vector<Length> databaseLengths(formats::DbFile which);

} // namespace pinora::fuzz
