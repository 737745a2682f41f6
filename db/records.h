// Fixed byte layouts shared with every other station and with older copies of the program.
// Each record is read and written whole, so every field sits at a fixed offset.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <memory>
#include <string>
#include <string_view>

namespace pinora {

using TDateTime = double; // days since 1899-12-30, fraction = time of day, local time

constexpr int kNoticeCount = 10000;
constexpr int kUserCount = 200;
constexpr int kSetCount = 8;
constexpr std::int32_t currentDbVersion = 2500;
constexpr std::string_view freeMarker = "[NONE]";
// The administrator account the first-run wizard creates.
inline constexpr char kAdminName[] = "ADMIN";

#pragma pack(push, 1)

// A length byte followed by N single-byte characters (Windows-1252).
template <std::size_t N> struct ShortString {
    std::uint8_t len;
    char chars[N];

    std::string str() const { return std::string(chars, std::min<std::size_t>(len, N)); }
    std::string_view view() const { return std::string_view(chars, std::min<std::size_t>(len, N)); }
    void assign(std::string_view s) {
        len = static_cast<std::uint8_t>(std::min(s.size(), N));
        std::memcpy(chars, s.data(), len);
        std::memset(chars + len, 0, N - len);
    }
    ShortString& operator=(std::string_view s) {
        assign(s);
        return *this;
    }
    bool empty() const { return len == 0; }
};

// One byte on disk; any non-zero value reads as true.
struct Flag {
    std::uint8_t v;
    operator bool() const { return v != 0; }
    Flag& operator=(bool b) {
        v = b ? 1 : 0;
        return *this;
    }
};

struct DbHeader {
    ShortString<10> signature; // 8 characters used
    std::uint8_t pad0;
    std::int32_t version;
};

struct UserRecord {
    ShortString<16> loginName; // scrambled
    ShortString<16> password;  // scrambled
    ShortString<40> fullName;
    ShortString<60> signature;
    std::int32_t postCount;
    std::uint8_t securityLevel;
    Flag allowEdit;
    Flag allowDelete;
    Flag allowPublish;
    Flag adminMenu;
    Flag superUser;
    Flag extraHelp;
    Flag denySet[8];
    Flag forcePassword;
    Flag bypassDeadline;
    Flag bypassMaxDays;
    std::uint8_t pad0[2];
};

struct NoticeSetConfig {
    ShortString<30> name;
    std::uint8_t pad0;
    TDateTime deadline; // only the time of day counts
    std::int32_t maxDays;
    Flag deadlineEnabled;
    Flag maxDaysEnabled;
    std::uint8_t pad1[2];
};

struct ConfigRecord {
    UserRecord newUserTemplate;
    ShortString<80> ftpServer;
    std::uint8_t pad0;
    std::uint16_t ftpPort;
    Flag ftpPassive;
    ShortString<255> ftpUploadDir;
    ShortString<30> ftpUser;
    ShortString<30> ftpPassword;
    std::uint8_t pad1;
    std::int32_t reserved564;
    NoticeSetConfig noticeSets[8];
    ShortString<160> schoolName;
    ShortString<160> schoolCopyright;
    Flag authUseOsName;
    Flag authAskPassword;
    Flag authDialogFlag;
    Flag signupAllowed;
    Flag signupAskName;
    std::uint8_t pad2;
    Flag allowUserReturns;
    Flag numberEachNotice;
    std::uint8_t pad3[2];
    std::int32_t signatureStyle;
    ShortString<30> fontName;
    std::uint8_t pad4;
    std::int32_t pointSize;
    std::int32_t reserved1324;
    std::int32_t reserved1328;
    std::int32_t borderSize;
    std::int32_t headerPointSize;
    std::int32_t subtitlePointSize;
    Flag crAfterNotice;
    std::uint8_t pad5[7];
};

struct NoticeRecord {
    ShortString<8> owner; // scrambled; key character and at most 7 characters of the login name
    std::uint8_t authorLevel;
    std::uint8_t pad0[6];
    TDateTime startDate;
    ShortString<60> signature;
    std::uint8_t pad1[3];
    TDateTime endDate;
    Flag inSet[8];
};

#pragma pack(pop)

static_assert(sizeof(DbHeader) == 16);
static_assert(offsetof(DbHeader, signature) == 0);
static_assert(offsetof(DbHeader, version) == 12);

static_assert(sizeof(UserRecord) == 160);
static_assert(offsetof(UserRecord, loginName) == 0);
static_assert(offsetof(UserRecord, password) == 17);
static_assert(offsetof(UserRecord, fullName) == 34);
static_assert(offsetof(UserRecord, signature) == 75);
static_assert(offsetof(UserRecord, postCount) == 136);
static_assert(offsetof(UserRecord, securityLevel) == 140);
static_assert(offsetof(UserRecord, allowEdit) == 141);
static_assert(offsetof(UserRecord, allowDelete) == 142);
static_assert(offsetof(UserRecord, allowPublish) == 143);
static_assert(offsetof(UserRecord, adminMenu) == 144);
static_assert(offsetof(UserRecord, superUser) == 145);
static_assert(offsetof(UserRecord, extraHelp) == 146);
static_assert(offsetof(UserRecord, denySet) == 147);
static_assert(offsetof(UserRecord, forcePassword) == 155);
static_assert(offsetof(UserRecord, bypassDeadline) == 156);
static_assert(offsetof(UserRecord, bypassMaxDays) == 157);

static_assert(sizeof(NoticeSetConfig) == 48);
static_assert(offsetof(NoticeSetConfig, name) == 0);
static_assert(offsetof(NoticeSetConfig, deadline) == 32);
static_assert(offsetof(NoticeSetConfig, maxDays) == 40);
static_assert(offsetof(NoticeSetConfig, deadlineEnabled) == 44);
static_assert(offsetof(NoticeSetConfig, maxDaysEnabled) == 45);

static_assert(sizeof(ConfigRecord) == 1352);
static_assert(offsetof(ConfigRecord, newUserTemplate) == 0);
static_assert(offsetof(ConfigRecord, ftpServer) == 160);
static_assert(offsetof(ConfigRecord, ftpPort) == 242);
static_assert(offsetof(ConfigRecord, ftpPassive) == 244);
static_assert(offsetof(ConfigRecord, ftpUploadDir) == 245);
static_assert(offsetof(ConfigRecord, ftpUser) == 501);
static_assert(offsetof(ConfigRecord, ftpPassword) == 532);
static_assert(offsetof(ConfigRecord, reserved564) == 564);
static_assert(offsetof(ConfigRecord, noticeSets) == 568);
static_assert(offsetof(ConfigRecord, schoolName) == 952);
static_assert(offsetof(ConfigRecord, schoolCopyright) == 1113);
static_assert(offsetof(ConfigRecord, authUseOsName) == 1274);
static_assert(offsetof(ConfigRecord, authAskPassword) == 1275);
static_assert(offsetof(ConfigRecord, authDialogFlag) == 1276);
static_assert(offsetof(ConfigRecord, signupAllowed) == 1277);
static_assert(offsetof(ConfigRecord, signupAskName) == 1278);
static_assert(offsetof(ConfigRecord, allowUserReturns) == 1280);
static_assert(offsetof(ConfigRecord, numberEachNotice) == 1281);
static_assert(offsetof(ConfigRecord, signatureStyle) == 1284);
static_assert(offsetof(ConfigRecord, fontName) == 1288);
static_assert(offsetof(ConfigRecord, pointSize) == 1320);
static_assert(offsetof(ConfigRecord, reserved1324) == 1324);
static_assert(offsetof(ConfigRecord, reserved1328) == 1328);
static_assert(offsetof(ConfigRecord, borderSize) == 1332);
static_assert(offsetof(ConfigRecord, headerPointSize) == 1336);
static_assert(offsetof(ConfigRecord, subtitlePointSize) == 1340);
static_assert(offsetof(ConfigRecord, crAfterNotice) == 1344);

static_assert(sizeof(NoticeRecord) == 104);
static_assert(offsetof(NoticeRecord, owner) == 0);
static_assert(offsetof(NoticeRecord, authorLevel) == 9);
static_assert(offsetof(NoticeRecord, startDate) == 16);
static_assert(offsetof(NoticeRecord, signature) == 24);
static_assert(offsetof(NoticeRecord, endDate) == 88);
static_assert(offsetof(NoticeRecord, inSet) == 96);

static_assert(std::is_trivially_copyable_v<ConfigRecord>);
static_assert(std::is_trivially_copyable_v<NoticeRecord>);
static_assert(std::is_trivially_copyable_v<UserRecord>);

using NoticeTable = std::array<NoticeRecord, kNoticeCount>;
using UserTable = std::array<UserRecord, kUserCount>;

// The notice table with a second buffer beside it: a load reads the file straight into the
// spare and swaps it in only when the whole file was read, so a failed load leaves the table
// as it was without copying a megabyte on every load. The spare is made at the first load: a
// tool that never reads the notices does not clear a second megabyte for nothing. Both are
// taken zeroed from the system (calloc), which clears a megabyte only as it is first touched.
class NoticeTableStore {
public:
    NoticeTableStore() : cur_(zeroedTable()) {}
    NoticeTableStore(const NoticeTableStore& o) : NoticeTableStore() { *cur_ = *o.cur_; }
    NoticeTableStore& operator=(const NoticeTableStore& o) {
        *cur_ = *o.cur_;
        return *this;
    }

