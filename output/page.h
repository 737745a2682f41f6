// The notice page of one day and one notice set.
#pragma once

#include "db/database.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace pinora {

// Reloads CONFIG.DB and NOTICE.DB, then writes the page to the database folder joined with
// pageName (relative, e.g. "TEMP/~123.HTM"), copying logo.gif beside it when there is one.
// Returns false with a message text in error when the page could not be written whole.
// loaded receives what reloading CONFIG.DB and NOTICE.DB had to tell (a broken file in its own
// words, a conversion), for the caller to present besides error, also when the page was made.
bool writeNoticePage(Database& db, int setNumber, const std::string& pageName, TDateTime day,
                     std::string* error = nullptr, Result* loaded = nullptr);

// The page itself, as writeNoticePage writes it, into out (nothing is written to disk).
bool makeNoticePage(Database& db, int setNumber, TDateTime day, std::string& out,
                    std::string* error = nullptr, Result* loaded = nullptr);

// The notices that the page of a set and a day shows, in its order: in use, in the set, within
// their dates on that day, and with a message file. each gets the notice's number, its record
// and the message file's bytes; it may stop the walk by returning false with a reason in err.
// False when a message file could not be read or each stopped, with the file named in error.
using PageNoticeFn =
    std::function<bool(int number, const NoticeRecord&, const std::string& text, std::string& err)>;
bool forEachPageNotice(const Database& db, int setNumber, TDateTime day, const PageNoticeFn& each,
                       std::string* error = nullptr);

// The signature as the page shows it in the configured style: "Ann", "(Ann)", or empty for a
// style that shows none.
std::string signatureText(std::int32_t style, std::string_view signature);
// text with &, <, > and " as entities: a field that is text on the page, never markup.
std::string pageText(std::string_view text);

// The logo on the page, which refers to the logo.gif beside it.
inline constexpr const char* kPageLogoTag = R"(<img src="logo.gif">)";

// The same page written to pagePath as given (absolute, or relative to the working folder).
// The page appears whole or not at all; a failure leaves any older file of that name alone.
bool writeNoticePageFile(Database& db, int setNumber, const std::string& pagePath, TDateTime day,
                         std::string* error = nullptr, Result* loaded = nullptr);

// A logo beyond this is no school logo: it is refused rather than read, on insert and on the
// page. A page that would grow beyond the second is refused too (each message file also has its
// own limit, Database::kMaxMessageFileSize).
inline constexpr std::size_t kMaxLogoBytes = 16u << 20;
inline constexpr std::size_t kMaxPageBytes = 64u << 20;

// The maker's line that follows " - Pinora 2. " under the page.
inline constexpr const char* kPageCredit = "Notices published with Pinora 2";

} // namespace pinora
