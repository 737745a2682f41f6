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

void notices20(std::string_view file, NoticeTable& out) {
    for (std::size_t i = 0; i < out.size(); ++i) {
        const std::string_view rec = file.substr(i * sizeof(NoticeRecord), sizeof(NoticeRecord));
        NoticeRecord& r = out[i];
        r = NoticeRecord{};
        take(r.owner, rec, offsetof(NoticeRecord, owner));
        take(r.authorLevel, rec, offsetof(NoticeRecord, authorLevel));
        take(r.startDate, rec, offsetof(NoticeRecord, startDate));
        take(r.signature, rec, offsetof(NoticeRecord, signature));
        take(r.endDate, rec, offsetof(NoticeRecord, endDate));
        take(r.inSet, rec, offsetof(NoticeRecord, inSet));
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
