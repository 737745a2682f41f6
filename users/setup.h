// Setting up a new database folder: the entries the first-run wizard collects, their checks,
// and the files written from them.
#pragma once

#include "db/database.h"

#include <string>
#include <vector>

namespace pinora {

// As typed, in UTF-8.
struct SetupEntries {
    std::string adminPassword1;
    std::string adminPassword2;
    std::string schoolName;
    std::string copyrightLine;
    std::string setOneName;
};

// One message for every entry that fails, in the order the user is told them; empty when all
// entries are good.
std::vector<std::string> checkSetupEntries(const SetupEntries& e);

// Writes CONFIG.DB (defaults and the entries), USER.DB (ADMIN alone, in slot 1) and NOTICE.DB
// (every slot free), and creates the MSG and TEMP folders when they are missing. Stops at the
// first file that cannot be written, with its result. A folder that cannot be made is told
// on the result and the setup still counts as done.
Result writeNewDatabase(Database& db, const SetupEntries& e);

} // namespace pinora
