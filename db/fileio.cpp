#include "fileio.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pinora {

FileSystemCalls fileSystemCalls = {
    [](int fd, const void* data, std::size_t size) -> long { return ::write(fd, data, size); },
    [](int fd) { return ::fdatasync(fd); },
    [](const char* from, const char* to) { return ::rename(from, to); },
    [](int fd, void* buf, std::size_t size) -> long { return ::read(fd, buf, size); },
};

namespace {
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
    if (error) *error = systemErrorText(err);
}

// Write content to a fresh temporary file beside path. Returns its name or empty.
std::string writeTemp(const std::string& path, std::initializer_list<ByteSpan> parts,
                      const std::string& tmpTag, bool flush, std::string* error) {
    const std::string tmp = path + "." + tmpTag + ".tmp";
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
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
        ::unlink(tmp.c_str());
        return {};
    }
    return tmp;
}

// Opens path for reading without blocking and only when it is a regular file; -1 with st set
// otherwise. A folder missing on the way (ENOTDIR) counts as Missing when asked. size, when
// given, receives the file's size as opened.
int openToRead(const std::string& path, ReadStatus& st, std::string* error,
               bool notDirIsMissing = false, std::size_t* size = nullptr) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::uint64_t> fileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

bool folderExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
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
    const std::string tmp = writeTemp(path, parts, tmpTag, flush, error);
    if (tmp.empty()) return false;
    if (fileSystemCalls.rename(tmp.c_str(), path.c_str()) != 0) {
        setError(error, errno);
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

bool createFileExclusive(const std::string& path, const std::string& content,
                         const std::string& tmpTag, bool& exists, std::string* error) {
    exists = false;
    // A lock file need not survive a power cut, so it is not flushed.
    const std::string tmp =
        writeTemp(path, {ByteSpan{content.data(), content.size()}}, tmpTag, false, error);
    if (tmp.empty()) return false;
    // link() fails when the name is taken, and the new name shows the whole content at once.
    if (::link(tmp.c_str(), path.c_str()) == 0) {
        ::unlink(tmp.c_str());
        return true;
    }
    const int err = errno;
    ::unlink(tmp.c_str());
    if (err == EEXIST) {
        exists = true;
        return false;
    }
    if (err != EPERM && err != ENOTSUP && err != EOPNOTSUPP && err != ENOSYS) {
        setError(error, err);
        return false;
    }
    // Folders without hard links: an exclusive create, then the content.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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
        ::unlink(path.c_str());
    }
    return ok;
}

bool removeFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool renameFile(const std::string& from, const std::string& to, bool* missing) {
    const bool ok = ::rename(from.c_str(), to.c_str()) == 0;
    if (missing) *missing = !ok && errno == ENOENT;
    return ok;
}

bool linkFileExclusive(const std::string& from, const std::string& to, bool& exists) {
    const bool ok = ::link(from.c_str(), to.c_str()) == 0;
    exists = !ok && errno == EEXIST;
    return ok;
}

} // namespace pinora
