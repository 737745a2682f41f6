// A file system that passes every call on to another and fails the one a test chooses, so
// that a test can run an operation once for each call it makes and see what each failure
// leaves behind. It can also keep the calls made, to check their order.
#pragma once

#include "db/filesystem.h"

#include <functional>
#include <string>
#include <vector>

namespace pinora::test {

class FaultFileSystem : public FileSystem {
  public:
    enum class Fault { Eio, Enospc, Eacces, Eintr, ShortWrite, PowerCut };

    explicit FaultFileSystem(FileSystem& inner) : inner_(inner) {}

    // "EIO", "ENOSPC", "EACCES", "EINTR", "short write", "power cut".
    static const char* name(Fault f);

    // Call n (from 1, counted since the last reset) meets the fault; 0 = none does.
    //   Eio, Enospc, Eacces, Eintr: the call does nothing and returns that error (close still
    //     closes, as the handle is gone on Linux whatever close returns);
    //   ShortWrite: a write of two bytes or more writes only the first half and says so; any
    //     other call goes on as usual;
    //   PowerCut: onPowerCut runs, and this and every later call fails with EIO until reset().
    void failAt(long n, Fault f);
    // The same for call n and every call after it.
    void failFrom(long n, Fault f);
    // The count back to 0, no fault, the power back and the log emptied.
    void reset();

    long calls() const { return calls_; }
    bool fired() const { return fired_; } // the fault has happened

    std::function<void()> onPowerCut; // usually the memory file system's cutPower
    // While recording, each call as "createExclusive NOTICE.DB.~x.tmp", "write", "rename A B":
    // the call's name and the last names of its paths; flushFolder is "flushFolder" alone.
    bool recording = false;
    std::vector<std::string> log;
    // Sees each call, in the log's words, before it is made: a test watches the files at that
    // moment, or fails the call by returning an errno value (0: the call goes on).
    std::function<int(const std::string& call)> onCall;

    int info(const std::string& path, EntryInfo& out) override;
    int openRead(const std::string& path, int& handle, EntryInfo& info) override;
    long read(int handle, void* buf, std::size_t size) override;
    int createExclusive(const std::string& path, int& handle) override;
    long write(int handle, const void* data, std::size_t size) override;
    int flush(int handle) override;
    int close(int handle) override;
    int rename(const std::string& from, const std::string& to) override;
    int link(const std::string& from, const std::string& to) override;
    int remove(const std::string& path) override;
    int makeFolder(const std::string& path) override;
    int list(const std::string& path, std::vector<FolderEntry>& out) override;
    int flushFolder(const std::string& path) override;

  private:
    // Counts and records a call; the error it is to fail with, or 0 to go on.
    int enter(const char* call, const std::string* path = nullptr,
              const std::string* path2 = nullptr);

    FileSystem& inner_;
    long calls_ = 0;
    long at_ = 0;
    Fault fault_ = Fault::Eio;
    bool sticky_ = false;
    bool fired_ = false;
    bool powerOff_ = false;
    bool shortDue_ = false; // this write is to be short
};

} // namespace pinora::test
