// Converting an old NOTICE.DB and importing a release-1.4 folder, each beside the plain file
// work that moves the same bytes.
#include "benchsupport.h"

#include "db/database.h"
#include "db/import14.h"
#include "db/upgrade.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

using namespace pinora;
using namespace pinora::bench;

namespace {

std::string tempFolder() {
    std::string t = (std::filesystem::temp_directory_path() / "pinora-bench-XXXXXX").string();
    return std::string(::mkdtemp(t.data())) + "/";
}

bool writeFile(const std::string& path, const std::string& bytes, bool flush) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    if (flush) ok = ok && ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

std::string readFile(const std::string& path) {
    std::string b;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    char buf[65536];
    ssize_t n;
    while (fd >= 0 && (n = ::read(fd, buf, sizeof buf)) > 0)
        b.append(buf, static_cast<std::size_t>(n));
    if (fd >= 0) ::close(fd);
    return b;
}

void BM_PairedUpgrade20VsReadWriteFlush(benchmark::State& state) {
    const std::string dir = tempFolder();
    std::string old(1040000, '\0');
    for (std::size_t i = 0; i < old.size(); i += 104)
        std::memcpy(&old[i], "\x06" "ABCDEF", 7);
    Database db(dir, quietServices());
    const std::string file = db.path("NOTICE.DB");
    const std::string raw = db.path("RAW.DB");
    const std::string converted(1040016, 'x');
    writeFile(file, old, true);
    pairedRun(
        state,
        [&] { return readFile(file).size() == old.size() && writeFile(raw, converted, true); },
        [&] { return upgradeFile(db, DbFile::Notices).status == UpgradeStatus::Upgraded; },
        [&] {
            std::filesystem::remove(db.path("NOTICE.DB.2.0.bak"));
            return writeFile(file, old, true);
        });
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_PairedUpgrade20VsReadWriteFlush)->UseRealTime();

void BM_PairedImport10000VsCopyTexts(benchmark::State& state) {
    const std::string dir = tempFolder();
    const std::string old = tempFolder();
    std::filesystem::create_directory(dir + "MSG");
    std::filesystem::create_directory(old + "MSG");
    Database db(dir, quietServices());
    db.setConfigDefaults();
    db.config.noticeSets[0].name = "Students";
    db.config.noticeSets[1].name = "Staff";
    must(db.saveConfig());
    db.initUsers();
    db.setUserCredentials(1, "ADMIN", "pw");
    must(db.saveUsers());
    db.initNotices();
    must(db.saveNotices());
    std::string dat(720000, '\0');
    std::vector<std::string> sources, targets, texts;
    for (int i = 1; i <= 15000; ++i) {
        const std::size_t at = 48 * static_cast<std::size_t>(i - 1);
        const std::string name = i <= 10000 ? "TEACHER" : "[NULL]";
        dat[at] = static_cast<char>(name.size());
        std::memcpy(&dat[at + 1], name.data(), name.size());
        if (i > 10000) continue;
        std::string text = i % 2
                               ? "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\b Notice} number " +
                                     std::to_string(i) + " caf\\'e9\\par second line\\par}"
                               : "Notice number " + std::to_string(i) + "\r\nsecond line\r\n";
        sources.push_back(old + "MSG/" + std::to_string(i) + ".MSG");
        targets.push_back(dir + "MSG/" + std::to_string(i) + ".MSG");
        texts.push_back("Notice number " + std::to_string(i) + "\r\nsecond line\r\n");
        writeFile(sources.back(), text, false);
    }
    writeFile(old + "NOTICES.DAT", dat, false);
    Release14Import rq;
    rq.folder = old;
    rq.staffSet = 2;
    rq.studentSet = 1;
    rq.user = "BENCH";
    pairedRun(
        state,
        [&] {
            bool ok = readFile(old + "NOTICES.DAT").size() == dat.size();
            for (std::size_t k = 0; k < sources.size(); ++k)
                ok = ok && !readFile(sources[k]).empty() && writeFile(targets[k], texts[k], false);
            return ok;
        },
        [&] { return importRelease14(db, rq).status == ImportStatus::Done; },
        [&] {
            db.initNotices();
            return db.saveNotices().isOk();
        });
    std::filesystem::remove_all(dir);
    std::filesystem::remove_all(old);
}
BENCHMARK(BM_PairedImport10000VsCopyTexts)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
