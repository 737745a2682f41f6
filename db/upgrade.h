// Converting a file of an older format in place: the original is kept beside it, the converted
// file is saved atomically with the current header, and the caller gets the message to show.
#pragma once

#include "database.h"
#include "formats/formats.h"

#include <optional>
#include <string>
#include <string_view>

namespace pinora {

using formats::DbFile;
using formats::Format;

enum class UpgradeStatus {
    NotNeeded,  // missing, or already current (perhaps converted by another station meanwhile)
    Upgraded,   // message holds the upgrade message
    Unreadable, // too short to be converted; left as it is, message holds the broken-file text
    Failed      // could not be read, kept or saved; left as it is, message says why
};

struct UpgradeResult {
    UpgradeStatus status = UpgradeStatus::NotNeeded;
    Format from = Format::Current;
    std::string message;   // UTF-8
    std::string backup;    // name of the kept original in the database folder, when Upgraded
    bool reported = false; // the database has already told the user (a failed save)
};

// "Upgraded Version 2.4 Configuration to version 2.5. You must restart notices."
std::string upgradeMessage(DbFile which, Format from);

// The format of the file as it lies on disk; nullopt when it is missing or cannot be read.
std::optional<Format> fileFormat(const Database& db, DbFile which);

// Converts the file when its header is not current. On success the converted record or table is
// also the in-memory one; on any failure memory and the file are as they were.
UpgradeResult upgradeFile(Database& db, DbFile which);

// For the loaders, when a header does not match: converts, tells the user through the
// database's reporter (the upgrade message, or why it failed) and returns true when the file
// is to be read again. name is "CONFIG.DB", "NOTICE.DB" or "USER.DB".
bool upgradeOnLoad(Database& db, std::string_view name);

} // namespace pinora
