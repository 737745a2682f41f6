// Formats 2.1 to 2.3: a header, then a 1224-byte configuration whose sets share one deadline
// and one day limit; the notice and user blocks are today's.
#include "formats.h"
#include "headered.h"
#include "oldbytes.h"

namespace pinora::formats {

void configHeadered(std::string_view file, ConfigRecord& out, std::size_t dayLimitAt) {
    const std::string_view rec = file.substr(16);
    out = ConfigRecord{};
    // loginName to bypassMaxDays, then the FTP fields and the reserved word sit where they
    // sit today.
    std::memcpy(&out.newUserTemplate, rec.data(), offsetof(UserRecord, pad0));
    std::memcpy(&out.ftpServer, rec.data() + 160, offsetof(ConfigRecord, noticeSets) - 160);
    out.pad0 = 0;
    out.pad1 = 0;
    std::int32_t dayLimit;
    take(dayLimit, rec, dayLimitAt);
    setsAndSchool(out, rec, 568, dayLimit);
    take(out.allowUserReturns, rec, 1160);
    take(out.numberEachNotice, rec, 1161);
    take(out.signatureStyle, rec, 1164);
    take(out.fontName, rec, 1168);
    take(out.pointSize, rec, 1200);
    take(out.reserved1324, rec, 1204);
    take(out.reserved1328, rec, 1208);
    take(out.borderSize, rec, 1212);
    // Absent before 2.5 (2.4 has room for them but never filled it in a known way).
    out.crAfterNotice = true;
    out.headerPointSize = 7;
    out.subtitlePointSize = 4;
}

void config21(std::string_view file, ConfigRecord& out) {
    configHeadered(file, out, 1216);
}

void notices21(std::string_view file, NoticeTable& out) {
    std::memcpy(out.data(), file.data() + 16, sizeof out);
}

void users21(std::string_view file, UserTable& out) {
    std::memcpy(out.data(), file.data() + 16, sizeof out);
}

} // namespace pinora::formats
