#include "support/memoryfs.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <stdexcept>

namespace pinora::test {

// The root is made in the body, once the folder list it joins exists.
MemoryFileSystem::MemoryFileSystem() {
    root_ = newNode(EntryType::Folder);
}

MemoryFileSystem::~MemoryFileSystem() {
    forgetAll();
    root_.reset();
    spares_.clear();
}

MemoryFileSystem::Node::~Node() {
    owner->keepSpare(data);
    owner->keepSpare(durableData);
}

namespace {
// Smaller buffers come and go cheaply; a few of the size of a notice table are worth keeping.
constexpr std::size_t kSpareFrom = 64 << 10;
constexpr std::size_t kSpareCount = 16;
} // namespace

void MemoryFileSystem::keepSpare(std::string& bytes) {
    if (bytes.capacity() < kSpareFrom) return;
    if (spares_.size() == kSpareCount) {
        // The smallest goes: the largest files are the costly ones.
        auto least = std::min_element(spares_.begin(), spares_.end(), [](const auto& a, const auto& b) {
            return a.capacity() < b.capacity();
        });
        if (least->capacity() >= bytes.capacity()) return;
        spares_.erase(least);
    }
    bytes.clear();
    spares_.push_back(std::move(bytes));
    bytes = std::string();
}

// Room for size bytes in place, taking the closest spare that fits when they do not fit.
void MemoryFileSystem::reserve(std::string& bytes, std::size_t size) {
    if (size <= bytes.capacity() || size < kSpareFrom) return;
    auto best = spares_.end();
    for (auto it = spares_.begin(); it != spares_.end(); ++it)
        if (it->capacity() >= size && (best == spares_.end() || it->capacity() < best->capacity()))
            best = it;
    if (best == spares_.end()) return;
    std::string taken = std::move(*best);
    spares_.erase(best);
    taken.assign(bytes);
    std::swap(taken, bytes);
    keepSpare(taken);
}

void MemoryFileSystem::assign(std::string& to, std::string_view from) {
    if (to.data() == from.data() && to.size() == from.size()) return;
    reserve(to, from.size());
    to.assign(from);
}

bool MemoryFileSystem::NameLess::operator()(std::string_view a, std::string_view b) const {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i)
        if (a[i] != b[i]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]);
    return a.size() < b.size();
}

MemoryFileSystem::Where MemoryFileSystem::find(std::string_view path) const {
    Where w;
    if (path.empty()) {
        w.err = ENOENT;
        return w;
    }
    chain_.clear();
    Node* folder = root_.get();
    std::string_view name; // the last name seen, not yet looked up
    bool pending = false;
    std::size_t i = 0;
    for (;;) {
        while (i < path.size() && path[i] == '/')
            ++i;
        if (i == path.size()) break;
        const std::size_t end = std::min(path.find('/', i), path.size());
        const std::string_view part = path.substr(i, end - i);
        i = end;
        if (pending) { // a name followed by more must be a folder
            const auto it = folder->entries.find(name);
            if (it == folder->entries.end()) {
                w.err = ENOENT;
                return w;
            }
            if (it->second->type != EntryType::Folder) {
                w.err = it->second->type == EntryType::Link ? ELOOP : ENOTDIR;
                return w;
            }
            chain_.push_back(folder);
            folder = it->second.get();
            pending = false;
        }
        if (part == ".") continue;
        if (part == "..") {
            if (!chain_.empty()) {
                folder = chain_.back();
                chain_.pop_back();
            }
            continue;
        }
        name = part;
        pending = true;
    }
    if (!pending) {
        w.node = folder;
        return w;
    }
    w.parent = folder;
    w.name = name;
    const auto it = folder->entries.find(name);
    w.node = it == folder->entries.end() ? nullptr : it->second.get();
    w.folderOnly = path.back() == '/';
    return w;
}

