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

} // namespace pinora