    NoticeRecord& operator[](std::size_t i) { return (*cur_)[i]; }
    const NoticeRecord& operator[](std::size_t i) const { return (*cur_)[i]; }
    NoticeRecord* begin() { return cur_->data(); }
    NoticeRecord* end() { return cur_->data() + kNoticeCount; }
    const NoticeRecord* begin() const { return cur_->data(); }
    const NoticeRecord* end() const { return cur_->data() + kNoticeCount; }
    NoticeRecord* data() { return cur_->data(); }
    const NoticeRecord* data() const { return cur_->data(); }
    static constexpr std::size_t size() { return kNoticeCount; }
    void fill(const NoticeRecord& r) { cur_->fill(r); }

    NoticeTable& spare() {
        if (!spare_) spare_.reset(zeroedTable());
        return *spare_;
    }
    void swapInSpare() {
        spare();
        cur_.swap(spare_);
    }

private:
    struct Free {
        void operator()(NoticeTable* t) const { std::free(t); }
    };
    using Table = std::unique_ptr<NoticeTable, Free>;
    // All zero bytes are a value-initialised table; calloc's memory holds the array as it is.
    static NoticeTable* zeroedTable() {
        void* p = std::calloc(1, sizeof(NoticeTable));
        if (!p) throw std::bad_alloc();
        return static_cast<NoticeTable*>(p);
    }
    Table cur_;
    Table spare_;
};

// The header every save writes: a byte 0x83, "PNR2DB", a byte 0x83, version 2500.
DbHeader currentHeader();
bool headerMatches(const DbHeader& h);

} // namespace pinora
