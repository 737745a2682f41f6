// Converting a file of an older format in place: the original is kept beside it under one name
// per file and format, the converted file is saved atomically with the current header, and the
// caller gets the message to show.
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
    Unreadable, // not a whole file of its format; left as it is, message holds the broken-file text
    Failed      // could not be read, kept or saved; left as it is, message says why
};

struct UpgradeResult {
    UpgradeStatus status = UpgradeStatus::NotNeeded;
    Format from = Format::Current;
    std::string message;   // UTF-8
    std::string backup;    // name of the kept original in the database folder, when Upgraded
    // The same as a result, carrying what the user is to read: message, or, when the
    // converted file could not be saved (reported), the save's own unsaved-file message.
    Result result;
    bool reported = false;
};

// "Upgraded Version 2.4 Configuration to version 2.5. You must restart notices."
std::string upgradeMessage(DbFile which, Format from);

// The format of the file as it lies on disk; nullopt when it is missing or cannot be read.
std::optional<Format> fileFormat(const Database& db, DbFile which);

// The older format the file would be converted from; nullopt when it is missing, current, or
// not a whole file of an older format (a broken file, which no conversion touches).
std::optional<Format> convertibleFormat(const Database& db, DbFile which);

// Converts the file when its header is not current. The file is read as every load reads it,
// repeating on an input/output error. The original is kept as NOTICE.DB.2.4.bak and the like,
// replacing the copy an earlier conversion of that file and format kept. On success the
// converted record or table is also the in-memory one; on any failure memory and the file are
// as they were.
UpgradeResult upgradeFile(Database& db, DbFile which);

// For the loaders, when a header does not match: converts, and is Ok, carrying the upgrade
// message when there was one, when the file is to be read again; otherwise says why not.
// name is "CONFIG.DB", "NOTICE.DB" or "USER.DB".
Result upgradeOnLoad(Database& db, std::string_view name);

// For the loaders of a reader that converts nothing: Unreadable, saying why the file cannot be
// read (of an older format, or broken); Ok when it has become current meanwhile (or has gone)
// and is to be read again.
Result refuseOnLoad(Database& db, std::string_view name);

} // namespace pinora
