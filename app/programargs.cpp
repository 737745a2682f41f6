#include "programargs.h"

namespace pinora {

ProgramArgs parseProgramArgs(const std::vector<std::string>& args) {
    ProgramArgs out;
    if (args.size() == 1 && (args[0] == "--version" || args[0] == "--help")) {
        (args[0] == "--version" ? out.version : out.help) = true;
        return out;
    }
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        if (args[i] == "--folder") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                out.error = "--folder needs a folder";
                return out;
            }
            out.folder = args[++i];
        } else if (args[i].rfind("--folder=", 0) == 0) {
            out.folder = args[i].substr(9);
            if (out.folder.empty()) {
                out.error = "--folder needs a folder";
                return out;
            }
        } else {
            break;
        }
    }
    // Qt would take --display for the name of an X display: the screen's option never reaches it.
    if (i < args.size() && args[i] == "--display") {
        out.display = true;
        if (i + 1 < args.size()) out.displaySet = args[i + 1];
        if (i + 2 < args.size()) out.error = "--display takes one notice set";
        return out;
    }
    out.restFrom = i;
    return out;
}

} // namespace pinora
