// Every call the program makes on files and folders, as one interface: the real one below, and
// in tests a whole folder in memory or a wrapper that fails a chosen call. Calls return 0 or
// an errno value (read and write: a count, or minus an errno value); none leaves errno for the
// caller to read.
//
// Paths below the database folder are the folder, its own separator, and a name appended with
// another ("folder//MSG/1.MSG"). Below that point the real file system follows no link: not
// the file's own name, not a folder on the way (ELOOP instead).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pinora {

enum class EntryType { Regular, Folder, Link, Other };

struct EntryInfo {
    EntryType type = EntryType::Regular;
    std::uint64_t size = 0;
    long long modified = 0; // seconds since 1970
    // Tell two names of one file apart from two files; 0 when the file system cannot.
    std::uint64_t device = 0, inode = 0;
};

struct FolderEntry {
    std::string name;
    bool regular = false;
    bool link = false;
    long long modified = 0; // seconds since 1970
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // What is under the name, a link seen as a link below the database folder.
    virtual int info(const std::string& path, EntryInfo& out) = 0;
    // Opens whatever is under the name for reading, without waiting (a pipe never blocks);
    // info tells what was opened. The handle is closed with close().
    virtual int openRead(const std::string& path, int& handle, EntryInfo& info) = 0;
    virtual long read(int handle, void* buf, std::size_t size) = 0;
    // Creates a new, empty file for writing (mode 0644); EEXIST when the name is taken.
    virtual int createExclusive(const std::string& path, int& handle) = 0;
    virtual long write(int handle, const void* data, std::size_t size) = 0;
    // The file's data to disk.
    virtual int flush(int handle) = 0;
    virtual int close(int handle) = 0;
    // Replaces to, if it exists; both in the same folder or not.
    virtual int rename(const std::string& from, const std::string& to) = 0;
    // A second name for a file; EEXIST when to is taken.
    virtual int link(const std::string& from, const std::string& to) = 0;
    virtual int remove(const std::string& path) = 0;
    virtual int makeFolder(const std::string& path) = 0;
    // The entries of a folder; a link in the folder's place is refused (ELOOP).
    virtual int list(const std::string& path, std::vector<FolderEntry>& out) = 0;
    // The folder's entries to disk, so that a rename or a new name survives a power cut.
    // EINVAL and the like from a file system that cannot do it are the caller's to forgive.
    virtual int flushFolder(const std::string& path) = 0;
};

// The machine's own file system, shared by everything that does not set another.
std::shared_ptr<FileSystem> systemFileSystem();

} // namespace pinora
