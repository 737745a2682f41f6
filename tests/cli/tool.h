// Running the built pinoractl.
#pragma once

#include "support/bytes.h"
#include "support/ftpserver.h"

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace pinora::test {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Starts pinoractl with args and waits; its output is caught apart from the test's own.
ToolRun pinoractl(const std::vector<std::string>& args);

} // namespace pinora::test
