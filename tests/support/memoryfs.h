// Whole folders in memory, behaving as Linux does for every call the program makes, fast
// enough for fuzz targets. No link is ever followed. Each file and folder also keeps what a
// power cut would leave of it: a file's data as its last flush saw it, a folder's entries as
// its last flushFolder saw them.
#pragma once

#include "db/filesystem.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace pinora::test {

class MemoryFileSystem : public FileSystem {
  public:
    MemoryFileSystem();
    ~MemoryFileSystem() override;
    MemoryFileSystem(const MemoryFileSystem&) = delete;
    MemoryFileSystem& operator=(const MemoryFileSystem&) = delete;

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

    // The clock that stamps every change; it moves only when set.
    void setTime(long long secondsSince1970) { now_ = secondsSince1970; }
    long long time() const { return now_; }

    // Every folder back to its last flushed entries and every file to its last flushed data;
    // every open handle is gone.
    void cutPower();
    // Everything as it is now survives the next power cut.
    void syncAll();

    // For setting up and checking a test. Each change here is durable at once, and makes the
    // folders on the way; one that meets a file on the way throws std::invalid_argument.
    void writeFile(const std::string& path, std::string_view bytes);    // a new file in its place
    std::optional<std::string> readFile(const std::string& path) const; // regular files only
    bool exists(const std::string& path) const;                         // anything at all
    void makeFolders(const std::string& path);
    void addLink(const std::string& path); // a symbolic link, to nowhere in particular
    void addPipe(const std::string& path); // a fifo
    void clear();                          // nothing but "/"; every handle is gone
    // Bytes laid over a regular file's own from offset, in place and durable at once (the file
    // grows when they reach past its end): a record changed in a table of a megabyte without
    // copying the rest. Every name of the file sees the change.
    void overwrite(const std::string& path, std::size_t offset, std::string_view bytes);
    // For setting up: a folder and everything below it gone at once, as no call can do.
    void removeTree(const std::string& path);
    // A regular file's bytes as they stand, shared rather than copied; null for anything else.
    // No call changes a file once the handle that wrote it is closed (only overwrite and
    // cutPower do), so while none writes to it the bytes stay what they were.
    std::shared_ptr<const std::string> shareFile(const std::string& path) const;
    // Everything below the folder, relative to it and sorted: a file with its bytes; a
    // folder, link or pipe marked as ls -F does ("sub/", "name@", "name|") with no bytes.
    std::vector<std::pair<std::string, std::string>> snapshot(const std::string& folder) const;

    // How many handles are open, so that a test can see that none was left behind.
    std::size_t openHandles() const { return handles_.size(); }
    // Moves with every change to a name or to a file's bytes: the same count twice means
    // everything reads as it did, without reading it.
    std::uint64_t changes() const { return changes_; }

  private:
    struct Node;
    using NodePtr = std::shared_ptr<Node>;
    // Names compared byte by byte: std::less would call memcmp, which a sanitizer build
    // intercepts and reports to the fuzzer on every step of every path looked up.
    struct NameLess {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    using Entries = std::map<std::string, NodePtr, NameLess>;
    struct Node : std::enable_shared_from_this<Node> {
        explicit Node(MemoryFileSystem* fs) : owner(fs) {}
        ~Node();
        Node(const Node&) = delete;
        Node& operator=(const Node&) = delete;
        MemoryFileSystem* owner; // takes back the buffers of a file that is gone
        EntryType type = EntryType::Regular;
        long long modified = 0;
        std::string data, durableData;   // a file's
        bool dataDurable = true;         // durableData equals data
        Entries entries, durableEntries; // a folder's
        bool entriesDurable = true;
        unsigned mark = 0; // a power cut's visit
        std::uint64_t serial = 0; // its inode number: never reused
    };
    // Where a path leads: the folder that holds its last name and what is under that name,
    // or, for a path that ends in a folder without a name ("/", "a/.."), that folder alone.
    struct Where {
        int err = 0;
        Node* parent = nullptr;
        std::string_view name;
        Node* node = nullptr;
        bool folderOnly = false; // a separator after the last name
    };
    struct Handle {
        NodePtr node;
        std::uint64_t pos = 0;
        bool write = false;
    };

    Where find(std::string_view path) const;
    static int existing(const Where& w);
    static int existingFolder(const Where& w); // and a folder: ENOTDIR, or ELOOP for a link
    Handle* handle(int h);
    int addHandle(NodePtr node, bool write);
    NodePtr newNode(EntryType type);
    // durable: the entry survives a power cut at once, and nothing else pending does
    void put(Node& folder, std::string_view name, NodePtr node, bool durable = false);
    void erase(Node& folder, std::string_view name);
    void place(std::string_view path, NodePtr node);
    Node& folders(std::string_view path);
    void restore(Node& folder);
    void forgetAll();
    // Buffers of files that are gone, for the next large file: a megabyte allocated afresh is
    // mapped and faulted in page by page, which under a sanitizer costs more than the copy.
    void keepSpare(std::string& bytes);
    void reserve(std::string& bytes, std::size_t size);
    void assign(std::string& to, std::string_view from);

    std::vector<std::string> spares_; // before the nodes, which give theirs back as they go
    NodePtr root_;
    // Every folder ever made, so that clear() can break the loops that durable entries of
    // moved folders may form (they would otherwise leak).
    std::vector<std::weak_ptr<Node>> allFolders_;
    std::size_t pruneAt_ = 64;
    std::unordered_map<int, Handle> handles_;
    int nextHandle_ = 3;
    long long now_ = 1767225600; // 2026-01-01
    unsigned mark_ = 0;
    std::uint64_t changes_ = 0;
    std::uint64_t serials_ = 0;
    mutable std::vector<Node*> chain_; // the folders above the last find's folder
};

} // namespace pinora::test
