// pinoractl's commands, their options and what they do, in one table: the parser, --help and
// the manual page are all made from it.
#pragma once

#include "commands.h"

#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace pinora::cli {

using Handler = int (*)(Database&, const Options&, std::ostream&, std::ostream&);

struct Command {
    std::string_view name;
    std::string_view synopsis;  // as typed after "pinoractl [--folder DIR]"
    std::vector<const char*> values; // options that take a value
    std::vector<const char*> flags;  // options that stand alone
    std::string_view text;      // what it does, one paragraph
    Handler handler;            // none for help
};

// Beside the commands themselves (pinoractl.cpp).
const std::vector<Command>& commandTable();
const Command* findCommand(std::string_view name);

std::string usageText();
std::string versionText(); // "pinoractl 2.5.1.1576"
// The manual page, pinoractl(1), in roff.
std::string manualPage();

} // namespace pinora::cli
