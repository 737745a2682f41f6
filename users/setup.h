// Setting up a new database folder: the entries the first-run wizard collects, their checks,
// and the files written from them.
#pragma once

#include "db/database.h"

#include <QString>
#include <QStringList>

namespace pinora {

struct SetupEntries {
    QString adminPassword1;
    QString adminPassword2;
    QString schoolName;
    QString copyrightLine;
    QString setOneName;
};

// One message for every entry that fails, in the order the user is told them; empty when all
// entries are good.
QStringList checkSetupEntries(const SetupEntries& e);

// Writes CONFIG.DB (defaults and the entries), USER.DB (ADMIN alone, in slot 1) and NOTICE.DB
// (every slot free), and creates the MSG and TEMP folders when they are missing. Stops at the
// first file that cannot be written (its message has been shown) and returns false.
bool writeNewDatabase(Database& db, const SetupEntries& e);

} // namespace pinora
