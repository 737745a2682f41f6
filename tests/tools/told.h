// The tools' presenter: what a result has to tell goes to the error stream, one line each, as a
// station without windows writes it.
#pragma once

#include "db/result.h"

#include <cstdio>

namespace pinora::tools {

inline bool told(const Result& r) {
    for (const std::string& m : r.messages())
        std::fprintf(stderr, "%s\n", m.c_str());
    return r.isOk();
}

} // namespace pinora::tools
