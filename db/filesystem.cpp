#include "filesystem.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pinora {

namespace {

// ---- paths below the database folder ------------------------------------------------------
// Everyone who uses the program can write the database folder, so anything in it may be a
// link planted to make another user's station read, write or empty a file elsewhere. Below
// the folder's own separator no link is followed, neither the file's own name nor a folder
// on the way. Paths without that point (files the user picked) are opened as the system
// finds them.

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
};

// Opens the folder that holds path, refusing links below the database folder; an errno value
// (ELOOP for a link) on failure. A folder that nothing below the mark leads through is not
// opened: the name is used whole from AT_FDCWD (the no-follow flags concern its last part
// only), which spares a share one round trip for every call.
int openParent(const std::string& path, Parent& p) {
    const std::size_t mark = path.rfind("//");
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || mark == std::string::npos || mark + 1 == slash) {
        p.fd = AT_FDCWD;
        p.leaf = path;
        return 0;
    }
    p.leaf = path.substr(slash + 1);
    std::size_t at = mark + 2;
    bool first = true;
    while (at < slash) {
        const std::size_t end = path.find('/', at);
        const std::string part = first ? path.substr(0, end) : path.substr(at, end - at);
        at = end + 1;
        if (!first && part.empty()) continue;
        const int from = first ? AT_FDCWD : p.fd;
        first = false;
        const int next =
            ::openat(from, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) {
            int err = errno;
            struct stat st {};
            if (err == ENOTDIR && ::fstatat(from, part.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(st.st_mode))
                err = ELOOP;
            return err;
        }
        if (p.fd >= 0) ::close(p.fd);
        p.fd = next;
    }
    return 0;
}

bool belowMark(const std::string& path) {
    return path.find("//") != std::string::npos;
}

// open(2) for path under the rules above; -1 with errno set.
int openFile(const std::string& path, int flags, mode_t mode = 0) {
    if (!belowMark(path)) return ::open(path.c_str(), flags, mode);
    Parent p;
    if (const int err = openParent(path, p)) {
        errno = err;
        return -1;
    }
    return ::openat(p.fd, p.leaf.c_str(), flags | O_NOFOLLOW, mode);
}

EntryInfo infoOf(const struct stat& st) {
    EntryInfo info;
    info.type = S_ISREG(st.st_mode)   ? EntryType::Regular
                : S_ISDIR(st.st_mode) ? EntryType::Folder
                : S_ISLNK(st.st_mode) ? EntryType::Link
                                      : EntryType::Other;
    info.size = st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    info.modified = st.st_mtim.tv_sec;
    info.device = static_cast<std::uint64_t>(st.st_dev);
    info.inode = static_cast<std::uint64_t>(st.st_ino);
    return info;
}

// Two names through their folders, each walked under the rules above.
template <typename Call>
int atBoth(const std::string& from, const std::string& to, Call call) {
    Parent a, b;
    if (const int err = openParent(from, a)) return err;
    if (const int err = openParent(to, b)) return err;
    return call(a.fd, a.leaf.c_str(), b.fd, b.leaf.c_str()) == 0 ? 0 : errno;
}

class SystemFileSystem final : public FileSystem {
  public:
    int info(const std::string& path, EntryInfo& out) override {
        struct stat st {};
        if (!belowMark(path)) {
            if (::lstat(path.c_str(), &st) != 0) return errno;
        } else {
            Parent p;
            if (const int err = openParent(path, p)) return err;
            if (::fstatat(p.fd, p.leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
        }
        out = infoOf(st);
        return 0;
    }

    int openRead(const std::string& path, int& handle, EntryInfo& info) override {
        const int fd = openFile(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return errno;
        struct stat st {};
        if (::fstat(fd, &st) != 0) {
            const int err = errno;
            ::close(fd);
            return err;
        }
        info = infoOf(st);
        handle = fd;
        return 0;
    }

    long read(int handle, void* buf, std::size_t size) override {
        const long n = ::read(handle, buf, size);
        return n < 0 ? -errno : n;
    }

    int createExclusive(const std::string& path, int& handle) override {
        const int fd = openFile(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0) return errno;
        handle = fd;
        return 0;
    }

    long write(int handle, const void* data, std::size_t size) override {
        const long n = ::write(handle, data, size);
        return n < 0 ? -errno : n;
    }

    int flush(int handle) override { return ::fdatasync(handle) == 0 ? 0 : errno; }

    int close(int handle) override { return ::close(handle) == 0 ? 0 : errno; }

    int rename(const std::string& from, const std::string& to) override {
        // A link under the new name is replaced, never written through.
        return atBoth(from, to, ::renameat);
    }

    int link(const std::string& from, const std::string& to) override {
        return atBoth(from, to, [](int a, const char* x, int b, const char* y) {
            return ::linkat(a, x, b, y, 0);
        });
    }

    int remove(const std::string& path) override {
        Parent p;
        if (const int err = openParent(path, p)) return err;
        return ::unlinkat(p.fd, p.leaf.c_str(), 0) == 0 ? 0 : errno;
    }

    int makeFolder(const std::string& path) override {
        Parent p;
        if (const int err = openParent(path, p)) return err;
        return ::mkdirat(p.fd, p.leaf.c_str(), 0777) == 0 ? 0 : errno;
    }

    int list(const std::string& path, std::vector<FolderEntry>& out) override {
        int fd = -1;
        if (const int err = openFolder(path, fd)) return err;
        DIR* dir = ::fdopendir(fd);
        if (!dir) {
            const int err = errno;
            ::close(fd);
            return err;
        }
        out.clear();
        while (const dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            struct stat st {};
            if (::fstatat(::dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
            const EntryInfo info = infoOf(st);
            out.push_back(FolderEntry{name, info.type == EntryType::Regular,
                                      info.type == EntryType::Link, info.modified});
        }
        ::closedir(dir);
        return 0;
    }

    int flushFolder(const std::string& path) override {
        int fd = -1;
        if (const int err = openFolder(path, fd)) return err;
        const int err = ::fsync(fd) == 0 ? 0 : errno;
        ::close(fd);
        return err;
    }

  private:
    // The folder itself is walked to like a file, so a linked MSG or TEMP is refused.
    static int openFolder(const std::string& path, int& fd) {
        const std::string inside = path.empty() || path.back() == '/' ? path + "." : path + "/.";
        Parent p;
        if (const int err = openParent(inside, p)) return err;
        if (p.fd == AT_FDCWD) {
            fd = ::open(inside.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            return fd >= 0 ? 0 : errno;
        }
        fd = p.fd;
        p.fd = -1;
        return 0;
    }
};

} // namespace

std::shared_ptr<FileSystem> systemFileSystem() {
    static const std::shared_ptr<FileSystem> fs = std::make_shared<SystemFileSystem>();
    return fs;
}

} // namespace pinora