int MemoryFileSystem::existing(const Where& w) {
    if (w.err) return w.err;
    if (!w.node) return ENOENT;
    if (w.folderOnly && w.node->type != EntryType::Folder)
        return w.node->type == EntryType::Link ? ELOOP : ENOTDIR; // "name/" would follow it
    return 0;
}

int MemoryFileSystem::existingFolder(const Where& w) {
    if (const int e = existing(w)) return e;
    if (w.node->type == EntryType::Folder) return 0;
    return w.node->type == EntryType::Link ? ELOOP : ENOTDIR;
}

MemoryFileSystem::Handle* MemoryFileSystem::handle(int h) {
    const auto it = handles_.find(h);
    return it == handles_.end() ? nullptr : &it->second;
}

int MemoryFileSystem::addHandle(NodePtr node, bool write) {
    // Numbers are not reused, so that a handle used after its close fails rather than
    // reaching another file.
    if (nextHandle_ == INT_MAX) nextHandle_ = 3;
    const int h = nextHandle_++;
    handles_.insert_or_assign(h, Handle{std::move(node), 0, write});
    return h;
}

MemoryFileSystem::NodePtr MemoryFileSystem::newNode(EntryType type) {
    auto node = std::make_shared<Node>(this);
    node->type = type;
    node->modified = now_;
    node->serial = ++serials_;
    if (type == EntryType::Folder) {
        if (allFolders_.size() >= pruneAt_) {
            std::erase_if(allFolders_, [](const auto& f) { return f.expired(); });
            pruneAt_ = std::max<std::size_t>(64, 2 * allFolders_.size());
        }
        allFolders_.push_back(node);
    }
    return node;
}

void MemoryFileSystem::put(Node& folder, std::string_view name, NodePtr node, bool durable) {
    ++changes_;
    const auto it = folder.entries.find(name);
    if (it != folder.entries.end())
        it->second = node;
    else
        folder.entries.emplace(std::string(name), node);
    folder.modified = now_;
    if (durable)
        folder.durableEntries.insert_or_assign(std::string(name), std::move(node));
    else
        folder.entriesDurable = false;
}

void MemoryFileSystem::erase(Node& folder, std::string_view name) {
    ++changes_;
    folder.entries.erase(folder.entries.find(name));
    folder.entriesDurable = false;
    folder.modified = now_;
}

int MemoryFileSystem::info(const std::string& path, EntryInfo& out) {
    const Where w = find(path);
    if (const int e = existing(w)) return e;
    out.type = w.node->type;
    out.size = w.node->type == EntryType::Regular ? w.node->data.size() : 0;
    out.modified = w.node->modified;
    out.device = 1;
    out.inode = w.node->serial;
    return 0;
}

int MemoryFileSystem::openRead(const std::string& path, int& h, EntryInfo& out) {
    const Where w = find(path);
    if (const int e = existing(w)) return e;
    if (w.node->type == EntryType::Link) return ELOOP;
    out.type = w.node->type;
    out.size = w.node->type == EntryType::Regular ? w.node->data.size() : 0;
    out.modified = w.node->modified;
    out.device = 1;
    out.inode = w.node->serial;
    h = addHandle(w.node->shared_from_this(), false);
    return 0;
}

long MemoryFileSystem::read(int h, void* buf, std::size_t size) {
    Handle* hd = handle(h);
    if (!hd || hd->write) return -EBADF;
    const Node& n = *hd->node;
    if (n.type == EntryType::Folder) return -EISDIR;
    if (n.type != EntryType::Regular || hd->pos >= n.data.size()) return 0; // a pipe: no writer
    const std::size_t count = std::min({size, static_cast<std::size_t>(n.data.size() - hd->pos),
                                        static_cast<std::size_t>(LONG_MAX)});
    std::memcpy(buf, n.data.data() + hd->pos, count);
    hd->pos += count;
    return static_cast<long>(count);
}

int MemoryFileSystem::createExclusive(const std::string& path, int& h) {
    const Where w = find(path);
    if (w.err) return w.err;
    if (!w.parent || w.node) return EEXIST;
    if (w.folderOnly) return EISDIR;
    NodePtr node = newNode(EntryType::Regular);
    put(*w.parent, w.name, node);
    h = addHandle(std::move(node), true);
    return 0;
}

