#include "formats.h"

#include <cstring>

namespace pinora::formats {

const char* fileName(DbFile f) {
    switch (f) {
    case DbFile::Config: return "CONFIG.DB";
    case DbFile::Notices: return "NOTICE.DB";
    case DbFile::Users: return "USER.DB";
    }
    return "";
}

Format formatOf(std::string_view fileStart) {
    if (fileStart.size() < sizeof(DbHeader)) return Format::V20;
    DbHeader h;
    std::memcpy(&h, fileStart.data(), sizeof h);
    if (headerMatches(h)) return Format::Current;
    if (h.version == 2400) return Format::V24;
    if (h.version == 2100) return Format::V21;
    return Format::V20;
}

const char* formatText(Format f) {
    switch (f) {
    case Format::V20: return "2.0";
    case Format::V21: return "2.1,2.2,2.3";
    case Format::V24: return "2.4";
    case Format::Current: break;
    }
    return "2.5";
}

std::size_t oldFileSize(DbFile f, Format from) {
    switch (f) {
    case DbFile::Config:
        return from == Format::V20 ? 1160 : from == Format::V21 ? 16 + 1224 : 16 + 1232;
    case DbFile::Notices:
        return (from == Format::V20 ? 0 : 16) + sizeof(NoticeTable);
    case DbFile::Users:
        return from == Format::V20 ? 31200 : 16 + sizeof(UserTable);
    }
    return 0;
}

bool damagedHeader(std::string_view fileStart) {
    if (fileStart.size() < sizeof(DbHeader)) return false;
    DbHeader h;
    std::memcpy(&h, fileStart.data(), sizeof h);
    return h.version == currentDbVersion && !headerMatches(h);
}

bool convertible(DbFile f, std::string_view fileStart, std::uint64_t size) {
    const Format from = formatOf(fileStart);
    return from != Format::Current && size == oldFileSize(f, from) && !damagedHeader(fileStart);
}

namespace {

template <class Out, class Reader>
Convert pick(DbFile which, std::string_view file, Out& out, Format* from, Reader read) {
    const Format f = formatOf(file);
    if (from) *from = f;
    if (f == Format::Current) return Convert::Current;
    if (!convertible(which, file, file.size())) return Convert::Unreadable;
    read(f, file, out);
    return Convert::Done;
}

} // namespace

Convert convertConfig(std::string_view file, ConfigRecord& out, Format* from) {
    return pick(DbFile::Config, file, out, from, [](Format f, std::string_view b, ConfigRecord& o) {
        if (f == Format::V24)
            config24(b, o);
        else if (f == Format::V21)
            config21(b, o);
        else
            config20(b, o);
    });
}

Convert convertNotices(std::string_view file, NoticeTable& out, Format* from) {
    return pick(DbFile::Notices, file, out, from, [](Format f, std::string_view b, NoticeTable& o) {
        if (f == Format::V20)
            notices20(b, o);
        else
            notices21(b, o);
    });
}

Convert convertUsers(std::string_view file, UserTable& out, Format* from) {
    return pick(DbFile::Users, file, out, from, [](Format f, std::string_view b, UserTable& o) {
        if (f == Format::V20)
            users20(b, o);
        else
            users21(b, o);
    });
}

} // namespace pinora::formats
