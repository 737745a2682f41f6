#include "commandtable.h"

#include "db/folderchoice.h"
#include "programversion.h"

#include <sstream>

namespace pinora::cli {

namespace {

constexpr std::size_t kWidth = 92;  // of a line of --help
constexpr std::size_t kColumn = 28; // where what a command does begins

constexpr std::string_view kFolderText =
    "Works on the Pinora 2 database folder: DIR, else the folder in the PINORA_FOLDER "
    "environment variable, else folder= in /etc/pinora2.conf, else the folder that holds "
    "pinoractl.";
constexpr std::string_view kWordsText =
    "NAME is a notice set's name, in any letter case. DAY is YYYY-MM-DD, today, tomorrow or "
    "next-weekday (the next day that is not a Saturday or Sunday).";
constexpr std::string_view kChangesText =
    "Only check --repair, upgrade and import change the database.";
constexpr std::string_view kStatusText =
    "Errors go to standard error; the exit status is 0 on success, 1 when a command failed and 2 "
    "when the command line was wrong.";

struct GlobalOption {
    std::string_view synopsis;
    std::string_view text;
};
const GlobalOption kGlobalOptions[] = {
    {"--folder DIR", "the database folder to work on"},
    {"--help", "this text"},
    {"--version", "the version of pinoractl"},
};

// Words of text laid out from column indent to the line's width; the first line continues
// what is already on it (at column at).
void wrap(std::ostream& out, std::string_view text, std::size_t at, std::size_t indent) {
    std::size_t col = at;
    bool first = true;
    while (!text.empty()) {
        const std::size_t space = text.find(' ');
        const std::string_view word = text.substr(0, space);
        text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
        if (!first && col + 1 + word.size() > kWidth) {
            out << '\n' << std::string(indent, ' ');
            col = indent;
            first = true;
        }
        if (!first) {
            out << ' ';
            ++col;
        }
        out << word;
        col += word.size();
        first = false;
    }
    out << '\n';
}

void item(std::ostream& out, std::string_view synopsis, std::string_view text) {
    out << "  ";
    if (2 + synopsis.size() + 2 <= kColumn) {
        out << synopsis << std::string(kColumn - 2 - synopsis.size(), ' ');
        wrap(out, text, kColumn, kColumn);
        return;
    }
    wrap(out, synopsis, 2, 7);
    out << std::string(kColumn, ' ');
    wrap(out, text, kColumn, kColumn);
}

// roff: a hyphen is a minus sign in options, and a line may not start with a dot.
std::string roff(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (c == '-') out += "\\-";
        else if (c == '\\') out += "\\e";
        else out += c;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

} // namespace

const Command* findCommand(std::string_view name) {
    for (const Command& c : commandTable())
        if (c.name == name) return &c;
    return nullptr;
}

std::string versionText() {
    return std::string("pinoractl ") + programVersion;
}

std::string usageText() {
    std::ostringstream out;
    out << "Usage: pinoractl [--folder DIR] COMMAND [options]\n"
           "       pinoractl --help | --version\n\n";
    wrap(out, kFolderText, 0, 0);
    out << "\nCommands:\n";
    for (const Command& c : commandTable()) item(out, c.synopsis, c.text);
    out << "\nOptions:\n";
    for (const GlobalOption& o : kGlobalOptions) item(out, o.synopsis, o.text);
    out << '\n';
    wrap(out, kWordsText, 0, 0);
    out << '\n';
    wrap(out, std::string(kChangesText) + " " + std::string(kStatusText), 0, 0);
    return out.str();
}

std::string manualPage() {
    std::ostringstream out;
    out << ".TH PINORACTL 1 \"" << kReleaseDate << "\" \"Pinora 2 " << programVersion
        << "\" \"User Commands\"\n"
        << ".SH NAME\npinoractl \\- the administration tool of a Pinora 2 database folder\n"
        << ".SH SYNOPSIS\n.B pinoractl\n.RB [ \\-\\-folder\n.IR DIR ]\n.I COMMAND\n"
        << ".RI [ options ]\n.br\n.B pinoractl\n.BR \\-\\-help \" | \" \\-\\-version\n"
        << ".SH DESCRIPTION\n" << roff(kFolderText) << "\n"
        << ".PP\n" << roff(kWordsText) << "\n.SH COMMANDS\n";
    for (const Command& c : commandTable())
        if (c.handler) out << ".TP\n.B " << roff(c.synopsis) << "\n" << roff(c.text) << "\n";
    out << ".SH OPTIONS\n";
    for (const GlobalOption& o : kGlobalOptions)
        out << ".TP\n.B " << roff(o.synopsis) << "\n" << roff(o.text) << "\n";
    out << ".SH EXIT STATUS\n" << roff(kStatusText) << " " << roff(kChangesText) << "\n"
        << ".SH ENVIRONMENT\n.TP\n.B PINORA_FOLDER\nthe database folder, when no\n.B \\-\\-folder\n"
        << "is given\n.SH FILES\n.TP\n.I " << kFolderConfFile
        << "\nthis workstation's settings; a line\n.BI folder= DIR\nnames the database folder\n"
        << ".SH SEE ALSO\n.BR pinora2 (1)\n";
    return out.str();
}

} // namespace pinora::cli
