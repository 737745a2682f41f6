// Writes the first corpus of every fuzz target from the files a fresh test database holds
// (the files the tests write), reshaped into each target's input and into the older formats:
//   fuzz_seeds FOLDER   ->   FOLDER/<target>/<seed>
#include "common.h"

#include "db/database.h"
#include "db/datetime.h"
#include "db/formats/release14.h"
#include "support/bytes.h"
#include "support/tempfolder.h"

#include <cstdio>
#include <fstream>

using namespace pinora;
using namespace pinora::fuzz;
namespace fs = std::filesystem;

namespace {

fs::path outFolder;

void writeSeed(const std::string& target, const std::string& name, std::string_view bytes) {
    fs::create_directories(outFolder / target);
    std::ofstream out(outFolder / target / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) fail("writeSeed", __FILE__, __LINE__, (outFolder / target / name).string());
}

// The targets whose files fuzz_disk_files also reads from a real folder, in the order of its
// first byte.
constexpr const char* kOnDisk[] = {"config_db", "notice_db", "user_db", "lock_file",
                                   "message_file"};

void seed(const std::string& target, const std::string& name, std::string_view bytes) {
    writeSeed(target, name, bytes);
    for (std::size_t k = 0; k < std::size(kOnDisk); ++k)
        if (target == kOnDisk[k])
            writeSeed("disk_files", target + "-" + name,
                      std::string(1, static_cast<char>(k)) + std::string(bytes));
}

std::string withFirst(std::uint8_t first, std::string_view rest) {
    return std::string(1, static_cast<char>(first)) + std::string(rest);
}

std::string header(std::int32_t version) {
    std::string h = test::kHeaderBytes;
    test::put32(h, 12, version);
    return h;
}

template <class T> std::string bytesOf(const T& v, std::size_t n = sizeof(T)) {
    return std::string(reinterpret_cast<const char*>(&v), n);
}

// A database as the tests make it, with a second user and three notices of the 7th of
// December 2026 in the first set, their message files written.
struct Sample {
    test::TempFolder dir;
    test::FakeServices fs;
    Database db{dir.str(), fs.services()};

    Sample() {
        test::writeFreshDatabase(dir.str());
        FUZZ_CHECK(db.loadConfig());
        FUZZ_CHECK(db.loadUsers());
        FUZZ_CHECK(db.loadNotices());
        const int u = db.findFreeUser();
        db.setUserCredentials(u, "Teacher1", "pw");
        db.user(u).fullName = "Ann Teacher";
        db.user(u).signature = "Ann";
        db.user(u).postCount = 3;
        db.user(u).securityLevel = 100;
        const TDateTime monday = encodeDate(2026, 12, 7);
        const char* owners[] = {"ADMIN", "Teacher", "Gone"};
        for (int n = 1; n <= 3; ++n) {
            NoticeRecord& r = db.notice(n);
            r.owner = db.scramble(owners[n - 1]);
            r.authorLevel = 100;
            r.startDate = monday - n;
            r.endDate = n == 3 ? monday - 60 : monday + n;
            r.signature = "Ann";
            r.inSet[0] = true;
            FUZZ_CHECK(db.writeMessageFile(n, "Line one\nCaf\xE9 \x93quoted\x94\n"));
        }
        FUZZ_CHECK(db.saveUsers());
        FUZZ_CHECK(db.saveNotices());
    }
    std::string file(const char* name) const { return test::readBytes(dir / name); }
};

void databaseSeeds(const Sample& s, formats::DbFile which, const char* target, std::size_t records,
                   std::size_t record20) {
    const std::string file = s.file(formats::fileName(which));
    const std::string block = file.substr(16);
    const int current = static_cast<int>(databaseLengths(which).size());
    // Config: whole files; tables: the header and the first records, repeated to the length.
    const std::size_t keep = records ? records * (block.size() / (which == formats::DbFile::Notices
                                                                      ? kNoticeCount
                                                                      : kUserCount))
                                     : block.size();
    seed(target, "current", withFirst(lengthByte(current), file.substr(0, 16 + keep)));
    seed(target, "current-long", withFirst(0x20 | current, file.substr(0, 16 + keep)));
    seed(target, "v24", withFirst(lengthByte(current - (which == formats::DbFile::Config ? 1 : 0)),
                                  header(2400) + block.substr(0, which == formats::DbFile::Config ? 1232 : keep)));
    seed(target, "v21", withFirst(lengthByte(current - (which == formats::DbFile::Config ? 2 : 0)),
                                  header(2100) + block.substr(0, which == formats::DbFile::Config ? 1224 : keep)));
    std::string old;
    if (which == formats::DbFile::Users) {
        for (std::size_t i = 0; i < records; ++i)
            old += block.substr(i * sizeof(UserRecord), record20);
    } else {
        old = block.substr(0, which == formats::DbFile::Config ? 1160 : keep);
    }
    seed(target, "v20", withFirst(lengthByte(1), old));
    seed(target, "short", withFirst(0, file.substr(0, 40)));
    seed(target, "folder", withFirst(kFolderByte, ""));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
        return 2;
    }
    outFolder = argv[1];
    const Sample s;
    databaseSeeds(s, formats::DbFile::Config, "config_db", 0, 0);
    databaseSeeds(s, formats::DbFile::Notices, "notice_db", 4, 0);
    databaseSeeds(s, formats::DbFile::Users, "user_db", 3, 156);

