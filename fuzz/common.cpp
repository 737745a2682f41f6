#include "common.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace pinora::fuzz {

namespace fs = std::filesystem;

void fail(const char* condition, const char* file, int line, const std::string& detail) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    if (!detail.empty()) std::fprintf(stderr, "  %s\n", detail.c_str());
    std::abort();
}

Scratch::Scratch() {
    const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string tmpl = (base / "pinora-fuzz-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) fail("mkdtemp", __FILE__, __LINE__, tmpl);
    path_ = tmpl;
    clear();
}

Scratch::~Scratch() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void Scratch::clear() {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(path_, ec))
        fs::remove_all(e.path(), ec);
    fs::create_directory(path_ / "MSG", ec);
    fs::create_directory(path_ / "TEMP", ec);
}

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary | std::ios::ate);
    std::string bytes(in ? static_cast<std::size_t>(in.tellg()) : 0, '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

void forget(test::FakeServices& s) {
    s.reporter->messages.clear();
    s.sleeper->sleeps.clear();
}

void writeFreshDatabase(const Scratch& folder, const char* except) {
    static const std::vector<std::pair<std::string, std::string>> files = [] {
        Scratch fresh;
        test::writeFreshDatabase(fresh.str());
        std::vector<std::pair<std::string, std::string>> all;
        for (const char* name : {"CONFIG.DB", "USER.DB", "NOTICE.DB"})
            all.emplace_back(name, readFile(fresh / name));
        return all;
    }();
    for (const auto& [name, bytes] : files)
        if (!except || name != except) writeFile(folder / name, bytes);
}

void writeFile(const fs::path& p, std::string_view bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) fail("writeFile", __FILE__, __LINE__, p.string());
}

std::vector<std::pair<std::string, std::string>> snapshot(const fs::path& folder) {
    std::vector<std::pair<std::string, std::string>> all;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        const bool file = it->is_regular_file(ec);
        all.emplace_back(it->path().lexically_relative(folder).string(),
                         file ? readFile(it->path()) : std::string("(folder)"));
    }
    std::sort(all.begin(), all.end());
    return all;
}

ShapedFile shapeInput(const std::uint8_t* data, std::size_t size,
                      std::initializer_list<Length> lengths) {
    ShapedFile f;
    if (size == 0) return f;
    const std::uint8_t first = data[0];
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const unsigned choice = first & 0x0F;
    if (choice == kMissingByte) {
        f.shape = Shape::Missing;
        return f;
    }
    if (choice == kFolderByte) {
        f.shape = Shape::Folder;
        return f;
    }
    if (choice == 0 || choice > lengths.size()) {
        f.bytes = rest;
        return f;
    }
    const Length l = lengths.begin()[choice - 1];
    const long delta = static_cast<long>((first >> 4) % 3) - 1;
    const std::size_t want = static_cast<std::size_t>(static_cast<long>(l.bytes) + delta);
    f.shape = Shape::Sized;
    f.bytes.assign(rest.substr(0, std::min(want, l.headerBytes)));
    const std::string_view tile = rest.size() > l.headerBytes ? rest.substr(l.headerBytes) : "";
    f.bytes.reserve(want);
    if (tile.empty()) {
        f.bytes.resize(want, '\0');
        return f;
    }
    while (f.bytes.size() < want)
        f.bytes.append(tile.substr(0, want - f.bytes.size()));
    return f;
}

void placeShaped(const ShapedFile& f, const fs::path& p) {
    if (f.shape == Shape::Missing) return;
    if (f.shape == Shape::Folder) {
        fs::create_directory(p);
        return;
    }
    writeFile(p, f.bytes);
}

} // namespace pinora::fuzz