long MemoryFileSystem::write(int h, const void* data, std::size_t size) {
    Handle* hd = handle(h);
    if (!hd || !hd->write) return -EBADF;
    if (size == 0) return 0;
    size = std::min(size, static_cast<std::size_t>(LONG_MAX));
    Node& n = *hd->node;
    const char* bytes = static_cast<const char*>(data);
    if (hd->pos + size > n.data.size()) reserve(n.data, hd->pos + size);
    if (hd->pos > n.data.size()) n.data.resize(hd->pos, '\0');
    if (hd->pos == n.data.size())
        n.data.append(bytes, size);
    else
        n.data.replace(hd->pos, std::min(size, n.data.size() - hd->pos), bytes, size);
    hd->pos += size;
    ++changes_;
    n.dataDurable = false;
    n.modified = now_;
    return static_cast<long>(size);
}

int MemoryFileSystem::flush(int h) {
    Handle* hd = handle(h);
    if (!hd) return EBADF;
    Node& n = *hd->node;
    switch (n.type) {
    case EntryType::Regular:
        if (!n.dataDurable) assign(n.durableData, n.data);
        n.dataDurable = true;
        return 0;
    case EntryType::Folder: // fsync on a folder's handle keeps its entries, as flushFolder
        if (!n.entriesDurable) n.durableEntries = n.entries;
        n.entriesDurable = true;
        return 0;
    default:
        return EINVAL;
    }
}

int MemoryFileSystem::close(int h) {
    return handles_.erase(h) ? 0 : EBADF;
}

int MemoryFileSystem::rename(const std::string& from, const std::string& to) {
    const Where f = find(from);
    if (const int e = existing(f)) return e;
    if (!f.parent) return EBUSY; // "/" or "a/.."
    NodePtr moving = f.node->shared_from_this();
    const Where t = find(to);
    if (t.err) return t.err;
    if (!t.parent) return EBUSY;
    if (t.node == moving.get()) return 0; // two names of one file: nothing to do, as POSIX says
    if (moving->type == EntryType::Folder) {
        if (t.parent == moving.get() ||
            std::find(chain_.begin(), chain_.end(), moving.get()) != chain_.end())
            return EINVAL; // into itself
        if (t.node && t.node->type != EntryType::Folder) return ENOTDIR;
        if (t.node && !t.node->entries.empty()) return ENOTEMPTY;
    } else {
        if (t.node && t.node->type == EntryType::Folder) return EISDIR;
        if (t.folderOnly) return ENOTDIR;
    }
    erase(*f.parent, f.name);
    put(*t.parent, t.name, std::move(moving));
    return 0;
}

int MemoryFileSystem::link(const std::string& from, const std::string& to) {
    const Where f = find(from);
    if (const int e = existing(f)) return e;
    if (f.node->type == EntryType::Folder) return EPERM;
    NodePtr node = f.node->shared_from_this(); // a link entry is linked itself, not followed
    const Where t = find(to);
    if (t.err) return t.err;
    if (!t.parent || t.node) return EEXIST;
    if (t.folderOnly) return ENOTDIR;
    put(*t.parent, t.name, std::move(node));
    return 0;
}

int MemoryFileSystem::remove(const std::string& path) {
    const Where w = find(path);
    if (const int e = existing(w)) return e;
    if (w.node->type == EntryType::Folder) return EISDIR;
    erase(*w.parent, w.name);
    return 0;
}

int MemoryFileSystem::makeFolder(const std::string& path) {
    const Where w = find(path);
    if (w.err) return w.err;
    if (!w.parent || w.node) return EEXIST;
    put(*w.parent, w.name, newNode(EntryType::Folder));
    return 0;
}

