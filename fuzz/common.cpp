#include "common.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pinora::fuzz {

namespace fs = std::filesystem;

void fail(const char* condition, const char* file, int line, const std::string& detail) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    if (!detail.empty()) std::fprintf(stderr, "  %s\n", detail.c_str());
    std::abort();
}

namespace {

// ---- in memory: through the file system's own calls, into buffers kept from run to run ----

// Nothing here cuts the power, so a flush of a file being written need not copy it for a power
// cut to keep: each save of a notice table would otherwise map and fill a second megabyte.
// Every answer stays the one the file system in memory gives.
class UncutFileSystem final : public test::MemoryFileSystem {
  public:
    int flush(int handle) override {
        // Only a new regular file's handle takes writes (an empty write answers 0 for it alone).
        if (write(handle, nullptr, 0) == 0) return 0;
        return MemoryFileSystem::flush(handle);
    }
};

// A regular file's bytes into out, keeping its buffer; false (and out empty) for anything
// else. What out held is only cut or lengthened: a megabyte read over a megabyte is not first
// filled with zeros.
bool readInto(FileSystem& files, const std::string& path, std::string& out) {
    int h = -1;
    EntryInfo info;
    if (files.openRead(path, h, info)) {
        out.clear();
        return false;
    }
    bool ok = info.type == EntryType::Regular;
    out.resize(ok ? info.size : 0);
    if (ok) {
        std::size_t got = 0;
        while (got < out.size()) {
            const long n = files.read(h, out.data() + got, out.size() - got);
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        ok = got == out.size();
        out.resize(got);
    }
    files.close(h);
    return ok;
}

void writeThrough(FileSystem& files, const std::string& path, std::string_view bytes) {
    const int removed = files.remove(path);
    if (removed && removed != ENOENT) fail("writeFile", __FILE__, __LINE__, path);
    int h = -1;
    if (files.createExclusive(path, h)) fail("writeFile", __FILE__, __LINE__, path);
    const long wrote = files.write(h, bytes.data(), bytes.size());
    files.close(h);
    if (wrote != static_cast<long>(bytes.size())) fail("writeFile", __FILE__, __LINE__, path);
}

// The next entry of a snapshot being taken, reusing what an earlier one held there.
Snapshot::Entry& slot(Snapshot& into) {
    if (into.size == into.entries.size()) into.entries.emplace_back();
    return into.entries[into.size++];
}

// In the order the listing gives, each folder before what it holds: the same tree always
// gives the same entries in the same order, so no sort is needed.
void walk(test::MemoryFileSystem& files, const std::string& folder, const std::string& prefix,
          Snapshot& into) {
    std::vector<FolderEntry> entries;
    if (files.list(folder, entries)) return;
    for (const FolderEntry& e : entries) {
        const std::string path = folder + e.name;
        EntryInfo info;
        if (files.info(path, info)) continue;
        Snapshot::Entry& entry = slot(into);
        std::string& name = entry.name;
        name.assign(prefix).append(e.name);
        entry.shared = info.type == EntryType::Regular ? files.shareFile(path) : nullptr;
        switch (info.type) {
        case EntryType::Regular: break;
        case EntryType::Folder: {
            name += '/';
            const std::string below = name; // the walk below may move the snapshot's entries
            walk(files, path + "/", below, into);
            break;
        }
        case EntryType::Link: name += '@'; break;
        case EntryType::Other: name += '|'; break;
        }
    }
}

// ---- on disk: through the system's calls, not the program's --------------------------------

// Into out, keeping its buffer: what it held is only cut or lengthened, so that a megabyte
// read again is neither allocated nor cleared afresh.
void readDiskFile(const std::string& path, std::string& out) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (fd >= 0) ::close(fd);
        out.clear();
        return;
    }
    out.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < out.size()) {
        const ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    out.resize(got);
}

// What tells a file on disk from any other: a save writes a new file and renames it into
// place, and a write moves the modification time. Not the change time: a conversion that
// fails holds the original by a second name for a moment, which moves it.
DiskIdentity diskIdentity(const struct stat& st) {
    return {static_cast<std::int64_t>(st.st_dev), static_cast<std::int64_t>(st.st_ino),
            static_cast<std::int64_t>(st.st_size), static_cast<std::int64_t>(st.st_mtim.tv_sec),
            static_cast<std::int64_t>(st.st_mtim.tv_nsec)};
}

