// The notice page of one day and one notice set.
#pragma once

#include "db/database.h"

#include <string>

namespace pinora {

// Reloads CONFIG.DB and NOTICE.DB, then writes the page to the database folder joined with
// pageName (relative, e.g. "TEMP/~123.HTM"), copying logo.gif beside it when there is one.
// Returns false with a message text in error when the page could not be written whole.
bool writeNoticePage(Database& db, int setNumber, const std::string& pageName, TDateTime day,
                     std::string* error = nullptr);

// The same page written to pagePath as given (absolute, or relative to the working folder).
// The page appears whole or not at all; a failure leaves any older file of that name alone.
bool writeNoticePageFile(Database& db, int setNumber, const std::string& pagePath, TDateTime day,
                         std::string* error = nullptr);

// A logo beyond this is no school logo: it is refused rather than read, on insert and on the
// page. A page that would grow beyond the second is refused too (each message file also has its
// own limit, Database::kMaxMessageFileSize).
inline constexpr std::size_t kMaxLogoBytes = 16u << 20;
inline constexpr std::size_t kMaxPageBytes = 64u << 20;

// The maker's line that follows " - Pinora 2. " under the page.
inline constexpr const char* kPageCredit = "Notices published with Pinora 2";

} // namespace pinora
