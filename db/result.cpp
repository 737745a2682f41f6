#include "result.h"

namespace pinora {

const char* kindName(Result::Kind kind) {
    switch (kind) {
    case Result::Ok: return "Ok";
    case Result::Missing: return "Missing";
    case Result::Unreadable: return "Unreadable";
    case Result::Refused: return "Refused";
    case Result::Declined: return "Declined";
    case Result::Failed: return "Failed";
    }
    return "?";
}

std::ostream& operator<<(std::ostream& out, Result::Kind kind) {
    return out << kindName(kind);
}

std::ostream& operator<<(std::ostream& out, const Result& r) {
    out << kindName(r.kind());
    if (!r.file().empty()) out << " " << r.file();
    if (!r.detail().empty()) out << " (" << r.detail() << ")";
    if (r.kind() == Result::Refused) out << " held by " << r.lock().holder << " for " << r.lock().task;
    for (const std::string& m : r.messages())
        out << "; tells: " << m;
    return out;
}

} // namespace pinora