// Each entry under dir (open, relative name prefix) with what tells it apart; unsorted.
void walkDisk(int dir, const std::string& prefix, Snapshot& into) {
    DIR* d = ::fdopendir(dir);
    if (!d) {
        ::close(dir);
        return;
    }
    while (const dirent* e = ::readdir(d)) {
        const std::string_view n = e->d_name;
        if (n == "." || n == "..") continue;
        Snapshot::Entry& entry = slot(into);
        entry.name.assign(prefix).append(n);
        entry.shared = nullptr;
        entry.identity = {};
        struct stat st {};
        if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            entry.name += "?";
        } else if (S_ISREG(st.st_mode)) {
            entry.identity = diskIdentity(st);
        } else if (S_ISDIR(st.st_mode)) {
            entry.name += '/';
            const std::string below = entry.name; // the walk below may move the entries
            const int sub = ::openat(::dirfd(d), e->d_name,
                                     O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub >= 0) walkDisk(sub, below, into);
        } else {
            entry.name += S_ISLNK(st.st_mode) ? "@" : "|";
        }
    }
    ::closedir(d);
}

// Sorted by name: each entry with what tells a file apart, not its bytes.
void diskSnapshot(const fs::path& folder, Snapshot& into) {
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) walkDisk(dir, "", into);
    const auto first = into.entries.begin();
    std::sort(first, first + static_cast<std::ptrdiff_t>(into.size),
              [](const Snapshot::Entry& a, const Snapshot::Entry& b) { return a.name < b.name; });
}

// Removes everything in folder but what keep (given the open folder and a name) keeps: files
// by one call each, anything else through the library.
template <typename Keep> void emptyDisk(const std::string& folder, Keep keep) {
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* d = dir < 0 ? nullptr : ::fdopendir(dir);
    if (!d) {
        if (dir >= 0) ::close(dir);
        return;
    }
    std::vector<std::string> others;
    while (const dirent* e = ::readdir(d)) {
        const std::string_view n = e->d_name;
        if (n == "." || n == ".." || keep(::dirfd(d), n)) continue;
        if (::unlinkat(::dirfd(d), e->d_name, 0) != 0) others.emplace_back(n);
    }
    ::closedir(d);
    for (const std::string& n : others) {
        std::error_code ec;
        fs::remove_all(fs::path(folder) / n, ec);
    }
}

} // namespace

