// What the fuzz targets share: a scratch folder in memory, the shaping of an input into a file
// of the sizes a reader tells apart, and a check that stops the run with its reason.
#pragma once

#include "support/fakes.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace pinora::fuzz {

// Aborts with the failed condition, so that libFuzzer keeps the input as a crash.
[[noreturn]] void fail(const char* condition, const char* file, int line,
                       const std::string& detail = {});

#define FUZZ_CHECK(cond, ...)                                                                   \
    do {                                                                                        \
        if (!(cond)) ::pinora::fuzz::fail(#cond, __FILE__, __LINE__ __VA_OPT__(, ) __VA_ARGS__);            \
    } while (0)

// A folder of this process, with MSG and TEMP, under /dev/shm when there is one: saves flush
// every file, which on a disk would make each run wait for it. Emptied before each input.
class Scratch {
  public:
    Scratch();
    ~Scratch();
    // With its final separator, as a database folder is held.
    std::string str() const { return path_.string() + "/"; }
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    // Leaves the folder empty but for MSG and TEMP.
    void clear();

  private:
    std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& p);
// Writes CONFIG.DB, USER.DB and NOTICE.DB (but except) as test::writeFreshDatabase makes them (made once,
// then copied: making a notice table scrambles ten thousand owners).
void writeFreshDatabase(const Scratch& folder, const char* except = nullptr);

// Targets keep their stations from run to run: a station's tables take two megabytes, which a
// new one would map and fault in again on every run. forget() clears what the last run told
// the kept services.
void forget(test::FakeServices& s);
void writeFile(const std::filesystem::path& p, std::string_view bytes);
// Every name under the folder with its bytes, for checking that nothing was written.
std::vector<std::pair<std::string, std::string>> snapshot(const std::filesystem::path& folder);

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

ShapedFile shapeInput(const std::uint8_t* data, std::size_t size,
                      std::initializer_list<Length> lengths);
// The first byte that makes shapeInput fill length number k (1-based) exactly.
constexpr std::uint8_t lengthByte(int k) {
    return static_cast<std::uint8_t>(0x10 | k);
}
constexpr std::uint8_t kMissingByte = 14;
constexpr std::uint8_t kFolderByte = 15;

// Writes the shaped file at p: the bytes, nothing, or a folder.
void placeShaped(const ShapedFile& f, const std::filesystem::path& p);

} // namespace pinora::fuzz

#include "db/formats/formats.h"

namespace pinora::fuzz {

// One of the three database files as the program loads it, in any format: a file that fails
// gives exactly one message and stays as it was with nothing beside it; an older one that
// loads was converted, told once, and kept beside it; what loaded loads again the same.
void loadDatabaseFile(formats::DbFile which, const std::uint8_t* data, std::size_t size);

// The input's first byte for each length loadDatabaseFile knows, in order (for the seeds).
std::vector<Length> databaseLengths(formats::DbFile which);

} // namespace pinora::fuzz