    seed("lock_file", "held", withFirst(0, "TRUE\r\nann\r\nCreating Notice\r\n"));
    seed("lock_file", "free", withFirst(0, "FALSE\r\n\r\n\r\n"));
    seed("lock_file", "mine", withFirst(0, "true\nfuzz\nSubmitting Notice\n"));
    seed("lock_file", "bare", withFirst(0, "TRUE"));
    seed("lock_file", "missing", withFirst(kMissingByte, ""));

    const std::string message = s.file("MSG/1.MSG");
    seed("message_file", "written", message);
    seed("message_file", "mixed", "one\rtwo\nthree\r\n\r\n\x80\x81\x9F\xFF");
    seed("notice_markup", "editor", "<b>Bold</b> <I>it</i> <u>u</u><br><IMG SRC=\"MSG//1.jpg\">");
    seed("notice_markup", "script",
         "a<script>alert(1)</script><img src=x onerror=alert(1)><a href=\"jav&#x09;ascript:x\">l</a>");
    seed("notice_markup", "formatting",
         "<font color=red>x</font><table><tr><td>c</td></tr></table><!-- c --><style>p{}</style>");
    seed("rtf", "written", message);
    seed("rtf", "paragraphs", R"({\rtf1\ansi\deff0 First paragraph.\par Second\par\par Third\par})");
    seed("rtf", "tables", R"({\rtf1\ansi{\fonttbl{\f0\froman Times;}}{\colortbl;\red255\green0\blue0;})"
                          R"({\*\generator W;}\uc1 Price \u8364?10 caf\'e9\line {\b bold}\tab x\par})");
    seed("rtf", "picture", R"({\rtf1 a{\pict\pngblip 89504e47}\bin4 abcd b\par)");

    // Three records of release 1.4; the rest of the file unused.
    std::string dat;
    for (int i = 1; i <= 3; ++i) {
        std::string r(formats::kRelease14RecordSize, '\0');
        test::putText(r, 0, i == 2 ? "[NULL]" : "Notice " + std::to_string(i));
        test::put64(r, 24, encodeDate(2026, 12, 7) - i);
        test::put64(r, 32, encodeDate(2026, 12, 7) + i);
        test::put8(r, 40, i == 3 ? 1 : 0);
        dat += r;
    }
    seed("notices_dat", "plain", withFirst(1, dat + "\n--MSG--\nFirst line\r\nSecond\r\n"));
    seed("notices_dat", "rtf", withFirst(1, dat + "\n--MSG--\n{\\rtf1\\ansi Caf\\'e9\\par next\\par}"));
    seed("notices_dat", "short", withFirst(0, dat));

    const std::string config = bytesOf(s.db.config);
    std::string table;
    for (int n = 1; n <= 3; ++n)
        table += bytesOf(s.db.notice(n));
    seed("page", "monday", withFirst(0, config + table + "Line one\r\nTwo\f\xE9t\xE9\r\n"));
    seed("page", "logo", withFirst(8 | 1 << 4, config + table + "Only\r\n"));

    std::string users;
    for (int u = 1; u <= 3; ++u)
        users += bytesOf(s.db.user(u));
    seed("integrity_check", "sample", withFirst(0, std::string(1, 3) + users + table));
    seed("integrity_check", "to-admin", withFirst(1 | 2 << 3, std::string(1, 2) + users + table));
    return 0;
}