Scratch::Scratch(Where where) {
    if (where == Where::Memory) {
        memory_ = std::make_unique<UncutFileSystem>();
        files_ = std::shared_ptr<FileSystem>(std::shared_ptr<void>{}, memory_.get());
        folder_ = "/fuzz/db/";
        kept_ = {"/fuzz", "/fuzz/db", "/fuzz/db/MSG", "/fuzz/db/TEMP", kFresh};
        rebuild();
    } else {
        const fs::path base =
            fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string tmpl = (base / "pinora-fuzz-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) fail("mkdtemp", __FILE__, __LINE__, tmpl);
        diskBase_ = tmpl;
        disk_ = diskBase_ / "db";
        std::error_code ec;
        if (!fs::create_directory(disk_, ec) || !fs::create_directory(diskBase_ / "fresh", ec))
            fail("mkdir", __FILE__, __LINE__, tmpl);
        files_ = systemFileSystem();
        folder_ = disk_.string() + "/";
    }
    if (!memory_) clear();
}

Scratch::~Scratch() {
    if (diskBase_.empty()) return;
    std::error_code ec;
    fs::remove_all(diskBase_, ec);
}

void Scratch::keepFolder(const std::string& path) {
    if (!memory_) return; // a run makes it again
    std::string p = path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    for (std::size_t at = p.find('/', 1);; at = p.find('/', at + 1)) {
        const std::string upTo = p.substr(0, at);
        if (std::find(kept_.begin(), kept_.end(), upTo) == kept_.end()) kept_.push_back(upTo);
        if (at == std::string::npos) break;
    }
    memory_->makeFolders(p);
}

// Below folder, by the file system's own calls: each file, link and pipe removed, and each
// folder's entries flushed, so that none is held on for a power cut either. A folder that is
// not kept goes whole (no call removes a folder; one moved aside would hold its memory until
// the file system next forgets its folders, which makes libFuzzer take a run for a leak).
// False when a call fails.
bool Scratch::sweep(const std::string& folder) {
    std::vector<FolderEntry> entries;
    if (memory_->list(folder, entries)) return false;
    const bool fresh = folder == std::string(kFresh) + "/";
    for (const FolderEntry& e : entries) {
        const std::string path = folder + e.name;
        EntryInfo info;
        if (memory_->info(path, info)) return false;
        if (info.type == EntryType::Folder) {
            if (std::find(kept_.begin(), kept_.end(), path) != kept_.end()) {
                if (!sweep(path + "/")) return false;
            } else if (!fresh) {
                memory_->removeTree(path);
            }
        } else if (!fresh && memory_->remove(path)) {
            return false;
        }
    }
    return memory_->flushFolder(folder) == 0;
}

void Scratch::rebuild() {
    // The kept files are held through the clear and written again from their own bytes.
    std::vector<std::pair<std::string, std::shared_ptr<const std::string>>> fresh;
    for (const std::string& name : names(std::string(kFresh) + "/"))
        fresh.emplace_back(name, memory_->shareFile(std::string(kFresh) + "/" + name));
    memory_->clear();
    for (const std::string& f : kept_)
        memory_->makeFolders(f);
    for (const auto& [name, bytes] : fresh)
        if (bytes) writeThrough(*memory_, std::string(kFresh) + "/" + name, *bytes);
}

void Scratch::takeBackOverlays() {
    for (const Overlay& o : overlays_)
        memory_->overwrite(o.kept, o.offset, std::string_view(*o.base).substr(o.offset, o.size));
    overlays_.clear();
}

void Scratch::writeOver(const std::string& key, const std::string& base, const std::string& path,
                        std::size_t offset, std::string_view over) {
    FUZZ_CHECK(offset + over.size() <= base.size());
    if (!memory_) {
        std::string bytes = base;
        bytes.replace(offset, over.size(), over);
        writeFile(path, bytes);
        return;
    }
    const std::string kept = std::string(kFresh) + "/~" + key;
    if (!memory_->exists(kept)) writeThrough(*memory_, kept, base);
    if (!over.empty()) {
        overlays_.push_back({kept, &base, offset, over.size()});
        memory_->overwrite(kept, offset, over);
    }
    const int removed = memory_->remove(path);
    if ((removed && removed != ENOENT) || memory_->link(kept, path))
        fail("writeOver", __FILE__, __LINE__, path);
}

void Scratch::clear() {
    // Files the snapshots held are let go with the rest of the run: a run that frees less than
    // it allocated has libFuzzer run it again to look for leaks.
    for (Snapshot* s : taken_)
        for (Snapshot::Entry& e : s->entries)
            e.shared.reset();
    if (memory_) {
        takeBackOverlays();
        // The fresh database files stay to be linked in again. A run that moved a kept folder
        // away has the file system made anew, at the cost of copying them.
        bool swept = sweep("/");
        for (const std::string& f : kept_) {
            EntryInfo info;
            swept = swept && memory_->info(f, info) == 0 && info.type == EntryType::Folder;
        }
        if (!swept) rebuild();
        return;
    }
    // MSG and TEMP stay, emptied: made again for every run, they cost four calls more.
    bool seen[2] = {false, false};
    const char* const keptNames[2] = {"MSG", "TEMP"};
    emptyDisk(disk_.string(), [&](int root, std::string_view n) {
        for (int k = 0; k < 2; ++k) {
            struct stat st {};
            if (n != keptNames[k] || ::fstatat(root, keptNames[k], &st, AT_SYMLINK_NOFOLLOW) != 0 ||
                !S_ISDIR(st.st_mode))
                continue;
            seen[k] = true;
            emptyDisk((disk_ / keptNames[k]).string(), [](int, std::string_view) { return false; });
            return true;
        }
        return false;
    });
    for (int k = 0; k < 2; ++k)
        if (!seen[k]) ::mkdir((disk_ / keptNames[k]).c_str(), 0755);
}

void Scratch::writeFile(const std::string& path, std::string_view bytes) {
    if (memory_) {
        writeThrough(*memory_, path, bytes);
        return;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    std::size_t put = 0;
    while (fd >= 0 && put < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + put, bytes.size() - put);
        if (n <= 0) break;
        put += static_cast<std::size_t>(n);
    }
    if (fd < 0 || ::close(fd) != 0 || put != bytes.size())
        fail("writeFile", __FILE__, __LINE__, path);
}

std::string Scratch::readFile(const std::string& path) const {
    return read(path);
}

const std::string& Scratch::read(const std::string& path) const {
    if (memory_)
        readInto(*memory_, path, read_);
    else
        readDiskFile(path, read_);
    return read_;
}

bool Scratch::holds(const std::string& path, std::string_view bytes) const {
    const auto shared = share(path);
    return shared && *shared == bytes;
}

std::shared_ptr<const std::string> Scratch::share(const std::string& path) const {
    if (memory_) {
        const auto shared = memory_->shareFile(path);
        return shared ? shared : std::shared_ptr<const std::string>(std::shared_ptr<void>{}, &none_);
    }
    // Read into the buffer kept for it, held by nothing: valid until the next share.
    readDiskFile(path, shared_);
    return std::shared_ptr<const std::string>(std::shared_ptr<void>{}, &shared_);
}

bool Scratch::exists(const std::string& path) const {
    if (memory_) return memory_->exists(path);
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

void Scratch::makeFolder(const std::string& path) {
    if (memory_) {
        memory_->makeFolders(path);
        return;
    }
    std::error_code ec;
    fs::create_directories(path, ec);
}

std::vector<std::string> Scratch::names(const std::string& folder) const {
    std::vector<std::string> all;
    if (memory_) {
        std::vector<FolderEntry> entries;
        memory_->list(folder, entries);
        for (FolderEntry& e : entries)
            all.push_back(std::move(e.name));
    } else {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(folder, ec))
            all.push_back(e.path().filename().string());
    }
    return all;
}

void Scratch::snapshot(Snapshot& into) const {
    if (std::find(taken_.begin(), taken_.end(), &into) == taken_.end()) taken_.push_back(&into);
    into.size = 0;
    if (memory_) {
        // A file still being written could change under the same name.
        FUZZ_CHECK(memory_->openHandles() == 0, std::to_string(memory_->openHandles()));
        into.changes = memory_->changes();
        walk(*memory_, folder_, "", into);
    } else {
        diskSnapshot(disk_, into);
    }
}

bool Scratch::unchangedSince(const Snapshot& before) const {
    if (memory_) {
        // Nothing changed anywhere: a megabyte need not be looked at to find that out.
        if (memory_->changes() == before.changes) return true;
        snapshot(now_);
        return now_ == before;
    }
    // On disk no file may have been written at all: one saved again with the same bytes is
    // a new file, and counts as a change.
    now_.size = 0;
    diskSnapshot(disk_, now_);
    return now_ == before;
}

bool Snapshot::Entry::operator==(const Entry& o) const {
    if (name != o.name || identity != o.identity) return false;
    if (shared == o.shared) return true; // the same file in memory, or none
    return shared && o.shared && *shared == *o.shared;
}

bool Snapshot::operator==(const Snapshot& o) const {
    return size == o.size && std::equal(entries.begin(),
                                        entries.begin() + static_cast<std::ptrdiff_t>(size),
                                        o.entries.begin());
}

std::uint32_t hashOf(const std::uint8_t* data, std::size_t size) {
    std::uint32_t h = 2166136261u;
    for (std::size_t i = 0; i < size; ++i)
        h = (h ^ data[i]) * 16777619u;
    return h;
}

test::FakeServices servicesOver(const Scratch& scratch) {
    return test::FakeServices{.files = scratch.files()};
}

void forget(test::FakeServices& s) {
    s.reporter->messages.clear();
    s.sleeper->sleeps.clear();
    // Every run draws the same numbers, so that an input found failing fails again alone.
    s.chance->queue.clear();
    s.chance->next = 0;
}

EndOfRun::EndOfRun(Scratch& scratch, std::initializer_list<test::FakeServices*> services)
    : scratch_(scratch), services_(services) {}

EndOfRun::~EndOfRun() {
    // Every call that opens a file closes it again, whatever it met.
    if (scratch_.inMemory())
        FUZZ_CHECK(scratch_.openHandles() == 0, std::to_string(scratch_.openHandles()));
    scratch_.clear();
    for (test::FakeServices* s : services_)
        forget(*s);
}

namespace {

const std::vector<std::pair<std::string, std::string>>& freshFiles() {
    static const std::vector<std::pair<std::string, std::string>> files = [] {
        test::MemoryFileSystem fresh;
        auto shared = std::shared_ptr<FileSystem>(std::shared_ptr<void>{}, &fresh);
        test::writeFreshDatabase("/fresh/", shared);
        std::vector<std::pair<std::string, std::string>> all;
        for (const char* name : {"CONFIG.DB", "USER.DB", "NOTICE.DB"})
            all.emplace_back(name, fresh.readFile(std::string("/fresh/") + name).value());
        return all;
    }();
    return files;
}

} // namespace

const std::string& freshDatabaseFile(std::string_view name) {
    for (const auto& [n, bytes] : freshFiles())
        if (n == name) return bytes;
    fail("freshDatabaseFile", __FILE__, __LINE__, std::string(name));
}

void writeFreshDatabase(Scratch& folder, const char* except) {
    for (const auto& [name, bytes] : freshFiles())
        if (!except || name != except) folder.writeFresh(name, bytes);
}

void Scratch::writeFresh(const std::string& name, const std::string& bytes) {
    // A second name of a file kept from run to run: a notice table is not copied for each run.
    // No call can change a file once written (only replace it), so the kept one stays fresh;
    // on disk one that was written all the same is written again.
    if (!memory_) {
        const std::string kept = (diskBase_ / "fresh" / name).string();
        auto it = std::find_if(freshOnDisk_.begin(), freshOnDisk_.end(),
                               [&](const auto& f) { return f.first == name; });
        if (it == freshOnDisk_.end()) it = freshOnDisk_.insert(it, {name, {}});
        struct stat st {};
        if (::lstat(kept.c_str(), &st) != 0 || diskIdentity(st) != it->second) {
            ::unlink(kept.c_str());
            writeFile(kept, bytes);
            if (::lstat(kept.c_str(), &st) != 0) fail("writeFresh", __FILE__, __LINE__, kept);
            it->second = diskIdentity(st);
        }
        const std::string path = *this / name;
        if ((::unlink(path.c_str()) != 0 && errno != ENOENT) || ::link(kept.c_str(), path.c_str()))
            fail("writeFresh", __FILE__, __LINE__, path);
        return;
    }
    const std::string kept = std::string(kFresh) + "/" + name;
    if (!memory_->exists(kept)) writeThrough(*memory_, kept, bytes);
    const std::string path = *this / name;
    const int removed = memory_->remove(path);
    if ((removed && removed != ENOENT) || memory_->link(kept, path))
        fail("writeFresh", __FILE__, __LINE__, path);
}

void shapeInput(ShapedFile& f, const std::uint8_t* data, std::size_t size,
                std::initializer_list<Length> lengths) {
    f.shape = Shape::Raw;
    f.bytes.clear();
    if (size == 0) return;
    const std::uint8_t first = data[0];
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const unsigned choice = first & 0x0F;
    if (choice == kMissingByte) {
        f.shape = Shape::Missing;
        return;
    }
    if (choice == kFolderByte) {
        f.shape = Shape::Folder;
        return;
    }
    if (choice == 0 || choice > lengths.size()) {
        f.bytes = rest;
        return;
    }
    const Length l = lengths.begin()[choice - 1];
    const long delta = static_cast<long>((first >> 4) % 3) - 1;
    const std::size_t want = static_cast<std::size_t>(static_cast<long>(l.bytes) + delta);
    f.shape = Shape::Sized;
    f.bytes.reserve(want);
    f.bytes.assign(rest.substr(0, std::min(want, l.headerBytes)));
    const std::string_view tile = rest.size() > l.headerBytes ? rest.substr(l.headerBytes) : "";
    if (tile.empty()) {
        f.bytes.resize(want, '\0');
        return;
    }
    // Doubling what is there already fills a megabyte in twenty copies rather than thousands.
    f.bytes.append(tile.substr(0, want - f.bytes.size()));
    const std::size_t start = std::min(want, l.headerBytes);
    while (f.bytes.size() < want) {
        const std::size_t have = f.bytes.size() - start;
        f.bytes.append(f.bytes, start, std::min(have, want - f.bytes.size()));
    }
}

ShapedFile shapeInput(const std::uint8_t* data, std::size_t size,
                      std::initializer_list<Length> lengths) {
    ShapedFile f;
    shapeInput(f, data, size, lengths);
    return f;
}

void placeShaped(Scratch& scratch, const ShapedFile& f, const std::string& path) {
    if (f.shape == Shape::Missing) return;
    if (f.shape == Shape::Folder) {
        scratch.makeFolder(path);
        return;
    }
    scratch.writeFile(path, f.bytes);
}

} // namespace pinora::fuzz
