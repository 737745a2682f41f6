// What the command files of pinoractl share: the parsed options and the ways of showing texts
// from the records.
#pragma once

#include "db/database.h"

#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pinora::cli {

struct Options {
    std::map<std::string, std::string> values; // "--set" -> "Students"
    std::map<std::string, bool> flags;         // "--json" -> true
};

// Texts from records and files are Windows-1252; the tool speaks UTF-8.
std::string utf8(std::string_view cp1252);
// As utf8, made safe for a terminal.
std::string shown(std::string_view cp1252);
std::string shownOrNone(std::string_view cp1252); // "(none)" for an empty text
std::string timeText(TDateTime t);                // "19:00:00"; empty for no time

// One whole-file load, presented on err; a missing file is named there too.
bool load(const Result& r, const char* file, const Database& db, std::ostream& err);

// info.cpp
int info(Database& db, const Options& o, std::ostream& out, std::ostream& err);

// mail.cpp: generates the page of set and day in memory and mails it with the settings of
// MAIL.INI under the options (--smtp, --from, --user, --password-file, --require-tls,
// --send-empty) to the addresses of to. Nothing is written to the database folder.
int mailPage(Database& db, int setNumber, TDateTime day, const std::vector<std::string>& to,
             const Options& o, std::ostream& out, std::ostream& err);
// ADDR[,ADDR...] as bare addresses; nullopt when one is none.
std::optional<std::vector<std::string>> mailAddresses(const std::string& list);

} // namespace pinora::cli
