#include "support/faultfs.h"

#include <cerrno>
#include <string_view>

namespace pinora::test {

namespace {

std::string_view leaf(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos || path.size() == 1 ? path : path.substr(slash + 1);
}

// Each fault's name and the error it returns, in the order of the enum.
struct FaultKind {
    const char* name;
    int code;
};
constexpr FaultKind kinds[] = {{"EIO", EIO},     {"ENOSPC", ENOSPC},   {"EACCES", EACCES},
                               {"EINTR", EINTR}, {"short write", EIO}, {"power cut", EIO}};

} // namespace

const char* FaultFileSystem::name(Fault f) {
    return kinds[static_cast<int>(f)].name;
}

void FaultFileSystem::failAt(long n, Fault f) {
    at_ = n;
    fault_ = f;
    sticky_ = false;
    fired_ = false;
}

void FaultFileSystem::failFrom(long n, Fault f) {
    failAt(n, f);
    sticky_ = true;
}

void FaultFileSystem::reset() {
    calls_ = 0;
    failAt(0, Fault::Eio);
    powerOff_ = false;
    shortDue_ = false;
    log.clear();
}

int FaultFileSystem::enter(const char* call, const std::string* path, const std::string* path2) {
    ++calls_;
    shortDue_ = false;
    if (recording || onCall) {
        std::string text = call;
        for (const std::string* p : {path, path2}) {
            if (!p) continue;
            text += ' ';
            text += leaf(*p);
        }
        if (onCall)
            if (const int err = onCall(text)) return err;
        if (recording) log.push_back(std::move(text));
    }
    if (powerOff_) return EIO;
    if (at_ <= 0 || calls_ < at_ || (calls_ > at_ && !sticky_)) return 0;
    switch (fault_) {
    case Fault::ShortWrite:
        shortDue_ = true; // only a write can be short
        return 0;
    case Fault::PowerCut:
        fired_ = true;
        powerOff_ = true;
        if (onPowerCut) onPowerCut();
        return EIO;
    default:
        fired_ = true;
        return kinds[static_cast<int>(fault_)].code;
    }
}

int FaultFileSystem::info(const std::string& path, EntryInfo& out) {
    if (const int e = enter("info", &path)) return e;
    return inner_.info(path, out);
}

int FaultFileSystem::openRead(const std::string& path, int& handle, EntryInfo& info) {
    if (const int e = enter("openRead", &path)) return e;
    return inner_.openRead(path, handle, info);
}

long FaultFileSystem::read(int handle, void* buf, std::size_t size) {
    if (const int e = enter("read")) return -e;
    return inner_.read(handle, buf, size);
}

int FaultFileSystem::createExclusive(const std::string& path, int& handle) {
    if (const int e = enter("createExclusive", &path)) return e;
    return inner_.createExclusive(path, handle);
}

long FaultFileSystem::write(int handle, const void* data, std::size_t size) {
    if (const int e = enter("write")) return -e;
    if (shortDue_ && size >= 2) {
        fired_ = true;
        size /= 2;
    }
    return inner_.write(handle, data, size);
}

int FaultFileSystem::flush(int handle) {
    if (const int e = enter("flush")) return e;
    return inner_.flush(handle);
}

int FaultFileSystem::close(int handle) {
    const int e = enter("close");
    const int closed = inner_.close(handle); // the handle is gone whatever close says
    return e ? e : closed;
}

int FaultFileSystem::rename(const std::string& from, const std::string& to) {
    if (const int e = enter("rename", &from, &to)) return e;
    return inner_.rename(from, to);
}

int FaultFileSystem::link(const std::string& from, const std::string& to) {
    if (const int e = enter("link", &from, &to)) return e;
    return inner_.link(from, to);
}

int FaultFileSystem::remove(const std::string& path) {
    if (const int e = enter("remove", &path)) return e;
    return inner_.remove(path);
}

int FaultFileSystem::makeFolder(const std::string& path) {
    if (const int e = enter("makeFolder", &path)) return e;
    return inner_.makeFolder(path);
}

int FaultFileSystem::list(const std::string& path, std::vector<FolderEntry>& out) {
    if (const int e = enter("list", &path)) return e;
    return inner_.list(path, out);
}

int FaultFileSystem::flushFolder(const std::string& path) {
    if (const int e = enter("flushFolder")) return e;
    return inner_.flushFolder(path);
}

} // namespace pinora::test
