// Format 2.0: files without a header, a 1160-byte configuration, 156-byte users.
#include "formats.h"
#include "oldbytes.h"

namespace pinora::formats {

void config20(std::string_view file, ConfigRecord& out) {
    out = ConfigRecord{};
    std::memcpy(&out.newUserTemplate, file.data(), kTemplateCommon);
    out.newUserTemplate.bypassDeadline = false;
    out.newUserTemplate.bypassMaxDays = false;
    take(out.ftpServer, file, 156);
    take(out.ftpPort, file, 238);
    take(out.ftpPassive, file, 240);
    take(out.ftpUploadDir, file, 241);
    take(out.ftpUser, file, 497);
    take(out.ftpPassword, file, 528);
    take(out.reserved564, file, 560);
    setsAndSchool(out, file, 564, 2);
    out.allowUserReturns = true;
    out.numberEachNotice = true;
    out.signatureStyle = 0;
    out.fontName = "Times New Roman";
    out.pointSize = 3;
    out.reserved1324 = 2;
    out.reserved1328 = 3;
    out.borderSize = 2;
    out.crAfterNotice = true;
    out.headerPointSize = 7;
    out.subtitlePointSize = 4;
}

// A 2.0 record is laid out as today's, its padding apart: each is carried whole in one copy
// of the table, and the padding cleared.
void notices20(std::string_view file, NoticeTable& out) {
    std::memcpy(out.data(), file.data(), sizeof out);
    for (NoticeRecord& r : out) {
        for (std::uint8_t& b : r.pad0)
            b = 0;
        for (std::uint8_t& b : r.pad1)
            b = 0;
    }
}

void users20(std::string_view file, UserTable& out) {
    for (std::size_t i = 0; i < out.size(); ++i) {
        UserRecord& u = out[i];
        u = UserRecord{};
        std::memcpy(&u, file.data() + i * kTemplateCommon, kTemplateCommon);
        u.bypassDeadline = false;
        u.bypassMaxDays = false;
    }
}

} // namespace pinora::formats
