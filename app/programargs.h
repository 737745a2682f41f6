// The program's own options, taken off the command line before Qt sees it: --folder DIR (or
// --folder=DIR) first, then either --display [SET] or what the program always took (/LOGIN,
// and Qt's own options).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace pinora {

struct ProgramArgs {
    std::string folder; // empty when not given
    bool version = false; // --version: say it and end
    bool help = false;    // --help: the usage and end
    bool display = false;
    std::string displaySet;         // empty: the set named in the workstation's configuration
    std::size_t restFrom = 0;       // where the others begin, for Qt and the start-up
    std::string error;              // a mistake in the options, in the program's words
};

// args: the command line without the program's own name.
ProgramArgs parseProgramArgs(const std::vector<std::string>& args);

} // namespace pinora