int MemoryFileSystem::list(const std::string& path, std::vector<FolderEntry>& out) {
    const Where w = find(path);
    if (const int e = existingFolder(w)) return e;
    out.clear();
    out.reserve(w.node->entries.size());
    for (const auto& [name, node] : w.node->entries)
        out.push_back({name, node->type == EntryType::Regular, node->type == EntryType::Link,
                       node->modified});
    return 0;
}

int MemoryFileSystem::flushFolder(const std::string& path) {
    const Where w = find(path);
    if (const int e = existingFolder(w)) return e;
    Node& n = *w.node;
    if (!n.entriesDurable) n.durableEntries = n.entries;
    n.entriesDurable = true;
    return 0;
}

void MemoryFileSystem::cutPower() {
    ++changes_;
    handles_.clear();
    ++mark_;
    restore(*root_);
}

void MemoryFileSystem::restore(Node& folder) {
    folder.mark = mark_;
    if (!folder.entriesDurable) folder.entries = folder.durableEntries;
    folder.entriesDurable = true;
    for (auto it = folder.entries.begin(); it != folder.entries.end();) {
        Node& n = *it->second;
        if (n.type == EntryType::Folder && n.mark == mark_) {
            // A folder moved between two folders of which only one was flushed: keep it in
            // the first place found, or the tree would hold a loop.
            folder.durableEntries.erase(it->first);
            it = folder.entries.erase(it);
            continue;
        }
        if (n.type == EntryType::Folder) {
            restore(n);
        } else {
            if (!n.dataDurable) assign(n.data, n.durableData);
            n.dataDurable = true;
        }
        ++it;
    }
}

void MemoryFileSystem::syncAll() {
    std::vector<Node*> todo{root_.get()};
    while (!todo.empty()) {
        Node& folder = *todo.back();
        todo.pop_back();
        folder.durableEntries = folder.entries;
        folder.entriesDurable = true;
        for (const auto& [name, node] : folder.entries) {
            if (node->type == EntryType::Folder) {
                todo.push_back(node.get());
            } else {
                assign(node->durableData, node->data);
                node->dataDurable = true;
            }
        }
    }
}

MemoryFileSystem::Node& MemoryFileSystem::folders(std::string_view path) {
    Node* folder = root_.get();
    std::vector<Node*> up;
    std::size_t i = 0;
    while (i < path.size()) {
        const std::size_t end = std::min(path.find('/', i), path.size());
        const std::string_view part = path.substr(i, end - i);
        i = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!up.empty()) {
                folder = up.back();
                up.pop_back();
            }
            continue;
        }
        const auto it = folder->entries.find(part);
        NodePtr next;
        if (it == folder->entries.end()) {
            next = newNode(EntryType::Folder);
            put(*folder, part, next, true);
        } else if (it->second->type != EntryType::Folder) {
            throw std::invalid_argument("not a folder on the way: " + std::string(path));
        } else {
            next = it->second;
        }
        up.push_back(folder);
        folder = next.get();
    }
    return *folder;
}

void MemoryFileSystem::place(std::string_view path, NodePtr node) {
    while (!path.empty() && path.back() == '/')
        path.remove_suffix(1);
    const std::size_t slash = path.rfind('/');
    const std::string_view leaf = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (leaf.empty() || leaf == "." || leaf == "..")
        throw std::invalid_argument("no name to place: " + std::string(path));
    Node& folder = folders(slash == std::string_view::npos ? "" : path.substr(0, slash));
    const auto it = folder.entries.find(leaf);
    if (it != folder.entries.end() && it->second->type == EntryType::Folder)
        throw std::invalid_argument("a folder is in the way: " + std::string(path));
    put(folder, leaf, std::move(node), true);
}

void MemoryFileSystem::writeFile(const std::string& path, std::string_view bytes) {
    NodePtr node = newNode(EntryType::Regular);
    assign(node->data, bytes);
    assign(node->durableData, bytes);
    place(path, std::move(node));
}

std::optional<std::string> MemoryFileSystem::readFile(const std::string& path) const {
    const Where w = find(path);
    if (existing(w) || w.node->type != EntryType::Regular) return std::nullopt;
    return w.node->data;
}

