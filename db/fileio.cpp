#include "fileio.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <ctime>
#include <unistd.h>

namespace pinora {

FileSystemCalls fileSystemCalls = {
    [](int fd, const void* data, std::size_t size) -> long { return ::write(fd, data, size); },
    [](int fd) { return ::fdatasync(fd); },
    [](const char* from, const char* to) { return ::rename(from, to); },
    [](int fd, void* buf, std::size_t size) -> long { return ::read(fd, buf, size); },
};

const char* const kLinkRefused = "It is a link, and links in the database folder are never followed";

namespace {

// ---- paths below the database folder ------------------------------------------------------
// Everyone who uses the program can write the database folder, so anything in it may be a
// link planted to make another user's station read, write or empty a file elsewhere. A name
// is appended to the folder after a separator of its own ("folder//MSG/1.MSG"): below that
// point no link is followed, neither the file's own name nor a folder on the way. Paths
// without that point (files the user picked) are opened as the system finds them.

// The folder that holds a file, open, and the file's name in it.
struct Parent {
    int fd = -1;
    std::string leaf;
    Parent() = default;
    Parent(const Parent&) = delete;
    Parent& operator=(const Parent&) = delete;
    ~Parent() {
        if (fd >= 0) ::close(fd);
    }
    // A path through the open folder, for calls that take names: the folder cannot be
    // swapped for a link between the walk and the call.
    std::string at(const std::string& name) const {
        return "/proc/self/fd/" + std::to_string(fd) + "/" + name;
    }
};

// Opens the folder that holds path, refusing links below the database folder; false with
// errno set (ELOOP for a link).
bool openParent(const std::string& path, Parent& p) {
    const std::size_t mark = path.rfind("//");
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        p.fd = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        p.leaf = path;
        return p.fd >= 0;
    }
    p.leaf = path.substr(slash + 1);
    if (mark == std::string::npos || mark + 1 == slash) {
        // Nothing below the mark but the file itself, or no mark at all.
        const std::string folder = path.substr(0, slash + 1);
        p.fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        return p.fd >= 0;
    }
    p.fd = ::open(path.substr(0, mark + 1).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (p.fd < 0) return false;
    std::size_t at = mark + 2;
    while (at < slash) {
        const std::size_t end = path.find('/', at);
        const std::string part = path.substr(at, end - at);
        at = end + 1;
        if (part.empty()) continue;
        const int next = ::openat(p.fd, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) {
            int err = errno;
            struct stat st {};
            if (err == ENOTDIR && ::fstatat(p.fd, part.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(st.st_mode))
                err = ELOOP;
            ::close(p.fd);
            p.fd = -1;
            errno = err;
            return false;
        }
        ::close(p.fd);
        p.fd = next;
    }
    return true;
}

bool belowMark(const std::string& path) {
    return path.find("//") != std::string::npos;
}

// open(2) for path under the rules above.
int openFile(const std::string& path, int flags, mode_t mode = 0) {
    if (!belowMark(path)) return ::open(path.c_str(), flags, mode);
    Parent p;
    if (!openParent(path, p)) return -1;
    return ::openat(p.fd, p.leaf.c_str(), flags | O_NOFOLLOW, mode);
}

// 64 random bits as hex, so that nobody can plant a link under a temporary name in advance.
std::string randomHex() {
    std::uint64_t r = 0;
    if (::getrandom(&r, sizeof r, 0) != static_cast<ssize_t>(sizeof r)) {
        // Never expected on Linux; the address and time still vary between calls.
        struct timespec ts {};
        ::clock_gettime(CLOCK_REALTIME, &ts);
        r = static_cast<std::uint64_t>(ts.tv_nsec) * 0x9E3779B97F4A7C15ull ^
            reinterpret_cast<std::uintptr_t>(&r) ^ static_cast<std::uint64_t>(ts.tv_sec);
    }
    static const char digits[] = "0123456789abcdef";
    std::string out(16, '0');
    for (int i = 15; i >= 0; --i, r >>= 4)
        out[static_cast<std::size_t>(i)] = digits[r & 15];
    return out;
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const long n = fileSystemCalls.write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void setError(std::string* error, int err) {
    if (error) *error = err == ELOOP ? kLinkRefused : systemErrorText(err);
}

// Writes content to a fresh temporary file beside the file p names, created exclusively
// under an unguessable name. Returns that name in p's folder, or empty.
std::string writeTemp(const Parent& p, std::initializer_list<ByteSpan> parts,
                      const std::string& tmpTag, bool flush, std::string* error) {
    std::string tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        tmp = p.leaf + "." + tmpTag + "-" + randomHex() + ".tmp";
        fd = ::openat(p.fd, tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      0644);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        setError(error, errno);
        return {};
    }
    bool ok = true;
    for (const ByteSpan& part : parts)
        if (ok) ok = writeAll(fd, static_cast<const char*>(part.data), part.size);
    if (ok && flush) ok = fileSystemCalls.flush(fd) == 0;
    const int err = errno;
    if (::close(fd) != 0 && ok) ok = false;
    if (!ok) {
        setError(error, err);
        ::unlinkat(p.fd, tmp.c_str(), 0);
        return {};
    }
    return tmp;
}

// Opens path for reading without blocking and only when it is a regular file; -1 with st set
// otherwise. A folder missing on the way (ENOTDIR) counts as Missing when asked. size, when
// given, receives the file's size as opened.
int openToRead(const std::string& path, ReadStatus& st, std::string* error,
               bool notDirIsMissing = false, std::size_t* size = nullptr) {
    const int fd = openFile(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const bool missing = errno == ENOENT || (notDirIsMissing && errno == ENOTDIR);
        st = missing ? ReadStatus::Missing : ReadStatus::Error;
        if (st == ReadStatus::Error) setError(error, errno);
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        st = ReadStatus::Error;
        setError(error, errno);
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        st = ReadStatus::NotAFile;
        if (error) *error = S_ISDIR(info.st_mode) ? systemErrorText(EISDIR) : "Not a regular file";
        ::close(fd);
        return -1;
    }
    st = ReadStatus::Ok;
    if (size) *size = info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
    return fd;
}

} // namespace

std::string systemErrorText(int err) {
    return std::strerror(err);
}

namespace {
// stat(2) under the rules above: below the database folder a link is seen as a link.
bool statFile(const std::string& path, struct stat& st) {
    if (!belowMark(path)) return ::stat(path.c_str(), &st) == 0;
    Parent p;
    return openParent(path, p) && ::fstatat(p.fd, p.leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}
} // namespace

bool fileExists(const std::string& path) {
    struct stat st {};
    return statFile(path, st) && S_ISREG(st.st_mode);
}

bool isLink(const std::string& path) {
    struct stat st {};
    if (belowMark(path)) {
        Parent p;
        if (!openParent(path, p)) return errno == ELOOP;
        return ::fstatat(p.fd, p.leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
               S_ISLNK(st.st_mode);
    }
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool fileOrLink(const std::string& path) {
    return fileExists(path) || isLink(path);
}

int openFileToRead(const std::string& path, std::string* error) {
    ReadStatus st = ReadStatus::Ok;
    const int fd = openToRead(path, st, error);
    if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    else if (st == ReadStatus::Missing && error)
        *error = systemErrorText(ENOENT);
    return fd;
}

std::optional<std::uint64_t> fileSize(const std::string& path) {
    struct stat st {};
    if (!statFile(path, st)) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

bool folderExists(const std::string& path) {
    struct stat st {};
    return statFile(path, st) && S_ISDIR(st.st_mode);
}

std::optional<std::vector<FolderEntry>> listFolder(const std::string& path, std::string* error) {
    // The folder itself is walked to like a file, so a linked MSG or TEMP is refused.
    const std::string inside = path.empty() || path.back() == '/' ? path + "." : path + "/.";
    Parent p;
    if (!openParent(inside, p)) {
        setError(error, errno);
        return std::nullopt;
    }
    const int fd = ::dup(p.fd);
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!dir) {
        setError(error, errno);
        if (fd >= 0) ::close(fd);
        return std::nullopt;
    }
    std::vector<FolderEntry> entries;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        FolderEntry f;
        f.name = name;
        f.regular = S_ISREG(st.st_mode);
        f.link = S_ISLNK(st.st_mode);
        f.modified = st.st_mtim.tv_sec;
        entries.push_back(std::move(f));
    }
    ::closedir(dir);
    return entries;
}

ReadStatus readFileParts(const std::string& path, std::initializer_list<MutableSpan> parts,
                         std::size_t* got, std::string* error) {
    for (std::size_t k = 0; k < parts.size(); ++k)
        got[k] = 0;
    ReadStatus st = ReadStatus::Ok;
    const int fd = openToRead(path, st, error);
    if (fd < 0) return st;
    std::size_t k = 0;
    for (const MutableSpan& part : parts) {
        char* buf = static_cast<char*>(part.data);
        std::size_t& have = got[k++];
        have = 0;
        while (have < part.size) {
            const long n = fileSystemCalls.read(fd, buf + have, part.size - have);
            if (n < 0) {
                if (errno == EINTR) continue;
                setError(error, errno);
                ::close(fd);
                return ReadStatus::Error;
            }
            if (n == 0) {
                ::close(fd);
                return ReadStatus::Ok; // end of file: later parts stay at zero
            }
            have += static_cast<std::size_t>(n);
        }
    }
    ::close(fd);
    return ReadStatus::Ok;
}

ReadStatus readFileInto(const std::string& path, char* buf, std::size_t capacity, std::size_t& got,
                        std::string* error) {
    got = 0;
    ReadStatus st = ReadStatus::Ok;
    const int fd = openToRead(path, st, error);
    if (fd < 0) return st;
    while (got < capacity) {
        const long n = fileSystemCalls.read(fd, buf + got, capacity - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            setError(error, errno);
            ::close(fd);
            return ReadStatus::Error;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return ReadStatus::Ok;
}

namespace {
enum class Longer { Cut, Refuse };

ReadStatus readWhole(const std::string& path, std::string& out, std::size_t maxBytes,
                     std::string* error, Longer longer, bool regularOnly) {
    // Sized from the open file, so a generous cap costs nothing for small files.
    out.clear();
    ReadStatus opened = ReadStatus::Ok;
    std::size_t size = 0;
    const int fd = openToRead(path, opened, error, regularOnly, &size);
    if (fd < 0) {
        if (regularOnly && opened == ReadStatus::NotAFile) {
            if (error) error->clear();
            return ReadStatus::Missing;
        }
        return opened;
    }
    const std::size_t chunk = size > 0 ? size + 1 : 4096;
    // One byte beyond the limit tells a file that is too long.
    const std::size_t cap = longer == Longer::Refuse ? maxBytes + 1 : maxBytes;
    std::size_t got = 0;
    while (got < cap) {
        if (out.size() - got == 0) out.resize(std::min(cap, got + chunk));
        const long n = fileSystemCalls.read(fd, out.data() + got, out.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            setError(error, errno);
            ::close(fd);
            out.clear();
            return ReadStatus::Error;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (got > maxBytes) {
        out.clear();
        if (error) *error = "The file is larger than " + std::to_string(maxBytes) + " bytes";
        return ReadStatus::TooLarge;
    }
    out.resize(got);
    return ReadStatus::Ok;
}
} // namespace

ReadStatus readWholeFile(const std::string& path, std::string& out, std::size_t maxBytes,
                         std::string* error) {
    return readWhole(path, out, maxBytes, error, Longer::Cut, false);
}

ReadStatus readRegularFile(const std::string& path, std::string& out, std::size_t maxBytes,
                           std::string* error) {
    return readWhole(path, out, maxBytes, error, Longer::Refuse, true);
}

bool writeFileAtomic(const std::string& path, const void* data, std::size_t size,
                     const std::string& tmpTag, std::string* error) {
    return writeFileAtomic(path, {ByteSpan{data, size}}, tmpTag, true, error);
}

bool writeFileAtomic(const std::string& path, std::initializer_list<ByteSpan> parts,
                     const std::string& tmpTag, bool flush, std::string* error) {
    Parent p;
    if (!openParent(path, p)) {
        setError(error, errno);
        return false;
    }
    const std::string tmp = writeTemp(p, parts, tmpTag, flush, error);
    if (tmp.empty()) return false;
    // The rename replaces a link of that name rather than writing through it.
    if (fileSystemCalls.rename(p.at(tmp).c_str(), p.at(p.leaf).c_str()) != 0) {
        setError(error, errno);
        ::unlinkat(p.fd, tmp.c_str(), 0);
        return false;
    }
    return true;
}

bool createFileExclusive(const std::string& path, const std::string& content,
                         const std::string& tmpTag, bool& exists, std::string* error) {
    exists = false;
    Parent p;
    if (!openParent(path, p)) {
        setError(error, errno);
        return false;
    }
    // A lock file need not survive a power cut, so it is not flushed.
    const std::string tmp =
        writeTemp(p, {ByteSpan{content.data(), content.size()}}, tmpTag, false, error);
    if (tmp.empty()) return false;
    // link() fails when the name is taken (a planted link included), and the new name shows
    // the whole content at once.
    if (::linkat(p.fd, tmp.c_str(), p.fd, p.leaf.c_str(), 0) == 0) {
        ::unlinkat(p.fd, tmp.c_str(), 0);
        return true;
    }
    const int err = errno;
    ::unlinkat(p.fd, tmp.c_str(), 0);
    if (err == EEXIST) {
        exists = true;
        return false;
    }
    if (err != EPERM && err != ENOTSUP && err != EOPNOTSUPP && err != ENOSYS) {
        setError(error, err);
        return false;
    }
    // Folders without hard links: an exclusive create, then the content.
    const int fd =
        ::openat(p.fd, p.leaf.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno == EEXIST) exists = true;
        setError(error, errno);
        return false;
    }
    const bool ok = writeAll(fd, content.data(), content.size());
    const int werr = errno;
    ::close(fd);
    if (!ok) {
        setError(error, werr);
        ::unlinkat(p.fd, p.leaf.c_str(), 0);
    }
    return ok;
}

bool removeFile(const std::string& path) {
    Parent p;
    return openParent(path, p) && ::unlinkat(p.fd, p.leaf.c_str(), 0) == 0;
}

bool renameFile(const std::string& from, const std::string& to, bool* missing) {
    Parent a, b;
    const bool ok = openParent(from, a) && openParent(to, b) &&
                    ::renameat(a.fd, a.leaf.c_str(), b.fd, b.leaf.c_str()) == 0;
    if (missing) *missing = !ok && errno == ENOENT;
    return ok;
}

bool linkFileExclusive(const std::string& from, const std::string& to, bool& exists) {
    Parent a, b;
    const bool ok = openParent(from, a) && openParent(to, b) &&
                    ::linkat(a.fd, a.leaf.c_str(), b.fd, b.leaf.c_str(), 0) == 0;
    exists = !ok && errno == EEXIST;
    return ok;
}

} // namespace pinora
