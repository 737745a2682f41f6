#include "fileio.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/random.h>

namespace pinora {

const char* const kLinkRefused = "It is a link, and links in the database folder are never followed";

namespace {

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

void setError(std::string* error, int err) {
    if (error) *error = err == ELOOP ? kLinkRefused : systemErrorText(err);
}

// 0, or the errno value of the write that failed.
int writeAll(FileSystem& fs, int handle, const char* data, std::size_t size) {
    while (size > 0) {
        const long n = fs.write(handle, data, size);
        if (n < 0) {
            if (n == -EINTR) continue;
            return static_cast<int>(-n);
        }
        if (n == 0) return EIO; // a write that makes no progress would loop for ever
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

// Reads up to size bytes; 0 or an errno value. got tells how many came; fewer than size means
// the end of the file.
int readAll(FileSystem& fs, int handle, char* buf, std::size_t size, std::size_t& got) {
    got = 0;
    while (got < size) {
        const long n = fs.read(handle, buf + got, size - got);
        if (n < 0) {
            if (n == -EINTR) continue;
            return static_cast<int>(-n);
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return 0;
}

// The folder that holds path, without its final separator (a database folder's path keeps
// the separator before the mark).
std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// A folder that cannot be flushed on this file system (some network shares) is forgiven:
// there is nothing more the program can do for it.
bool folderFlushed(int err) {
    return err == 0 || err == EINVAL || err == ENOTSUP || err == EOPNOTSUPP || err == ENOSYS ||
           err == EBADF || err == EROFS;
}

// Writes content to a fresh temporary file beside path, created exclusively under an
// unguessable name. Returns its path, or empty.
std::string writeTemp(FileSystem& fs, const std::string& path,
                      std::initializer_list<ByteSpan> parts, const std::string& tmpTag, bool flush,
                      std::string* error, int* code = nullptr) {
    std::string tmp;
    int handle = -1;
    int err = EEXIST;
    for (int attempt = 0; attempt < 8 && err == EEXIST; ++attempt) {
        tmp = path + "." + tmpTag + "-" + randomHex() + ".tmp";
        err = fs.createExclusive(tmp, handle);
    }
    if (err) {
        setError(error, err);
        if (code) *code = err;
        return {};
    }
    for (const ByteSpan& part : parts)
        if (!err) err = writeAll(fs, handle, static_cast<const char*>(part.data), part.size);
    if (!err && flush) err = fs.flush(handle);
    const int closed = fs.close(handle);
    if (!err) err = closed; // a network share may report a failed write only here
    if (err) {
        setError(error, err);
        if (code) *code = err;
        fs.remove(tmp);
        return {};
    }
    return tmp;
}

// Opens path for reading, only when it is a regular file; -1 with st set otherwise. A folder
// missing on the way (ENOTDIR) counts as Missing when asked. size, when given, receives the
// file's size as opened.
int openToRead(FileSystem& fs, const std::string& path, ReadStatus& st, std::string* error,
               bool notDirIsMissing = false, std::size_t* size = nullptr) {
    int handle = -1;
    EntryInfo info;
    if (const int err = fs.openRead(path, handle, info)) {
        const bool missing = err == ENOENT || (notDirIsMissing && err == ENOTDIR);
        st = missing ? ReadStatus::Missing : ReadStatus::Error;
        if (st == ReadStatus::Error) setError(error, err);
        return -1;
    }
    if (info.type != EntryType::Regular) {
        st = ReadStatus::NotAFile;
        if (error)
            *error = info.type == EntryType::Folder ? systemErrorText(EISDIR)
                                                    : "Not a regular file";
        fs.close(handle);
        return -1;
    }
    st = ReadStatus::Ok;
    if (size) *size = static_cast<std::size_t>(info.size);
    return handle;
}

} // namespace

std::string systemErrorText(int err) {
    return std::strerror(err);
}

bool fileExists(FileSystem& fs, const std::string& path) {
    EntryInfo info;
    return fs.info(path, info) == 0 && info.type == EntryType::Regular;
}

bool isLink(FileSystem& fs, const std::string& path) {
    EntryInfo info;
    const int err = fs.info(path, info);
    return err == ELOOP || (err == 0 && info.type == EntryType::Link);
}

bool fileOrLink(FileSystem& fs, const std::string& path) {
    EntryInfo info;
    const int err = fs.info(path, info);
    return err == ELOOP ||
           (err == 0 && (info.type == EntryType::Regular || info.type == EntryType::Link));
}

int openFileToRead(const std::string& path, std::string* error) {
    // The system file system's handles are its descriptors.
    FileSystem& fs = *systemFileSystem();
    ReadStatus st = ReadStatus::Ok;
    const int fd = openToRead(fs, path, st, error);
    if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    else if (st == ReadStatus::Missing && error)
        *error = systemErrorText(ENOENT);
    return fd;
}

std::optional<std::uint64_t> fileSize(FileSystem& fs, const std::string& path) {
    EntryInfo info;
    if (fs.info(path, info) != 0) return std::nullopt;
    return info.size;
}

bool folderExists(FileSystem& fs, const std::string& path) {
    EntryInfo info;
    return fs.info(path, info) == 0 && info.type == EntryType::Folder;
}

std::optional<std::vector<FolderEntry>> listFolder(FileSystem& fs, const std::string& path,
                                                   std::string* error) {
    std::vector<FolderEntry> entries;
    if (const int err = fs.list(path, entries)) {
        setError(error, err);
        return std::nullopt;
    }
    return entries;
}

bool makeFolder(FileSystem& fs, const std::string& path, std::string* error) {
    const int err = fs.makeFolder(path);
    if (err == 0 || (err == EEXIST && folderExists(fs, path))) return true;
    setError(error, err);
    return false;
}

ReadStatus readFileParts(FileSystem& fs, const std::string& path,
                         std::initializer_list<MutableSpan> parts, std::size_t* got,
                         std::string* error, std::uint64_t* size, std::optional<std::uint64_t> onlySize) {
    for (std::size_t k = 0; k < parts.size(); ++k)
        got[k] = 0;
    ReadStatus st = ReadStatus::Ok;
    std::size_t opened = 0;
    const int handle = openToRead(fs, path, st, error, false, &opened);
    if (handle < 0) return st;
    if (size) *size = opened;
    const bool firstOnly = onlySize && *onlySize != opened;
    std::size_t k = 0;
    for (const MutableSpan& part : parts) {
        if (firstOnly && k == 1) break;
        std::size_t& have = got[k++];
        if (const int err = readAll(fs, handle, static_cast<char*>(part.data), part.size, have)) {
            setError(error, err);
            fs.close(handle);
            return ReadStatus::Error;
        }
        if (have < part.size) break; // end of file: later parts stay at zero
    }
    fs.close(handle);
    return ReadStatus::Ok;
}

ReadStatus readFileInto(FileSystem& fs, const std::string& path, char* buf, std::size_t capacity,
                        std::size_t& got, std::string* error) {
    return readFileParts(fs, path, {MutableSpan{buf, capacity}}, &got, error);
}

namespace {
enum class Longer { Cut, Refuse };

ReadStatus readWhole(FileSystem& fs, const std::string& path, std::string& out,
                     std::size_t maxBytes, std::string* error, Longer longer, bool regularOnly) {
    // Sized from the open file, so a generous cap costs nothing for small files. What out
    // held is read over, not first filled with zeros: a retried read of a notice table would
    // otherwise clear a megabyte each time.
    ReadStatus opened = ReadStatus::Ok;
    std::size_t size = 0;
    const int handle = openToRead(fs, path, opened, error, regularOnly, &size);
    if (handle < 0) {
        out.clear();
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
        out.resize(std::min(cap, got + chunk));
        std::size_t part = 0;
        if (const int err = readAll(fs, handle, out.data() + got, out.size() - got, part)) {
            setError(error, err);
            fs.close(handle);
            out.clear();
            return ReadStatus::Error;
        }
        got += part;
        if (got < out.size()) break;
    }
    fs.close(handle);
    if (got > maxBytes) {
        out.clear();
        if (error) *error = "The file is larger than " + std::to_string(maxBytes) + " bytes";
        return ReadStatus::TooLarge;
    }
    out.resize(got);
    return ReadStatus::Ok;
}
} // namespace

ReadStatus readWholeFile(FileSystem& fs, const std::string& path, std::string& out,
                         std::size_t maxBytes, std::string* error) {
    return readWhole(fs, path, out, maxBytes, error, Longer::Cut, false);
}

ReadStatus readRegularFile(FileSystem& fs, const std::string& path, std::string& out,
                           std::size_t maxBytes, std::string* error) {
    return readWhole(fs, path, out, maxBytes, error, Longer::Refuse, true);
}

bool writeFileAtomic(FileSystem& fs, const std::string& path, const void* data, std::size_t size,
                     const std::string& tmpTag, std::string* error) {
    return writeFileAtomic(fs, path, {ByteSpan{data, size}}, tmpTag, true, error);
}

bool busyElsewhere(int code) {
    return code == EEXIST || code == EBUSY || code == ETXTBSY;
}

bool writeFileAtomic(FileSystem& fs, const std::string& path,
                     std::initializer_list<ByteSpan> parts, const std::string& tmpTag, bool flush,
                     std::string* error, int* code) {
    int failed = 0;
    const std::string tmp = writeTemp(fs, path, parts, tmpTag, flush, error, &failed);
    if (tmp.empty()) {
        if (code) *code = failed;
        return false;
    }
    // The rename replaces a link of that name rather than writing through it.
    int err = fs.rename(tmp, path);
    if (err) {
        fs.remove(tmp);
    } else if (flush) {
        // Until the folder is flushed, a power cut may bring the old file back.
        err = fs.flushFolder(folderOf(path));
        if (folderFlushed(err)) err = 0;
    }
    if (!err) return true;
    setError(error, err);
    if (code) *code = err;
    return false;
}

bool createFileExclusive(FileSystem& fs, const std::string& path, const std::string& content,
                         const std::string& tmpTag, bool& exists, std::string* error, bool flush) {
    exists = false;
    // Some shares refuse a name that is taken with EPERM or EACCES instead of EEXIST.
    const auto taken = [&](int err) {
        EntryInfo info;
        return err == EEXIST ||
               ((err == EPERM || err == EACCES) && fs.info(path, info) != ENOENT);
    };
    const std::string tmp =
        writeTemp(fs, path, {ByteSpan{content.data(), content.size()}}, tmpTag, flush, error);
    if (tmp.empty()) return false;
    // link() fails when the name is taken (a planted link included), and the new name shows
    // the whole content at once.
    int err = fs.link(tmp, path);
    fs.remove(tmp);
    if (err && taken(err)) {
        exists = true;
        return false;
    }
    if (err && err != EPERM && err != ENOTSUP && err != EOPNOTSUPP && err != ENOSYS) {
        setError(error, err);
        return false;
    }
    if (err) {
        // Folders without hard links: an exclusive create, then the content.
        int handle = -1;
        if (const int cerr = fs.createExclusive(path, handle)) {
            exists = taken(cerr);
            setError(error, cerr);
            return false;
        }
        err = writeAll(fs, handle, content.data(), content.size());
        if (!err && flush) err = fs.flush(handle);
        const int closed = fs.close(handle);
        if (!err) err = closed;
        if (err) {
            setError(error, err);
            fs.remove(path);
            return false;
        }
    }
    if (flush) {
        if (const int ferr = fs.flushFolder(folderOf(path)); !folderFlushed(ferr)) {
            setError(error, ferr);
            return false;
        }
    }
    return true;
}

bool removeFile(FileSystem& fs, const std::string& path) {
    return fs.remove(path) == 0;
}

bool renameFile(FileSystem& fs, const std::string& from, const std::string& to, bool* missing) {
    const int err = fs.rename(from, to);
    if (missing) *missing = err == ENOENT;
    return err == 0;
}

bool linkFileExclusive(FileSystem& fs, const std::string& from, const std::string& to,
                       bool& exists) {
    const int err = fs.link(from, to);
    exists = err == EEXIST;
    return err == 0;
}

} // namespace pinora