void MemoryFileSystem::overwrite(const std::string& path, std::size_t offset,
                                 std::string_view bytes) {
    const Where w = find(path);
    if (existing(w) || w.node->type != EntryType::Regular)
        throw std::invalid_argument("no file to overwrite: " + path);
    Node& n = *w.node;
    const auto lay = [&](std::string& to) {
        if (to.size() < offset + bytes.size()) to.resize(offset + bytes.size(), '\0');
        to.replace(offset, bytes.size(), bytes);
    };
    lay(n.data);
    if (n.dataDurable) lay(n.durableData); // it held the same bytes, and still does
    ++changes_;
}

void MemoryFileSystem::removeTree(const std::string& path) {
    const Where w = find(path);
    if (existingFolder(w) || !w.parent) throw std::invalid_argument("no folder to remove: " + path);
    NodePtr gone = w.node->shared_from_this();
    if (const auto it = w.parent->durableEntries.find(w.name); it != w.parent->durableEntries.end())
        w.parent->durableEntries.erase(it);
    erase(*w.parent, w.name);
    // Emptied all the way down, so that no loop of moved folders keeps any of it alive.
    std::vector<NodePtr> todo{std::move(gone)};
    while (!todo.empty()) {
        const NodePtr n = std::move(todo.back());
        todo.pop_back();
        for (const Entries* m : {&n->entries, &n->durableEntries})
            for (const auto& [name, child] : *m)
                if (child->type == EntryType::Folder) todo.push_back(child);
        n->entries.clear();
        n->durableEntries.clear();
    }
    // Their memory goes now, not when the list of folders is next pruned.
    std::erase_if(allFolders_, [](const auto& f) { return f.expired(); });
}

std::shared_ptr<const std::string> MemoryFileSystem::shareFile(const std::string& path) const {
    const Where w = find(path);
    if (existing(w) || w.node->type != EntryType::Regular) return nullptr;
    const NodePtr node = w.node->shared_from_this();
    return std::shared_ptr<const std::string>(node, &node->data);
}

bool MemoryFileSystem::exists(const std::string& path) const {
    return existing(find(path)) == 0;
}

void MemoryFileSystem::makeFolders(const std::string& path) {
    folders(path);
}

void MemoryFileSystem::addLink(const std::string& path) {
    place(path, newNode(EntryType::Link));
}

void MemoryFileSystem::addPipe(const std::string& path) {
    place(path, newNode(EntryType::Other));
}

void MemoryFileSystem::forgetAll() {
    handles_.clear();
    for (const auto& weak : allFolders_) {
        if (const NodePtr folder = weak.lock()) {
            folder->entries.clear();
            folder->durableEntries.clear();
        }
    }
    allFolders_.clear();
    pruneAt_ = 64;
}

void MemoryFileSystem::clear() {
    ++changes_;
    forgetAll();
    root_ = newNode(EntryType::Folder);
}

std::vector<std::pair<std::string, std::string>>
MemoryFileSystem::snapshot(const std::string& folder) const {
    std::vector<std::pair<std::string, std::string>> out;
    const Where w = find(folder);
    if (existingFolder(w)) return out;
    std::vector<std::pair<const Node*, std::string>> todo{{w.node, ""}};
    while (!todo.empty()) {
        auto [at, prefix] = std::move(todo.back());
        todo.pop_back();
        for (const auto& [name, node] : at->entries) {
            std::string path = prefix + name;
            switch (node->type) {
            case EntryType::Regular:
                out.emplace_back(std::move(path), node->data);
                break;
            case EntryType::Folder:
                path += '/';
                todo.emplace_back(node.get(), path);
                out.emplace_back(std::move(path), std::string());
                break;
            case EntryType::Link:
                out.emplace_back(path + '@', std::string());
                break;
            case EntryType::Other:
                out.emplace_back(path + '|', std::string());
                break;
            }
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace pinora::test
